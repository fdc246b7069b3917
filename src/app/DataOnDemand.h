// Dragging an item list: CDataOnDemand offers the list ("QuoltRegItemList"),
// its registry text, and for the shell a registry shortcut file of the
// first item ("Shell IDList Array" and CF_HDROP), each made only when a drop
// target asks for it. The shortcut files go in the temporary folder and are
// removed when the program ends.
#pragma once

#include "app/framework/OleDataSource.h"
#include "base/ComObject.h"

#include <string>

class CRegItemList;

class CDataOnDemand : public COleDataSource
{
  public:
    explicit CDataOnDemand(CRegItemList* list) : List(list) {}

    bool OnRenderData(const FORMATETC& format, STGMEDIUM& medium) override;
    bool OnRenderGlobalData(const FORMATETC& format, HGLOBAL& memory) override;

    // The shell's data object for the shortcut file, made on the first shell request.
    zv::com_ptr<IDataObject> ShellData;
    CRegItemList* List; // not owned
    // The folder the shortcut goes in (the temporary folder unless a test says otherwise).
    std::wstring Folder;
    // Set once writing the shortcut failed: the shell formats are refused
    // from then on, so no older file of the same name is handed out.
    bool ShortcutFailed = false;

  private:
    bool RenderShell(const FORMATETC& format, STGMEDIUM& medium);
    bool MakeShellData();
};

// Runs the drag loop for list with the allowed effects; the effect the
// target chose (DROPEFFECT_NONE when dropped nowhere or cancelled).
DWORD DragItems(CRegItemList& list, DWORD effects);

// The shortcut file name for the list's first item, ".s2r" included, at most
// maxLength characters; empty when not even ".s2r" fits.
std::wstring DragShortcutName(CRegItemList& list, size_t maxLength);
// Writes a registry shortcut file holding location; false when it could not
// be written completely (a partial file is removed).
bool WriteDragShortcut(const std::wstring& path, const std::wstring& location);
// Removes the shortcut files this process wrote that still hold what it wrote.
void RemoveDragShortcuts();
