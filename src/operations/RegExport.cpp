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
        if (c == L'\\' || c == L'"')
            escaped += L'\\';
        escaped += c;
    }
    return escaped;
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

std::wstring CEzReg::SectionHeader() const
{
    return zv::Format(L"[HKEY_%s]", FullPath().c_str());
}

void CEzReg::HexByteList(std::wstring& line, wchar_t separator, size_t width)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    size_t length = line.size();
    for (DWORD i = 0; i < DataSize; ++i)
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
        line += digits[Data[i] >> 4];
        line += digits[Data[i] & 15];
        length += 2;
    }
}

std::wstring CEzReg::ValueLine()
{
    std::wstring line = ValueName[0] ? L"\"" + EscapeRegText(ValueName) + L"\"" : std::wstring(L"@");
    switch (ValueType)
    {
    case REG_SZ:
        if (QuotedFormKeepsBytes(Data, DataSize))
        {
            std::wstring text(reinterpret_cast<const wchar_t*>(Data), DataSize / 2 - 1);
            line += L"=\"" + EscapeRegText(text) + L"\"";
            return line;
        }
        break;
    case REG_DWORD:
        if (DataSize == 4)
        {
            DWORD value;
            std::memcpy(&value, Data, 4);
            line += zv::Format(L"=dword:%08lx", value);
            return line;
        }
        break;
    case REG_BINARY:
        line += L"=hex:";
        HexByteList(line);
        return line;
    default:
        break;
    }
    line += zv::Format(L"=hex(%x):", ValueType);
    HexByteList(line);
    return line;
}

void CEzReg::KeySectionText(std::wstring& text)
{
    if (IsComputer())
    {
        // The computer level exports the whole registry: each root in full.
        for (int i = 0; i < kRootCount; ++i)
        {
            if (i)
                text += L"\r\n";
            CEzReg root(RootName(i));
            root.KeySectionText(text);
        }
        return;
    }
    if (!Open(KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS) || !Key)
        return;
    text += L"\r\n";
    text += SectionHeader();
    ValueIndex = 0;
    while (NextValue())
    {
        text += L"\r\n";
        text += ValueLine();
    }
    const std::wstring path = FullPath();
    SubKeyIndex = 0;
    while (CRegReader::NextSubKey())
    {
        text += L"\r\n";
        CEzReg child(path + L"\\" + SubKeyName);
        child.KeySectionText(text);
    }
}

bool CEzReg::ExportKey(const std::wstring& filePath)
{
    CWaitCursor wait;
    zv::unique_hfile file(CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        ReportFileError(filePath, GetLastError(), true);
        return false;
    }
    std::wstring first = std::wstring(kRegFileHeader) + L"\r\n";
    std::wstring body;
    KeySectionText(body);
    body += L"\r\n\r\n";
    static const BYTE mark[2] = {0xFF, 0xFE};
    auto write = [&](const void* data, size_t bytes) {
        DWORD written = 0;
        return WriteFile(file.get(), data, static_cast<DWORD>(bytes), &written, nullptr) && written == bytes;
    };
    if (!write(mark, 2) || !write(first.data(), first.size() * 2) || !write(body.data(), body.size() * 2))
    {
        DWORD error = GetLastError();
        file.reset();
        ReportFileError(filePath, error ? error : ERROR_HANDLE_DISK_FULL, true);
        return false;
    }
    return true;
}
