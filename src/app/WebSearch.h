// The query text of the web searches for keys, values and data.
#pragma once

#include <string>
#include <string_view>

extern const wchar_t kWebSearchEndpoint[]; // the address the query follows ("...?q=")

// The query for a key path and an optional second text (a value name).
std::wstring WebSearchItemText(std::wstring_view keyPath, std::wstring_view second);
// The query as it goes after "q=": spaces and dashes turned into "+" and
// every other character a URL query may not carry percent-encoded.
std::wstring WebSearchQuery(std::wstring_view text);
// Percent-encodes text as UTF-8, leaving only the unreserved characters.
std::wstring PercentEncodeQuery(std::wstring_view text);
