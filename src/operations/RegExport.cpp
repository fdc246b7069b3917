// The .reg writer: file layout, key sections, value lines and byte lists.
#include "operations/RegExport.h"

#include "base/FileErrors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "base/WaitCursor.h"
#include "registry/EzReg.h"
#include "registry/LiveRegistry.h"
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

void HexByteList(const BYTE* data, DWORD size, std::wstring& line, wchar_t separator, size_t width)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    // The column counts from the start of the line's last row (line may
    // begin with the break before it).
    size_t rowStart = line.rfind(L'\n');
    size_t length = rowStart == std::wstring::npos ? line.size() : line.size() - rowStart - 1;
    for (DWORD i = 0; i < size; ++i)
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

void HexByteList(const CEzReg& key, std::wstring& line, wchar_t separator, size_t width)
{
    HexByteList(key.Data, key.DataSize, line, separator, width);
}

void AppendValueLine(std::wstring_view name, DWORD type, const BYTE* data, DWORD size, std::wstring& line)
{
    if (name.empty())
        line += L'@';
    else
    {
        line += L'"';
        line += EscapeRegText(name);
        line += L'"';
    }
    switch (type)
    {
    case REG_SZ:
        if (QuotedFormKeepsBytes(data, size))
        {
            std::wstring text(reinterpret_cast<const wchar_t*>(data), size / 2 - 1);
            line += L"=\"" + EscapeRegText(text) + L"\"";
            return;
        }
        break;
    case REG_DWORD:
        if (size == 4)
        {
            DWORD value;
            std::memcpy(&value, data, 4);
            line += zv::Format(L"=dword:%08lx", value);
            return;
        }
        break;
    case REG_BINARY:
        line += L"=hex:";
        HexByteList(data, size, line);
        return;
    default:
        break;
    }
    line += zv::Format(L"=hex(%x):", type);
    HexByteList(data, size, line);
}

std::wstring ValueLine(const CEzReg& key)
{
    std::wstring line;
    AppendValueLine(key.ValueName, key.ValueType, key.Data, key.DataSize, line);
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

bool HasLineBreak(std::wstring_view name)
{
    return name.find_first_of(L"\r\n") != std::wstring_view::npos;
}

// Walks a tree of a key source into script text, reusing one set of buffers.
class CSectionWriter
{
  public:
    explicit CSectionWriter(CExportOutput& output) : m_output(output) {}

    // The section of key at path: its header, its value lines, then each
    // sub-key's section after a line break. parent is null for the start key
    // (opened as the user named it); sub-keys are opened as themselves.
    void Write(const SourceKey& key, const SourceKey* parent, std::wstring& path)
    {
        m_output.Append(L"\r\n[HKEY_");
        m_output.Append(path);
        m_output.Append(L"]");
        ++m_output.Report.keys;
        LONG result = ERROR_SUCCESS;
        bool complete = true;
        for (DWORD index = 0;; ++index)
        {
            result = key.ValueAt(index, m_value);
            if (result == ERROR_MORE_DATA)
                continue; // this one value cannot be read; it is reported below
            if (result != ERROR_SUCCESS)
                break;
            m_line.assign(L"\r\n");
            if (parent && IsLinkValue(m_value.name.data(), m_value.type) && IsLinkBelow(*parent, path))
            {
                // A script cannot make a link, and its target value written
                // as data would be written through the link on import: the
                // link is named in a comment and not followed.
                m_line += L"; a link to ";
                std::wstring_view target(reinterpret_cast<const wchar_t*>(m_value.Bytes()), m_value.size / 2);
                for (wchar_t c : target)
                    m_line += c == L'\r' || c == L'\n' || c == L'\0' ? L' ' : c;
                m_line += L" (not followed)";
                m_output.Append(m_line);
                continue;
            }
            AppendValueLine(m_value.Name(), m_value.type, m_value.Bytes(), m_value.size, m_line);
            m_output.Append(m_line);
            ++m_output.Report.values;
        }
        complete = result == ERROR_NO_MORE_ITEMS; // values after the one that failed are missing
        for (DWORD index = 0;; ++index)
        {
            result = key.SubKeyAt(index, m_child);
            if (result == ERROR_MORE_DATA)
                continue;
            if (result != ERROR_SUCCESS)
                break;
            m_output.Append(L"\r\n");
            size_t parentLength = path.size();
            path += L'\\';
            path.append(m_child.Name());
            if (HasLineBreak(m_child.Name()))
                m_output.Report.NoteUnwritable(path);
            else
            {
                LONG error = ERROR_SUCCESS;
                if (SourceKey child = key.OpenSubKey(m_child.name, KeyUse::SubKeys | KeyUse::Values, error))
                    Write(child, &key, path);
                else
                    m_output.Report.NoteUnreadable(path);
            }
            path.resize(parentLength);
        }
        // Sub-keys after the one that failed are missing too.
        if (!complete || result != ERROR_NO_MORE_ITEMS)
            m_output.Report.NoteUnreadable(path);
    }

  private:
    static bool IsLinkBelow(const SourceKey& parent, const std::wstring& path)
    {
        std::wstring name = path.substr(path.rfind(L'\\') + 1);
        return parent.ChildIsLink(name.c_str());
    }

    CExportOutput& m_output;
    SubKeyEntry m_child;
    ValueEntry m_value;
    std::wstring m_line;
};
} // namespace

void WriteTreeSection(const KeySource& source, const std::wstring& path, CExportOutput& output,
                      const std::wstring* writtenAs)
{
    LONG error = ERROR_SUCCESS;
    SourceKey key = source.Open(path, KeyUse::SubKeys | KeyUse::Values, error);
    if (!key)
    {
        output.Report.NoteUnreadable(path);
        return;
    }
    std::wstring walked = writtenAs ? *writtenAs : path;
    CSectionWriter(output).Write(key, nullptr, walked);
}

void WriteKeySection(CEzReg& key, CExportOutput& output)
{
    if (key.IsComputer())
    {
        // The computer level exports the whole registry: each root in full.
        for (int i = 0; i < kRootCount; ++i)
        {
            if (i)
                output.Append(L"\r\n");
            WriteTreeSection(LiveRegistry(), RootName(i), output);
        }
        return;
    }
    WriteTreeSection(LiveRegistry(), key.FullPath(), output);
}

void KeySectionText(CEzReg& key, std::wstring& text)
{
    CStringOutput output(text);
    WriteKeySection(key, output);
}

bool WriteScriptFile(const std::wstring& filePath, const std::function<void(CExportOutput&)>& body,
                     ExportReport* report, bool showErrors)
{
    CWaitCursor wait;
    zv::unique_hfile file(CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        if (showErrors)
            ReportFileError(filePath, GetLastError(), true);
        return false;
    }
    CFileOutput output(file.get());
    static const BYTE mark[2] = {0xFF, 0xFE};
    output.AppendBytes(mark, 2);
    output.Append(kRegFileHeader);
    output.Append(L"\r\n");
    body(output);
    output.Append(L"\r\n\r\n");
    if (!output.Flush())
    {
        DWORD error = output.Error();
        file.reset();
        if (showErrors)
            ReportFileError(filePath, error, true);
        return false;
    }
    if (report)
        *report = output.Report;
    return true;
}

bool ExportKey(CEzReg& key, const std::wstring& filePath, ExportReport* report)
{
    return WriteScriptFile(
        filePath, [&](CExportOutput& output) { WriteKeySection(key, output); }, report);
}
