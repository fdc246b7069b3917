// CTreeCtrl: a thin wrapper over a tree control's window handle, so that
// views ask for an item's text, data, state and relatives in one call instead
// of filling TVITEM structures by hand. It owns nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>

class CTreeCtrl
{
  public:
    explicit CTreeCtrl(HWND tree = nullptr) noexcept : m_tree(tree) {}
    HWND Window() const noexcept { return m_tree; }

    // Relatives; a null item stands for the invisible root above the top items.
    HTREEITEM GetChildItem(HTREEITEM item) const noexcept
    {
        return Next(item ? TVGN_CHILD : TVGN_ROOT, item);
    }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const noexcept
    {
        return item ? Next(TVGN_NEXT, item) : nullptr;
    }
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const noexcept
    {
        return item ? Next(TVGN_PREVIOUS, item) : nullptr;
    }
    HTREEITEM GetParentItem(HTREEITEM item) const noexcept
    {
        return item ? Next(TVGN_PARENT, item) : nullptr;
    }
    HTREEITEM GetSelectedItem() const noexcept { return Next(TVGN_CARET, nullptr); }
    HTREEITEM GetDropHilightItem() const noexcept { return Next(TVGN_DROPHILITE, nullptr); }

    std::wstring GetItemText(HTREEITEM item) const
    {
        // Key names are at most 255 characters; a little more leaves room for
        // a label the control holds longer than that.
        wchar_t text[520] = {};
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = static_cast<int>(std::size(text));
        if (!item || !Get(tv))
            return {};
        return text;
    }
    bool SetItemText(HTREEITEM item, const std::wstring& text) const noexcept
    {
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = const_cast<wchar_t*>(text.c_str());
        return Set(tv);
    }
    LPARAM GetItemData(HTREEITEM item) const noexcept
    {
        TVITEMW tv = {};
        tv.mask = TVIF_PARAM | TVIF_HANDLE;
        tv.hItem = item;
        return item && Get(tv) ? tv.lParam : 0;
    }
    bool SetItemData(HTREEITEM item, LPARAM data) const noexcept
    {
        TVITEMW tv = {};
        tv.mask = TVIF_PARAM | TVIF_HANDLE;
        tv.hItem = item;
        tv.lParam = data;
        return Set(tv);
    }
    UINT GetItemState(HTREEITEM item, UINT mask) const noexcept
    {
        return item ? static_cast<UINT>(
                          ::SendMessageW(m_tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask) &
                          mask)
                    : 0;
    }
    bool SetItemState(HTREEITEM item, UINT state, UINT mask) const noexcept
    {
        TVITEMW tv = {};
        tv.mask = TVIF_STATE | TVIF_HANDLE;
        tv.hItem = item;
        tv.state = state;
        tv.stateMask = mask;
        return Set(tv);
    }
    int GetOverlay(HTREEITEM item) const noexcept
    {
        return static_cast<int>(GetItemState(item, TVIS_OVERLAYMASK) >> 8);
    }
    bool SetOverlay(HTREEITEM item, int overlay) const noexcept
    {
        return SetItemState(item, INDEXTOOVERLAYMASK(overlay), TVIS_OVERLAYMASK);
    }
    // The children button as stored (I_CHILDRENCALLBACK for an item that asks).
    int GetChildrenFlag(HTREEITEM item) const noexcept
    {
        TVITEMW tv = {};
        tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
        tv.hItem = item;
        return item && Get(tv) ? tv.cChildren : 0;
    }
    bool SetChildrenFlag(HTREEITEM item, int children) const noexcept
    {
        TVITEMW tv = {};
        tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
        tv.hItem = item;
        tv.cChildren = children;
        return Set(tv);
    }

    HTREEITEM InsertItem(TVINSERTSTRUCTW& insert) const noexcept
    {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageW(m_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    bool DeleteItem(HTREEITEM item) const noexcept
    {
        return ::SendMessageW(m_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool Expand(HTREEITEM item, UINT action) const noexcept
    {
        return ::SendMessageW(m_tree, TVM_EXPAND, action, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool SelectItem(HTREEITEM item) const noexcept
    {
        return ::SendMessageW(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool SelectDropTarget(HTREEITEM item) const noexcept
    {
        return ::SendMessageW(m_tree, TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool EnsureVisible(HTREEITEM item) const noexcept
    {
        return ::SendMessageW(m_tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool SortChildren(HTREEITEM item) const noexcept
    {
        return ::SendMessageW(m_tree, TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(item)) != 0;
    }
    HWND GetEditControl() const noexcept { return TreeView_GetEditControl(m_tree); }
    UINT GetCount() const noexcept { return static_cast<UINT>(::SendMessageW(m_tree, TVM_GETCOUNT, 0, 0)); }
    void SetRedraw(bool on) const noexcept { ::SendMessageW(m_tree, WM_SETREDRAW, on ? TRUE : FALSE, 0); }

  private:
    HTREEITEM Next(UINT relation, HTREEITEM item) const noexcept
    {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageW(m_tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }
    bool Get(TVITEMW& tv) const noexcept
    {
        return ::SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
    }
    bool Set(TVITEMW& tv) const noexcept
    {
        return tv.hItem && ::SendMessageW(m_tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
    }

    HWND m_tree;
};
