// CListCtrl: a thin wrapper over a list control's window handle, so that
// views read and write a row's cells, data and state in one call instead of
// filling LVITEM structures by hand. It owns nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>

class CListCtrl
{
  public:
    explicit CListCtrl(HWND list = nullptr) noexcept : m_list(list) {}
    HWND Window() const noexcept { return m_list; }

    int GetItemCount() const noexcept { return m_list ? ListView_GetItemCount(m_list) : 0; }
    // Any length: the buffer grows until the text fits.
    std::wstring GetItemText(int row, int column) const
    {
        std::wstring text(260, L'\0');
        for (;;)
        {
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = text.data();
            item.cchTextMax = static_cast<int>(text.size());
            int n = static_cast<int>(
                ::SendMessageW(m_list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
            if (n < static_cast<int>(text.size()) - 1 || text.size() > (1u << 24))
            {
                text.resize(static_cast<size_t>(n > 0 ? n : 0));
                return text;
            }
            text.resize(text.size() * 4);
        }
    }
    bool SetItemText(int row, int column, const std::wstring& text) const noexcept
    {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        return ::SendMessageW(m_list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    // Text and image of one cell.
    bool SetCell(int row, int column, const std::wstring& text, int image) const noexcept
    {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        item.iImage = image;
        return ::SendMessageW(m_list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    int GetItemImage(int row, int column) const noexcept
    {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = column;
        item.iImage = -1;
        return ListView_GetItem(m_list, &item) ? item.iImage : -1;
    }
    LPARAM GetItemData(int row) const noexcept
    {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        return ListView_GetItem(m_list, &item) ? item.lParam : 0;
    }
    bool SetItemData(int row, LPARAM data) const noexcept
    {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = data;
        return ListView_SetItem(m_list, &item) != FALSE;
    }
    UINT GetItemState(int row, UINT mask) const noexcept { return ListView_GetItemState(m_list, row, mask); }
    // row -1: every row.
    void SetItemState(int row, UINT state, UINT mask) const noexcept
    {
        ListView_SetItemState(m_list, row, state, mask);
    }
    int GetNextItem(int after, UINT flags) const noexcept
    {
        return ListView_GetNextItem(m_list, after, flags);
    }
    int InsertItem(const LVITEMW& item) const noexcept
    {
        return static_cast<int>(::SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    bool DeleteItem(int row) const noexcept { return ListView_DeleteItem(m_list, row) != FALSE; }
    bool DeleteAllItems() const noexcept { return ListView_DeleteAllItems(m_list) != FALSE; }
    bool EnsureVisible(int row) const noexcept { return ListView_EnsureVisible(m_list, row, TRUE) != FALSE; }
    int GetTopIndex() const noexcept { return ListView_GetTopIndex(m_list); }
    HWND GetHeader() const noexcept { return ListView_GetHeader(m_list); }
    int GetColumnCount() const noexcept
    {
        HWND header = GetHeader();
        return header ? Header_GetItemCount(header) : 0;
    }
    void SetRedraw(bool on) const noexcept { ::SendMessageW(m_list, WM_SETREDRAW, on ? TRUE : FALSE, 0); }

  private:
    HWND m_list;
};
