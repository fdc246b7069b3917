// Key tree: copy, cut and paste of keys, Copy Values, and the cut mark that
// follows the clipboard's move list.
#include "tree/LeftView.h"

#include "app/CopyAsText.h"
#include "base/ClipboardText.h"

#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/Strings.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "app/RegItemList.h"

void CLeftView::CopyKey(bool cut)
{
    if (m_labelEditing)
    {
        if (HWND edit = Ctrl().GetEditControl())
            ::SendMessageW(edit, cut ? WM_CUT : WM_COPY, 0, 0);
        return;
    }
    HTREEITEM selected = Selected();
    if (!selected || (cut && IsRootItem(selected)))
        return;
    ClearCutMark(true);
    CRegItemList list;
    list.SetMove(cut);
    list.AddKeyPath(GetItemPath(selected));
    if (!list.CopyToClipboard() || !cut)
        return;
    if (Ctrl().SetItemState(selected, TVIS_CUT, TVIS_CUT))
        CutItem = selected;
    m_clipboardSequence = GetClipboardSequenceNumber();
}

void CLeftView::PasteIntoSelectedKey()
{
    if (m_labelEditing)
    {
        if (HWND edit = Ctrl().GetEditControl())
            ::SendMessageW(edit, WM_PASTE, 0, 0);
        return;
    }
    HTREEITEM selected = Selected();
    CNavroDoc* doc = GetDocument();
    if (!selected || !doc)
        return;
    CRegItemList list;
    if (!list.ReadFromClipboard())
    {
        doc->PasteRegistryScript();
        return;
    }
    // The same flow as a drop: the move flag, the checks against pasting a
    // key into itself, and the question.
    std::wstring destination = GetItemPath(selected);
    if (!doc->TransferItems(list, destination, list.IsMove, true))
        return;
    RefreshItem(selected);
    if (list.IsMove)
    {
        VerifyCutItem();
        RemoveMovedItems(list);
    }
    if (zv::EqualsNoCase(destination, doc->GetCurrentPath()))
        doc->UpdateAllViews(nullptr, kHintValuesChanged, nullptr);
}

void CLeftView::RemoveMovedItems(CRegItemList& list)
{
    for (int i = 0; i < list.GetCount(); ++i)
    {
        if (!list.IsKeyItem(i))
            continue;
        const std::wstring& path = list.FullText(i);
        if (KeyExists(path))
            continue;
        if (HTREEITEM item = FindItemByPath(path, nullptr))
            DeleteKeyItem(item, true);
    }
}

void CLeftView::OnUpdatePaste(CCmdUI* ui)
{
    if (m_labelEditing)
    {
        ui->Enable(IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT) ||
                   IsClipboardFormatAvailable(CF_OEMTEXT));
        return;
    }
    FollowClipboardCutMark();
    ui->Enable(Selected() &&
               (CRegItemList::ClipboardHasItemList() || CNavroDoc::ClipboardHoldsRegistryScript()));
}

void CLeftView::FollowClipboardCutMark()
{
    // The clipboard is read only when it changed: this runs on every idle tick.
    DWORD sequence = GetClipboardSequenceNumber();
    if (sequence == m_clipboardSequence && sequence != 0)
        return;
    m_clipboardSequence = sequence;
    CRegItemList list;
    bool hasList = CRegItemList::ClipboardHasItemList() && list.ReadFromClipboard(1) && list.GetCount() > 0;
    // The key the clipboard's move list names, by its own full path (a key
    // item's Paths entry is its parent); a list of values marks no key.
    std::wstring cutPath;
    if (hasList && list.IsMove && list.IsKeyItem(0))
        cutPath = list.FullText(0);
    if (CutItem && (cutPath.empty() || !zv::EqualsNoCase(GetItemPath(CutItem), cutPath)))
        ClearCutMark(true);
    if (!cutPath.empty() && !CutItem)
        if (HTREEITEM item = FindItemByPath(cutPath, nullptr))
            if (Ctrl().SetItemState(item, TVIS_CUT, TVIS_CUT))
                CutItem = item;
}

void CLeftView::CopyValues()
{
    HTREEITEM selected = Selected();
    if (!selected)
        return;
    std::wstring path = GetItemPath(selected);
    CRegItemList list;
    CEzReg key(path);
    for (bool more = key.FirstValue(); more; more = key.NextValue())
        list.Add(path, key.ValueName, 1);
    // Copied even when the key has no values: the clipboard then says so.
    list.CopyToClipboard();
}

void CLeftView::CopySelectedAsText(UINT command)
{
    HTREEITEM selected = Selected();
    if (!selected)
        return;
    if (command == ID_COPY_KEY_NAME)
    {
        PutTextOnClipboard(ItemText(selected));
        return;
    }
    PutTextOnClipboard(SpellPath(GetItemPath(selected), PathSpellingOf(command)));
}
