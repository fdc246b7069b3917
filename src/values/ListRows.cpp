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
