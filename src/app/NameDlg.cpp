// The Add Bookmark dialog.
#include "app/NameDlg.h"

#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "operations/BookmarkStore.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"
#include "app/RegItemList.h"

#include "resource.h"

#include <memory>

CNameDlg::CNameDlg(HWND parent) : CDialog(IDD_ADD_BOOKMARK, parent) {}

HWND CNameDlg::Tree() const
{
    return GetDlgItem(IDC_BOOKMARK_FOLDERS);
}

std::wstring CNameDlg::ItemText(HTREEITEM item) const
{
    wchar_t text[512] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = static_cast<int>(std::size(text));
    TreeView_GetItem(Tree(), &tv);
    return text;
}

bool CNameDlg::OnInitDialog()
{
    if (BookmarkName.empty())
        BookmarkName = ProposedBookmarkName(Location);
    CDialog::OnInitDialog();
    ::SetDlgItemTextW(m_hWnd, IDC_BOOKMARK_LOCATION, Location.c_str());
    HWND tree = Tree();
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(L"Bookmarks");
    RootItem = TreeView_InsertItem(tree, &insert);
    FillFolderTree(RootItem, BookmarksKey);
    TreeView_SelectItem(tree, RootItem);
    TreeView_Expand(tree, RootItem, TVE_EXPAND);
    return true;
}

void CNameDlg::FillFolderTree(HTREEITEM parent, const std::wstring& keyPath, int depth)
{
    // Deeper than the menu shows is not offered (and a link loop ends).
    if (depth >= kMaxBookmarkDepth)
        return;
    std::vector<std::wstring> folders;
    {
        // On the heap: a reader's buffers are large, and folders nest.
        auto key = std::make_unique<CEzReg>(keyPath);
        if (key->FirstSubKey())
            do
                folders.emplace_back(key->SubKeyName);
            while (key->NextSubKey());
    }
    for (const std::wstring& folder : folders)
    {
        TVINSERTSTRUCTW insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<wchar_t*>(folder.c_str());
        HTREEITEM item = TreeView_InsertItem(Tree(), &insert);
        FillFolderTree(item, zv::Format(L"%s\\%s", keyPath.c_str(), folder.c_str()), depth + 1);
    }
}

void CNameDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_BOOKMARK_NAME, BookmarkName);
}

std::vector<std::wstring> CNameDlg::FolderChain(HTREEITEM item) const
{
    std::vector<std::wstring> chain;
    for (HTREEITEM at = item; at && at != RootItem; at = TreeView_GetParent(Tree(), at))
        chain.insert(chain.begin(), ItemText(at));
    return chain;
}

LRESULT CNameDlg::OnCommandMessage(UINT, WPARAM wParam, LPARAM, bool& handled)
{
    if (LOWORD(wParam) == IDC_BOOKMARK_ADD_FOLDER && HIWORD(wParam) == BN_CLICKED)
    {
        AddFolder();
        return 0;
    }
    handled = false;
    return 0;
}

void CNameDlg::AddFolder()
{
    CEzReg bookmarks(BookmarksKey);
    std::wstring created;
    if (!bookmarks.CreateKey() || !CreateUniqueSubkey(bookmarks, L"More Bookmarks", created))
    {
        AfxMessageBox(IDS_BOOKMARK_FAILED, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    HWND tree = Tree();
    TVINSERTSTRUCTW insert = {};
    insert.hParent = RootItem;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(created.c_str());
    HTREEITEM item = TreeView_InsertItem(tree, &insert);
    TreeView_SelectItem(tree, item);
    ::SetFocus(tree);
    TreeView_EditLabel(tree, item);
}

bool CNameDlg::RenameFolder(HTREEITEM item, const wchar_t* newText)
{
    if (!newText || !*newText || item == RootItem)
        return false;
    std::wstring oldName = ItemText(item);
    if (oldName == newText || !KeyNameProblem(newText).empty())
        return false;
    std::vector<std::wstring> chain = FolderChain(TreeView_GetParent(Tree(), item));
    CEzReg parent(BookmarkFolderKey(chain, BookmarksKey));
    return RenameSubkey(parent, oldName, newText);
}

LRESULT CNameDlg::OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->idFrom != IDC_BOOKMARK_FOLDERS)
    {
        handled = false;
        return 0;
    }
    if (header->code == TVN_BEGINLABELEDITW)
    {
        // "Bookmarks" stands for the bookmark key itself: nothing to rename.
        auto* info = reinterpret_cast<NMTVDISPINFOW*>(lParam);
        return info->item.hItem == RootItem ? TRUE : FALSE;
    }
    if (header->code == TVN_ENDLABELEDITW)
    {
        auto* info = reinterpret_cast<NMTVDISPINFOW*>(lParam);
        return RenameFolder(info->item.hItem, info->item.pszText) ? TRUE : FALSE;
    }
    handled = false;
    return 0;
}

void CNameDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    // A bookmark without a name would be the folder's default value, which
    // the menu never shows: the user is asked for one instead.
    if (BookmarkName.empty())
    {
        AfxMessageBox(IDS_BOOKMARK_NAME_NEEDED, MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(GetDlgItem(IDC_BOOKMARK_NAME));
        return;
    }
    HTREEITEM selected = TreeView_GetSelection(Tree());
    std::wstring folder = BookmarkFolderKey(FolderChain(selected ? selected : RootItem), BookmarksKey);
    std::wstring stored;
    if (StoreBookmark(folder, BookmarkName, Location, &stored) != BookmarkStoreResult::Stored)
    {
        // Also a failed final write: the bookmark is not there, so say so.
        AfxMessageBox(IDS_BOOKMARK_FAILED, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EndDialog(IDOK);
}

int BookmarkEach(CRegItemList& items, HWND parent)
{
    CNameDlg dialog(parent);
    int stored = 0;
    for (int i = 0; i < items.GetCount(); ++i)
    {
        dialog.Location = items.FullText(i);
        if (dialog.DoModal() != IDOK)
            break;
        ++stored;
    }
    return stored;
}
