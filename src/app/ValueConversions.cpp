// The Edit Value dialog's text conversions.
#include "app/ValueConversions.h"

#include "base/Strings.h"
#include "resource.h"
#include "registry/ValueText.h"

#include <cstring>
#include <ctime>
#include <cwchar>

namespace
{
enum class Kind
{
    String, // REG_SZ, REG_EXPAND_SZ
    Dword,
    Qword,
    Bytes, // REG_BINARY, REG_NONE
    Multi,
    Other,
};

Kind KindOf(DWORD type) noexcept
{
    switch (type)
    {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return Kind::String;
    case REG_DWORD:
        return Kind::Dword;
    case REG_QWORD:
        return Kind::Qword;
    case REG_BINARY:
    case REG_NONE:
        return Kind::Bytes;
    case REG_MULTI_SZ:
        return Kind::Multi;
    default:
        return Kind::Other;
    }
}

bool HasHexDigit(const std::wstring& text)
{
    for (wchar_t c : text)
        if (iswxdigit(c))
            return true;
    return false;
}

std::wstring BytesAsEscapedText(const std::wstring& hex)
{
    std::vector<BYTE> bytes = HexTextToBytes(hex);
    return BytesToEscapedText(bytes.data(), bytes.size());
}

std::wstring EscapedTextAsBytes(const std::wstring& text)
{
    std::vector<BYTE> bytes = EscapedTextToBytes(text);
    return BytesToHex(bytes.data(), bytes.size(), L' ');
}
} // namespace

int DialogTypeIndex(DWORD type) noexcept
{
    for (int i = 0; i < kDialogTypeCount; ++i)
        if (kDialogTypes[i] == type)
            return i;
    return -1;
}

DataTexts ConvertForType(DWORD oldType, DWORD newType, DataTexts texts)
{
    Kind from = KindOf(oldType), to = KindOf(newType);
    bool scalarFrom = from == Kind::String || from == Kind::Dword || from == Kind::Qword;
    bool scalarTo = to == Kind::String || to == Kind::Dword || to == Kind::Qword;
    if (scalarFrom && to == Kind::Multi)
        texts.multi = texts.single;
    else if (from == Kind::Multi && scalarTo)
        texts.single = texts.multi;
    else if (from == Kind::Bytes && to == Kind::Dword)
        HexToDwordText(texts.single);
    else if (from == Kind::Bytes && to == Kind::Qword)
        HexToQwordText(texts.single);
    else if (from == Kind::String && to == Kind::Bytes)
        texts.single = EscapedTextAsBytes(texts.single);
    else if (from == Kind::Bytes && to == Kind::String && HasHexDigit(texts.single))
        texts.single = BytesAsEscapedText(texts.single);
    else if (from == Kind::Bytes && to == Kind::Multi && HasHexDigit(texts.single))
        texts.multi = BytesAsEscapedText(texts.single);
    else if (from == Kind::Multi && to == Kind::Bytes)
        texts.single = EscapedTextAsBytes(texts.multi);
    else if (from == Kind::Dword && to == Kind::Bytes)
        DwordTextToHex(texts.single);
    else if (from == Kind::Qword && to == Kind::Bytes)
        QwordTextToHex(texts.single);
    return texts;
}

std::optional<std::wstring> TypeChangeLoss(DWORD oldType, DWORD newType, const DataTexts& texts)
{
    auto bytesOf = [](DWORD type, const DataTexts& t) {
        return ValueDataFromText(type == REG_MULTI_SZ ? t.multi : t.single, type);
    };
    // A text that is no data of its type (a number that is none) has no
    // bytes to lose: OK refuses it anyway.
    const std::wstring& before = oldType == REG_MULTI_SZ ? texts.multi : texts.single;
    if (!ValueTextProblem(before, oldType).empty())
        return std::nullopt;
    DataTexts converted = ConvertForType(oldType, newType, texts);
    DataTexts back = ConvertForType(newType, oldType, converted);
    std::vector<BYTE> original = bytesOf(oldType, texts);
    if (bytesOf(oldType, back) == original)
        return std::nullopt;
    std::wstring to = TypeName(newType);
    Kind from = KindOf(oldType), target = KindOf(newType);
    size_t width = target == Kind::Dword ? 4 : 8;
    if (from == Kind::Bytes && (target == Kind::Dword || target == Kind::Qword) && original.size() > width)
        return zv::Format(L"%s keeps only the first %zu of the %zu bytes.", to.c_str(), width,
                          original.size());
    return L"As " + to + L" the data cannot stay as it is: part of it would change or be lost.";
}

bool DropsEmptyLines(const std::wstring& multiText)
{
    const std::wstring_view separator(kMultiStringSeparator);
    std::wstring_view text(multiText);
    // A last line break ends the last string; it drops nothing.
    if (text.size() >= separator.size() && text.substr(text.size() - separator.size()) == separator)
        text.remove_suffix(separator.size());
    if (text.empty())
        return false;
    size_t pos = 0;
    for (;;)
    {
        size_t hit = text.find(separator, pos);
        if (hit == std::wstring_view::npos)
            return false;
        if (hit == pos)
            return true; // an empty line before this separator
        pos = hit + separator.size();
        if (pos == text.size())
            return false;
    }
}

std::wstring DwordInBase(DWORD value, bool hex)
{
    return zv::Format(hex ? L"0x%08lx" : L"%u", value);
}

std::wstring QwordInBase(ULONGLONG value, bool hex)
{
    return zv::Format(hex ? L"0x%016llx" : L"%llu", value);
}

ULONGLONG ReadQwordInBase(const std::wstring& text, bool hex)
{
    std::wstring_view digits = text;
    while (!digits.empty() && zv::IsSpace(digits.front()))
        digits.remove_prefix(1);
    if (hex && digits.size() >= 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X'))
        digits.remove_prefix(2);
    ULONGLONG value = 0;
    const unsigned base = hex ? 16 : 10;
    for (wchar_t c : digits)
    {
        int digitValue = zv::HexDigitValue(c);
        if (digitValue < 0 || static_cast<unsigned>(digitValue) >= base)
            break;
        unsigned digit = static_cast<unsigned>(digitValue);
        if (value > (~0ull - digit) / base)
            return ~0ull;
        value = value * base + digit;
    }
    return value;
}

DWORD ReadDwordInBase(const std::wstring& text, bool hex)
{
    // The same reading, held at the largest DWORD as the QWORD one is held at its own.
    ULONGLONG value = ReadQwordInBase(text, hex);
    return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(value);
}

DWORD SpinStep(DWORD value, int delta) noexcept
{
    if (value == 0xFFFFFFFFu)
        return delta <= 0 ? value + static_cast<DWORD>(delta) : 0;
    if (value != 0 || delta >= 0)
        return value + static_cast<DWORD>(delta);
    return 0xFFFFFFFFu;
}

std::wstring ExpandsToLine(const std::wstring& text)
{
    return zv::Format(zv::LoadResString(IDS_EXPANDS_TO).c_str(), ExpandEnvironment(text).c_str());
}

std::optional<std::wstring> DateTimeReading(const std::wstring& hexText)
{
    // Eight bytes written with separators: 23 to 25 characters.
    if ((hexText.size() + 1) / 3 != 8)
        return std::nullopt;
    BYTE bytes[8] = {};
    DWORD size = 8;
    HexTextToBytes(hexText, bytes, size);
    FILETIME utc;
    std::memcpy(&utc, bytes, sizeof(utc));
    SYSTEMTIME universal, local;
    // One conversion to local time: the system time of the count, then the
    // time zone's rules for that date.
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return std::nullopt;
    if (local.wYear < 1900)
    {
        // Before 1900 the long form has no year to show: the start of 1970.
        local = {};
        local.wYear = 1970;
        local.wMonth = 1;
        local.wDay = 1;
        local.wDayOfWeek = 4;
    }
    std::tm tm = {};
    tm.tm_year = local.wYear - 1900;
    tm.tm_mon = local.wMonth - 1;
    tm.tm_mday = local.wDay;
    tm.tm_hour = local.wHour;
    tm.tm_min = local.wMinute;
    tm.tm_sec = local.wSecond;
    tm.tm_wday = local.wDayOfWeek;
    tm.tm_isdst = -1;
    wchar_t text[128] = {};
    if (!wcsftime(text, std::size(text), L"%#c", &tm))
        return std::nullopt;
    return std::wstring(text);
}

std::wstring TextForWriting(const std::wstring& text, DWORD type, bool hex)
{
    if ((type == REG_DWORD || type == REG_QWORD) && hex)
    {
        bool prefixed = text.size() > 1 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
        if (!prefixed)
            return L"0x" + text;
    }
    return text;
}
