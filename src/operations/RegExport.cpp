// The .reg writer: file layout, key sections, value lines and byte lists.
#include "operations/RegExport.h"

#include "base/FileErrors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "base/WaitCursor.h"
#include "registry/EzReg.h"
#include "registry/RootKeys.h"

#include <cstring>

const wchar_t kRegFileHeader[] = L"Windows Registry Editor Version 5.00";
const wchar_t kRegFileFilter[] = L"Registry Files v.5.00 (*.reg)|*.reg|All Files (*.*)|*.*||";

std::wstring EscapeRegText(std::wstring_view text)
{
    std::wstring escaped;
    escaped.reserve(text.size() + 8);
    for (wchar_t c : text)
    {
        if (c == L'\r' || c == L'\n')
        {
            escaped += c == L'\r' ? L"\\r" : L"\\n";
            continue;
        }
        if (c == L'\\' || c == L'"')
            escaped += L'\\';
        escaped += c;
    }
    return escaped;
}

void ExportReport::NoteUnreadable(const std::wstring& path)
{
    ++unreadable;
    if (examples.size() < kExamples)
        examples.push_back(path);
}

void ExportReport::NoteUnwritable(const std::wstring& path)
{
    ++unwritable;
    if (examples.size() < kExamples)
        examples.push_back(path);
}

std::wstring ExportReport::Summary(const std::wstring& filePath) const
{
    return L"Exported " + zv::Counted(keys, L"key", L"keys") + L" and " +
           zv::Counted(values, L"value", L"values") + L" to " + filePath;
}

std::wstring ExportReport::Message(const std::wstring& filePath) const
{
    std::wstring text = zv::Format(L"%s was written, but it is not complete.", filePath.c_str());
    if (unreadable)
        text +=
            L"\n\n" + zv::Counted(unreadable, L"key", L"keys") +
            (unreadable == 1 ? L" could not be read and is missing from it, with everything below it."
                             : L" could not be read and are missing from it, with everything below them.");
    if (unwritable)
        text += L"\n\n" + zv::Counted(unwritable, L"key has", L"keys have") +
                L" a line break in the name, which a registry file cannot hold; " +
                (unwritable == 1 ? L"it is missing from it, with everything below it."
                                 : L"they are missing from it, with everything below them.");
    text += L"\n\nFirst missing:";
    for (const std::wstring& path : examples)
    {
        // A name's line break is shown, not obeyed.
        std::wstring shown = path;
        for (wchar_t& c : shown)
            if (c == L'\r' || c == L'\n')
                c = L' ';
        text += L"\n" + shown;
    }
    return text;
}

namespace
{
// Whether string data reads back byte for byte from its quoted form: text
// without NUL, CR or LF followed by exactly one terminating NUL.
bool QuotedFormKeepsBytes(const BYTE* data, DWORD size)
{
    if (size < 2 || size % 2 != 0)
        return false;
    size_t units = size / 2;
    for (size_t i = 0; i < units; ++i)
    {
        wchar_t c = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
        bool last = i + 1 == units;
        if (last ? c != L'\0' : (c == L'\0' || c == L'\r' || c == L'\n'))
            return false;
    }
    return true;
}
} // namespace

std::wstring SectionHeader(const CEzReg& key)
{
    return zv::Format(L"[HKEY_%s]", key.FullPath().c_str());
}

void HexByteList(const CEzReg& key, std::wstring& line, wchar_t separator, size_t width)
{
    const BYTE* data = key.Data;
    static const wchar_t digits[] = L"0123456789abcdef";
    size_t length = line.size();
    for (DWORD i = 0; i < key.DataSize; ++i)
    {
        if (i)
        {
            line += separator;
            ++length;
        }
        if (length + 4 > width)
        {
            line += L"\\\r\n  ";
            length = 2;
        }
        line += digits[data[i] >> 4];
        line += digits[data[i] & 15];
        length += 2;
    }
}

std::wstring ValueLine(const CEzReg& key)
{
    std::wstring line = key.ValueName[0] ? L"\"" + EscapeRegText(key.ValueName) + L"\"" : std::wstring(L"@");
    switch (key.ValueType)
    {
    case REG_SZ:
        if (QuotedFormKeepsBytes(key.Data, key.DataSize))
        {
            std::wstring text(reinterpret_cast<const wchar_t*>(key.Data), key.DataSize / 2 - 1);
            line += L"=\"" + EscapeRegText(text) + L"\"";
            return line;
        }
        break;
    case REG_DWORD:
        if (key.DataSize == 4)
        {
            DWORD value;
            std::memcpy(&value, key.Data, 4);
            line += zv::Format(L"=dword:%08lx", value);
            return line;
        }
        break;
    case REG_BINARY:
        line += L"=hex:";
        HexByteList(key, line);
        return line;
    default:
        break;
    }
    line += zv::Format(L"=hex(%x):", key.ValueType);
    HexByteList(key, line);
    return line;
}

namespace
{
class CStringOutput final : public CExportOutput
{
  public:
    explicit CStringOutput(std::wstring& text) : m_text(text) {}
    void Append(std::wstring_view text) override { m_text += text; }

  private:
    std::wstring& m_text;
};

// Writes through a buffer of kFlushChars characters; the first failure is kept.
class CFileOutput final : public CExportOutput
{
  public:
    static constexpr size_t kFlushChars = 64 * 1024;
    explicit CFileOutput(HANDLE file) : m_file(file) { m_buffer.reserve(kFlushChars + 1024); }
    void Append(std::wstring_view text) override
    {
        m_buffer += text;
        if (m_buffer.size() >= kFlushChars)
            Flush();
    }
    void AppendBytes(const void* data, size_t size) { Write(data, size); }
    bool Flush()
    {
        if (!m_buffer.empty())
            Write(m_buffer.data(), m_buffer.size() * sizeof(wchar_t));
        m_buffer.clear();
        return m_error == ERROR_SUCCESS;
    }
    DWORD Error() const noexcept { return m_error; }

  private:
    void Write(const void* data, size_t size)
    {
        if (m_error != ERROR_SUCCESS)
            return;
        DWORD written = 0;
        if (!WriteFile(m_file, data, static_cast<DWORD>(size), &written, nullptr) || written != size)
        {
            m_error = GetLastError();
            if (m_error == ERROR_SUCCESS)
                m_error = ERROR_HANDLE_DISK_FULL;
        }
    }
    HANDLE m_file;
    std::wstring m_buffer;
    DWORD m_error = ERROR_SUCCESS;
};

bool HasLineBreak(const wchar_t* name)
{
    for (; *name; ++name)
        if (*name == L'\r' || *name == L'\n')
            return true;
    return false;
}

// The section text of key (open or not yet) at path: its header, its value
// lines, then each sub-key's section after a line break. A key that cannot
// be read gives nothing (its line break stays, as an empty line).
void WriteSection(CEzReg& key, const std::wstring& path, CExportOutput& output)
{
    if (!key.Open(KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS) || !key.Key)
    {
        output.Report.NoteUnreadable(path);
        return;
    }
    output.Append(L"\r\n[HKEY_");
    output.Append(path);
    output.Append(L"]");
    ++output.Report.keys;
    key.ValueIndex = 0;
    while (key.NextValue())
    {
        output.Append(L"\r\n");
        output.Append(ValueLine(key));
        ++output.Report.values;
    }
    if (key.LastEnumResult != ERROR_NO_MORE_ITEMS && key.LastEnumResult != ERROR_SUCCESS)
        output.Report.NoteUnreadable(path); // values after the one that failed are missing
    key.SubKeyIndex = 0;
    while (key.CRegReader::NextSubKey())
    {
        output.Append(L"\r\n");
        std::wstring childPath = path + L"\\" + key.SubKeyName;
        if (HasLineBreak(key.SubKeyName))
        {
            output.Report.NoteUnwritable(childPath);
            continue;
        }
        // Opened below this key's handle: no walk down from the root per key.
        CEzReg child(key.Key, key.SubKeyName);
        WriteSection(child, childPath, output);
    }
}
} // namespace

void WriteKeySection(CEzReg& key, CExportOutput& output)
{
    if (key.IsComputer())
    {
        // The computer level exports the whole registry: each root in full.
        for (int i = 0; i < kRootCount; ++i)
        {
            if (i)
                output.Append(L"\r\n");
            CEzReg root(RootName(i));
            WriteKeySection(root, output);
        }
        return;
    }
    WriteSection(key, key.FullPath(), output);
}

void KeySectionText(CEzReg& key, std::wstring& text)
{
    CStringOutput output(text);
    WriteKeySection(key, output);
}

bool ExportKey(CEzReg& key, const std::wstring& filePath, ExportReport* report)
{
    CWaitCursor wait;
    zv::unique_hfile file(CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        ReportFileError(filePath, GetLastError(), true);
        return false;
    }
    CFileOutput output(file.get());
    static const BYTE mark[2] = {0xFF, 0xFE};
    output.AppendBytes(mark, 2);
    output.Append(kRegFileHeader);
    output.Append(L"\r\n");
    WriteKeySection(key, output);
    output.Append(L"\r\n\r\n");
    if (!output.Flush())
    {
        DWORD error = output.Error();
        file.reset();
        ReportFileError(filePath, error, true);
        return false;
    }
    if (report)
        *report = output.Report;
    return true;
}
