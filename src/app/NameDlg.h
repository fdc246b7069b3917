// CNameDlg: "Add Bookmark" - the bookmark's name and the folder it goes in,
// with folders made and renamed in place.
#pragma once

#include "app/framework/Dialog.h"
#include "operations/BookmarkStore.h"

#include <commctrl.h>
#include <string>
#include <vector>

class CRegItemList;

class CNameDlg : public CDialog
{
  public:
    explicit CNameDlg(HWND parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;

    // Adds the folders below keyPath as children of parent, recursively.
    void FillFolderTree(HTREEITEM parent, const std::wstring& keyPath, int depth = 0);

    std::wstring BookmarkName;
    // A registry path, or a key path, a tab and a value name.
    std::wstring Location;
    HTREEITEM RootItem = nullptr;
    // Where bookmarks are stored (tests use a key of their own).
    std::wstring BookmarksKey = kBookmarksKey;

    BEGIN_MSG_MAP(CNameDlg)
        MESSAGE_HANDLER(WM_COMMAND, OnCommandMessage)
        MESSAGE_HANDLER(WM_NOTIFY, OnNotifyMessage)
        CHAIN_MSG_MAP(CDialog)
    END_MSG_MAP()

  private:
    LRESULT OnCommandMessage(UINT, WPARAM wParam, LPARAM, bool& handled);
    LRESULT OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled);
    void AddFolder();
    bool RenameFolder(HTREEITEM item, const wchar_t* newText);
    // The folder names from below the root down to item.
    std::vector<std::wstring> FolderChain(HTREEITEM item) const;
    std::wstring ItemText(HTREEITEM item) const;
    HWND Tree() const;
};

// Shows the Add Bookmark dialog for each item of the list in turn (its full
// location), one dialog object for all, until one is not closed with OK.
// Returns how many were stored.
int BookmarkEach(CRegItemList& items, HWND parent);
