// Web search queries.
#include "app/WebSearch.h"

#include "base/Strings.h"

const wchar_t kWebSearchEndpoint[] = L"https://www.google.com/search?q=";

namespace
{
// Marks a word break until the encoding is done, so that a "+" inside a name
// is encoded like any other character while the breaks become "+".
const wchar_t kBreak = L'\xE000';
} // namespace

std::wstring WebSearchItemText(std::wstring_view keyPath, std::wstring_view second)
{
    std::wstring text = L"HKEY_" + zv::TrimSpaces(keyPath);
    std::wstring rest = zv::TrimSpaces(second);
    if (!rest.empty())
        text += kBreak + rest;
    return text;
}

std::wstring PercentEncodeQuery(std::wstring_view text)
{
    std::string utf8 = zv::ToUtf8(text);
    static const char hex[] = "0123456789ABCDEF";
    std::wstring out;
    for (unsigned char c : utf8)
    {
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.' || c == '~';
        if (keep)
        {
            out += static_cast<wchar_t>(c);
        }
        else
        {
            out += L'%';
            out += static_cast<wchar_t>(hex[c >> 4]);
            out += static_cast<wchar_t>(hex[c & 15]);
        }
    }
    return out;
}

std::wstring WebSearchQuery(std::wstring_view text)
{
    std::wstring query = zv::TrimSpaces(text);
    query = zv::ReplaceAll(query, L"  ", L" ");
    const std::wstring breakText(1, kBreak);
    query = zv::ReplaceAll(query, L" -", breakText);
    query = zv::ReplaceAll(query, L" ", breakText);
    query = zv::ReplaceAll(query, L"\t", breakText);
    // Everything with a meaning in a query ("&", "#", "%", "+", "=") is
    // encoded, so the whole name reaches the search; the breaks become "+".
    std::wstring encoded;
    size_t start = 0;
    for (;;)
    {
        size_t hit = query.find(kBreak, start);
        encoded += PercentEncodeQuery(
            std::wstring_view(query).substr(start, hit == std::wstring::npos ? hit : hit - start));
        if (hit == std::wstring::npos)
            break;
        encoded += L'+';
        start = hit + 1;
    }
    return encoded;
}
