// The rows of the list panes, kept by the pane itself: the list control runs
// in virtual mode and asks for what it draws, so filling, sorting and link
// tests cost what the rows cost, not a control message per cell.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

struct ListRow
{
    // Link icon not worked out yet: the link tests run for rows that are drawn.
    static constexpr int kLinkUnknown = -2;

    std::wstring name;
    std::wstring location; // the search pane's Location cell
    std::wstring data;
    DWORD type = 0;
    LPARAM itemData = 0; // the row kind in the high half
    int image = 0;       // the Name cell's icon
    int linkIcon = -1;   // the Data cell's icon, or kLinkUnknown
    bool hasType = false;
    bool cut = false;
};

// A cell's text as the list draws it: a line break (the strings of a
// multi-string, a name holding one) shows as a visible mark instead of boxes.
std::wstring CellDisplayText(std::wstring text);
extern const wchar_t kCellLineBreakMark[]; // " \u00a6 "

// Sorting by a column's text: case-insensitive, stable, either direction.
// Returns the new order as old row indexes (order[newIndex] = oldIndex).
std::vector<size_t> SortedOrder(const std::vector<std::wstring>& texts, bool ascending);
