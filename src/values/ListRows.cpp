// Sorting the list panes' rows.
#include "values/ListRows.h"

#include "base/Strings.h"

#include <algorithm>
#include <numeric>

std::vector<size_t> SortedOrder(const std::vector<std::wstring>& texts, bool ascending)
{
    std::vector<size_t> order(texts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int result = zv::CompareNoCase(texts[a], texts[b]);
        return ascending ? result < 0 : result > 0;
    });
    return order;
}

const wchar_t kCellLineBreakMark[] = L" \u00a6 ";

std::wstring CellDisplayText(std::wstring text)
{
    if (text.find_first_of(L"\r\n") == std::wstring::npos)
        return text;
    std::wstring shown;
    shown.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i)
    {
        wchar_t c = text[i];
        if (c != L'\r' && c != L'\n')
        {
            shown += c;
            continue;
        }
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            ++i; // CR LF is one break
        shown += kCellLineBreakMark;
    }
    return shown;
}
