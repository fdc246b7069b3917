// String helpers shared by every layer of the program.
#include "base/Strings.h"

#include <windows.h>
#include <cstdarg>
#include <cwchar>
#include <cwctype>

namespace zv
{

std::wstring FormatV(const wchar_t* format, va_list args)
{
    va_list probe;
    va_copy(probe, args);
    // The underscore forms are the platform's own printf, whatever the C++
    // runtime's stdio mode: %s takes wide text, %I64u a 64-bit number.
    int length = _vscwprintf(format, probe);
    va_end(probe);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    _vsnwprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    return text;
}

// Lower-cases one character by the platform's Unicode tables, independent of
// the C library's locale; ASCII takes the short way.
// The registry's rule for names that are one: both in upper case are equal.
// Every comparison of names ignoring case uses it (and ToUpper the same
// function), so that no two rules can disagree on a letter.
static wchar_t FoldCase(wchar_t c) noexcept
{
    if (c < 0x80)
        return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

// The order of lower case, as the C library's _wcsicmp sorts ("_" before
// the letters); only for ordering.
static wchar_t OrderCase(wchar_t c) noexcept
{
    if (c < 0x80)
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) noexcept
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int CompareNoCase(std::wstring_view a, std::wstring_view b) noexcept
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i)
    {
        if (FoldCase(a[i]) == FoldCase(b[i]))
            continue;
        // Different names: ordered as lower case, and never equal.
        wchar_t x = OrderCase(a[i]), y = OrderCase(b[i]);
        if (x == y)
            x = FoldCase(a[i]), y = FoldCase(b[i]);
        return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::wstring ToUpper(std::wstring_view text)
{
    std::wstring upper;
    upper.reserve(text.size());
    for (wchar_t c : text)
        upper += FoldCase(c);
    return upper;
}

int HexDigitValue(wchar_t c) noexcept
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

bool IsSpace(wchar_t c) noexcept
{
    return std::iswspace(static_cast<wint_t>(c)) != 0;
}

std::wstring TrimSpaces(std::wstring_view text)
{
    size_t begin = 0, end = text.size();
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    return std::wstring(text.substr(begin, end - begin));
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to)
{
    if (from.empty())
        return std::wstring(text);
    std::wstring out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;)
    {
        size_t hit = text.find(from, pos);
        if (hit == std::wstring_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string ToUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring LoadResString(unsigned id)
{
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource.
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text)
        return {};
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring Counted(unsigned long long count, const wchar_t* one, const wchar_t* many)
{
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

} // namespace zv
