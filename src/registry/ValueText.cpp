// Value data <-> text conversions.
#include "registry/ValueText.h"

#include "base/Strings.h"
#include "registry/EzReg.h"
#include "registry/NumberFormat.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

const wchar_t kMultiStringSeparator[] = L"\r\n";

namespace
{
const wchar_t* const kTypeNames[] = {L"REG_NONE",
                                     L"REG_SZ",
                                     L"REG_EXPAND_SZ",
                                     L"REG_BINARY",
                                     L"REG_DWORD",
                                     L"REG_DWORD_BIG_ENDIAN",
                                     L"REG_LINK",
                                     L"REG_MULTI_SZ",
                                     L"REG_RESOURCE_LIST",
                                     L"REG_FULL_RESOURCE_DESCRIPTOR",
                                     L"REG_RESOURCE_REQUIREMENTS_LIST",
                                     L"REG_QWORD"};
constexpr int kTypeNameCount = 12;

// UTF-16 text of string data, up to the first NUL or the end of the data.
std::wstring StringDataText(const BYTE* data, DWORD size)
{
    size_t units = size / 2;
    std::wstring text(units, L'\0');
    if (units)
        std::memcpy(text.data(), data, units * 2);
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

std::wstring MultiStringDataText(const BYTE* data, DWORD size)
{
    size_t units = size / 2;
    std::wstring all(units, L'\0');
    if (units)
        std::memcpy(all.data(), data, units * 2);
    std::wstring text;
    size_t pos = 0;
    bool first = true;
    while (pos < all.size())
    {
        size_t nul = all.find(L'\0', pos);
        size_t end = nul == std::wstring::npos ? all.size() : nul;
        if (end == pos)
            break; // the list ends at its first empty string
        if (!first)
            text += kMultiStringSeparator;
        text.append(all, pos, end - pos);
        first = false;
        pos = end + 1;
    }
    return text;
}
} // namespace

std::wstring TypeName(DWORD type)
{
    if (type < static_cast<DWORD>(kTypeNameCount))
        return kTypeNames[type];
    return zv::Format(L"0x%x", type);
}

int TypeFromName(std::wstring_view text) noexcept
{
    for (int i = 0; i < kTypeNameCount; ++i)
        if (text == kTypeNames[i])
            return i;
    return -1;
}

bool IsEditableType(DWORD type) noexcept
{
    switch (type)
    {
    case REG_NONE:
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_BINARY:
    case REG_DWORD:
    case REG_MULTI_SZ:
    case REG_QWORD:
        return true;
    default:
        return false;
    }
}

std::wstring FormatDword(DWORD value)
{
    return zv::Format(DwordFormat(), value);
}

std::wstring FormatQword(ULONGLONG value)
{
    return zv::Format(QwordFormat(), value);
}

std::wstring ValueDataText(DWORD type, const BYTE* data, DWORD size)
{
    if (size == 0 || !data)
        return {};
    switch (type)
    {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return StringDataText(data, size);
    case REG_DWORD:
        // Data of another size would be shown from bytes that are not this
        // value's; show what is there instead.
        if (size != 4)
            break;
        {
            DWORD value;
            std::memcpy(&value, data, 4);
            return FormatDword(value);
        }
    case REG_QWORD:
        if (size != 8)
            break;
        {
            ULONGLONG value;
            std::memcpy(&value, data, 8);
            return FormatQword(value);
        }
    case REG_MULTI_SZ:
        return MultiStringDataText(data, size);
    default:
        break;
    }
    return BytesToHex(data, size, L' ');
}

std::wstring BytesToHex(const BYTE* data, size_t length, wchar_t separator)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    if (!length)
        return text;
    text.reserve(length * 3);
    for (size_t i = 0; i < length; ++i)
    {
        if (i)
            text += separator;
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

namespace
{
std::wstring HexDigitsOf(std::wstring_view text)
{
    std::wstring digits;
    digits.reserve(text.size());
    for (wchar_t c : text)
        if (zv::HexDigitValue(c) >= 0)
            digits += c;
    return digits;
}

void DigitsToBytes(const std::wstring& digits, BYTE* out, size_t count)
{
    for (size_t i = 0; i < count; ++i)
    {
        int high = zv::HexDigitValue(digits[2 * i]);
        if (2 * i + 1 < digits.size())
            out[i] = static_cast<BYTE>(high * 16 + zv::HexDigitValue(digits[2 * i + 1]));
        else
            out[i] = static_cast<BYTE>(high); // odd digit count: the last digit alone
    }
}
} // namespace

std::vector<BYTE> HexTextToBytes(std::wstring_view text)
{
    std::wstring digits = HexDigitsOf(text);
    std::vector<BYTE> bytes((digits.size() + 1) / 2);
    DigitsToBytes(digits, bytes.data(), bytes.size());
    return bytes;
}

void HexTextToBytes(std::wstring_view text, BYTE* buffer, DWORD& size)
{
    std::wstring digits = HexDigitsOf(text);
    size_t count = (digits.size() + 1) / 2;
    if (count < size)
        size = static_cast<DWORD>(count);
    DigitsToBytes(digits, buffer, size);
}

namespace
{
// Reads a number the way C's automatic base does, checking the range itself:
// this platform's C library turns an overflowing negative number into 1.
bool ParseNumber(std::wstring_view text, ULONGLONG maximum, ULONGLONG& value, std::wstring* problem)
{
    std::wstring trimmed = zv::TrimSpaces(text);
    auto fail = [&](const wchar_t* why) {
        if (problem)
            *problem = zv::Format(why, trimmed.c_str());
        return false;
    };
    std::wstring_view digits(trimmed);
    bool negative = false;
    if (!digits.empty() && (digits[0] == L'-' || digits[0] == L'+'))
    {
        negative = digits[0] == L'-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X'))
    {
        base = 16;
        digits.remove_prefix(2);
    }
    else if (digits.size() > 1 && digits[0] == L'0')
    {
        base = 8;
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return fail(L"\"%s\" is not a number.");
    ULONGLONG result = 0;
    for (wchar_t c : digits)
    {
        int digit = zv::HexDigitValue(c);
        if (digit < 0 || digit >= base)
            return fail(L"\"%s\" is not a number.");
        if (result > (maximum - static_cast<ULONGLONG>(digit)) / static_cast<ULONGLONG>(base))
            return fail(maximum == 0xFFFFFFFFull ? L"%s does not fit in 32 bits."
                                                 : L"%s does not fit in 64 bits.");
        result = result * static_cast<ULONGLONG>(base) + static_cast<ULONGLONG>(digit);
    }
    // Negation within the width, as the C library does for unsigned numbers.
    value = negative ? ((~result + 1) & maximum) : result;
    return true;
}
} // namespace

bool TryParseDwordText(std::wstring_view text, DWORD& value, std::wstring* problem)
{
    ULONGLONG number = 0;
    if (!ParseNumber(text, 0xFFFFFFFFull, number, problem))
        return false;
    value = static_cast<DWORD>(number);
    return true;
}

bool TryParseQwordText(std::wstring_view text, ULONGLONG& value, std::wstring* problem)
{
    return ParseNumber(text, ~0ull, value, problem);
}

DWORD ParseDwordText(std::wstring_view text)
{
    DWORD value = 0;
    return TryParseDwordText(text, value) ? value : 0;
}

ULONGLONG ParseQwordText(std::wstring_view text)
{
    ULONGLONG value = 0;
    return TryParseQwordText(text, value) ? value : 0;
}

std::wstring HexTextProblem(std::wstring_view text)
{
    // Bytes are pairs of hex digits; blanks, line breaks, commas and dashes
    // may stand between them. Anything else, or a digit without its pair,
    // would be dropped or read as something the user did not type.
    size_t digitsInByte = 0;
    for (wchar_t c : text)
    {
        if (zv::HexDigitValue(c) >= 0)
        {
            digitsInByte = (digitsInByte + 1) % 2;
            continue;
        }
        bool separator = c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L',' || c == L'-';
        if (!separator)
            return zv::Format(L"\"%c\" is no hex digit. Write the bytes as pairs of hex digits (0-9, a-f), "
                              L"such as 0a 1b ff.",
                              c);
        if (digitsInByte)
            return L"A byte has a single hex digit. Write each byte as two hex digits, such as 0a.";
    }
    if (digitsInByte)
        return L"The last byte has a single hex digit. Write each byte as two hex digits, such as 0a.";
    return {};
}

std::wstring ValueTextProblem(std::wstring_view text, DWORD type)
{
    std::wstring problem;
    if (type == REG_BINARY || type == REG_NONE)
        return HexTextProblem(text);
    if (type == REG_DWORD)
    {
        DWORD value;
        TryParseDwordText(text, value, &problem);
    }
    else if (type == REG_QWORD)
    {
        ULONGLONG value;
        TryParseQwordText(text, value, &problem);
    }
    return problem;
}

std::wstring ExpandEnvironment(std::wstring_view text)
{
    std::wstring source(text);
    std::wstring expanded(source.size() + 64, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        DWORD needed =
            ExpandEnvironmentStringsW(source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0)
            return source;
        if (needed <= expanded.size())
        {
            expanded.resize(needed - 1);
            return expanded;
        }
        expanded.resize(needed);
    }
    return source;
}

void DwordTextToHex(std::wstring& text)
{
    DWORD value = ParseDwordText(text);
    BYTE bytes[4];
    std::memcpy(bytes, &value, 4);
    text = BytesToHex(bytes, 4);
}

void QwordTextToHex(std::wstring& text)
{
    ULONGLONG value = ParseQwordText(text);
    BYTE bytes[8];
    std::memcpy(bytes, &value, 8);
    text = BytesToHex(bytes, 8);
}

DWORD HexToDwordText(std::wstring& text)
{
    if (text.empty())
        return 0;
    // The first four bytes of the list, whatever separates them.
    BYTE bytes[4] = {};
    DWORD size = 4;
    HexTextToBytes(text, bytes, size);
    DWORD value;
    std::memcpy(&value, bytes, 4);
    text = FormatDword(value);
    return value;
}

ULONGLONG HexToQwordText(std::wstring& text)
{
    if (text.empty())
        return 0;
    BYTE bytes[8] = {};
    DWORD size = 8;
    HexTextToBytes(text, bytes, size);
    ULONGLONG value;
    std::memcpy(&value, bytes, 8);
    text = FormatQword(value);
    return value;
}

std::vector<BYTE> ValueDataFromText(std::wstring_view text, DWORD type)
{
    std::vector<BYTE> data;
    auto appendUnits = [&data](std::wstring_view s) {
        size_t at = data.size();
        data.resize(at + s.size() * 2);
        if (!s.empty())
            std::memcpy(data.data() + at, s.data(), s.size() * 2);
    };
    switch (type)
    {
    case REG_NONE:
    case REG_BINARY:
        return HexTextToBytes(text);
    case REG_SZ:
    case REG_EXPAND_SZ:
        appendUnits(text);
        appendUnits(std::wstring_view(L"\0", 1));
        return data;
    case REG_DWORD: {
        DWORD value = ParseDwordText(text);
        data.resize(4);
        std::memcpy(data.data(), &value, 4);
        return data;
    }
    case REG_QWORD: {
        ULONGLONG value = ParseQwordText(text);
        data.resize(8);
        std::memcpy(data.data(), &value, 8);
        return data;
    }
    case REG_MULTI_SZ: {
        const std::wstring_view separator(kMultiStringSeparator);
        size_t pos = 0;
        for (;;)
        {
            size_t hit = text.find(separator, pos);
            std::wstring_view piece =
                text.substr(pos, hit == std::wstring_view::npos ? std::wstring_view::npos : hit - pos);
            bool last = hit == std::wstring_view::npos;
            // Empty pieces between separators are dropped; the last piece always goes in.
            if (last || !piece.empty())
            {
                appendUnits(piece);
                appendUnits(std::wstring_view(L"\0", 1));
            }
            if (last)
                break;
            pos = hit + separator.size();
        }
        appendUnits(std::wstring_view(L"\0", 1));
        return data;
    }
    default:
        return data;
    }
}

bool CEzReg::SetValueText(const wchar_t* name, std::wstring_view text, DWORD type)
{
    if (!IsEditableType(type))
        return false;
    if (!ValueTextProblem(text, type).empty())
    {
        // A number that is no number, or does not fit, is never written as 0.
        LastError = ERROR_INVALID_DATA;
        return false;
    }
    if (!Open(KEY_SET_VALUE) || !Key)
        return false;
    std::vector<BYTE> data = ValueDataFromText(text, type);
    LastError = RegSetValueExW(Key, name, 0, type, data.empty() ? nullptr : data.data(),
                               static_cast<DWORD>(data.size()));
    return LastError == ERROR_SUCCESS;
}
