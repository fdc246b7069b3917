// CNavroDoc: the one document. It holds the current location and the
// navigation history, keeps the window title, and owns the key-level
// commands that belong to no single pane. Views follow it through hints;
// a view that wants another location calls GoTo.
#pragma once

#include "app/RecentStrings.h"
#include "app/framework/Document.h"
#include "operations/ChangeJournal.h"
#include "operations/RegScriptReader.h"

#include "resource.h"

#include <functional>
#include <memory>
#include <objidl.h>
#include <string>
#include <utility>

class CRegItemList;
class IFrameServices;

// The question before Take Ownership changes a key and its subKeys sub-keys.
std::wstring TakeOwnershipQuestion(const std::wstring& path, DWORD subKeys);

class CNavroDoc : public CDocument
{
  public:
    CNavroDoc();
    ~CNavroDoc() override;

    const std::wstring& GetCurrentPath() const noexcept { return CurrentPath; }
    // Goes to target (null: re-validates the current location); false when
    // the target names no key.
    bool GoTo(CView* sender, const wchar_t* target, bool addToHistory);
    bool CanGo(bool forward) const;
    void GoBack();
    void GoForward();
    void KeyRenamed(CView* sender, const std::wstring& newPath);
    void UpdateTitle();

    bool TransferItems(CRegItemList& list, const std::wstring& targetPath, bool move, bool confirm);
    // --- Values (NavroDocValues.cpp) ---
    // Edits a value in the Edit Value dialog; true when the registry changed.
    // Out: the name, the data text as the registry now holds it, the type.
    bool EditValue(const std::wstring& keyPath, const std::wstring& name, std::wstring& newName,
                   std::wstring& newData, DWORD& newType);
    // Creates a value in keyPath (the current key when empty) through the dialog.
    void NewValue(const std::wstring& keyPath);
    void GoToDefinition(const std::wstring& text);
    void WebSearch(const std::wstring& text);
    void WebSearchItem(const std::wstring& keyPath, const std::wstring& second);
    void StartTakeOwnership(const std::wstring& path);
    // Asks for a file and writes the current key's tree to it as a registry
    // script; says what is missing when keys could not be read.
    void ExportCurrentKey();
    // Saves the current key's tree to a snapshot file the user names, on a
    // worker; progress and the outcome in the status bar.
    void TakeSnapshotOfCurrentKey();
    // The Add Bookmark dialog for the current key (nothing at the computer).
    void BookmarkCurrentKey();
    // Imports a registry script through the preview (NavroDocImport.cpp);
    // true when everything asked for was written.
    bool ImportFile(const std::wstring& path);
    bool ImportText(const std::wstring& text);
    // Text on the clipboard that is a registry script (another program's or
    // a web page's) is imported through the same preview; an item list of
    // ours on the clipboard goes first, so the panes ask this only without one.
    static bool ClipboardHoldsRegistryScript();
    // The one ".reg" file a drop from the shell brings, or empty.
    static std::wstring DroppedRegistryScript(IDataObject* data);
    bool PasteRegistryScript();
    // --- Undo and redo (NavroDocUndo.cpp) ---
    // The journal every registry-changing command records itself in.
    ChangeJournal& Journal() noexcept { return m_journal; }
    // Undoes (or redoes) the newest entry after checking that the registry
    // still holds what it left there; true when it was done.
    bool Undo();
    bool Redo();
    const std::wstring& GetSearchText() const noexcept { return SearchText; }
    void SetSearchText(const std::wstring& text) { SearchText = text; }
    // The start key the next Find takes instead of the current key (once).
    void SetSearchRoot(const std::wstring& root) { SearchRoot = root; }
    std::wstring TakeSearchRoot() { return std::exchange(SearchRoot, std::wstring()); }
    const CRecentStrings& GetHistory() const noexcept { return History; }
    int GetHistoryIndex() const noexcept { return HistoryIndex; }
    const std::wstring& GetValueName() const noexcept { return ValueName; }

    void Serialize(CArchive& archive) override;
    bool OnOpenDocument(const std::wstring& path) override;

    // The start location a new document takes (the command line's location).
    static void SetStartLocation(const std::wstring& location);
    // The frame that shows this document, handed over when it creates its panes.
    void SetFrameServices(IFrameServices* frame) noexcept { m_frame = frame; }
    IFrameServices* FrameServices() const noexcept { return m_frame; }

    BEGIN_COMMAND_MAP(CNavroDoc)
        ON_COMMAND(ID_PARENT_KEY, OnParentKey)
        ON_UPDATE_COMMAND_UI(ID_PARENT_KEY, OnUpdateParentKey)
        ON_COMMAND(ID_MACHINE_KEY, [this] { GoToCorresponding(ID_MACHINE_KEY); })
        ON_UPDATE_COMMAND_UI(ID_MACHINE_KEY, OnUpdateCorresponding)
        ON_COMMAND(ID_USER_KEY, [this] { GoToCorresponding(ID_USER_KEY); })
        ON_UPDATE_COMMAND_UI(ID_USER_KEY, OnUpdateCorresponding)
        ON_COMMAND(ID_CONFIG_KEY, [this] { GoToCorresponding(ID_CONFIG_KEY); })
        ON_UPDATE_COMMAND_UI(ID_CONFIG_KEY, OnUpdateCorresponding)
        ON_COMMAND(ID_CLASSES_KEY, [this] { GoToCorresponding(ID_CLASSES_KEY); })
        ON_UPDATE_COMMAND_UI(ID_CLASSES_KEY, OnUpdateCorresponding)
        ON_COMMAND(ID_WEB_SEARCH, [this] { WebSearchItem(CurrentPath, L""); })
        ON_COMMAND(ID_SEARCH_NAME, OnSearchName)
        ON_COMMAND(ID_SEARCH_DATA, OnSearchData)
        ON_COMMAND(ID_TAKE_OWNERSHIP, [this] { StartTakeOwnership(CurrentPath); })
        ON_COMMAND(ID_PERMISSIONS, OnPermissions)
        ON_COMMAND(ID_EXPORT, ExportCurrentKey)
        ON_COMMAND(ID_TAKE_SNAPSHOT, TakeSnapshotOfCurrentKey)
        ON_UPDATE_COMMAND_UI(ID_TAKE_SNAPSHOT, [this](CCmdUI* ui) { ui->Enable(!CurrentPath.empty()); })
        ON_COMMAND(ID_SAVE_HIVE, OnSaveHive)
        ON_COMMAND(ID_LOAD_HIVE, OnLoadHive)
        ON_COMMAND(ID_UNLOAD_HIVE, OnUnloadHive)
        ON_UPDATE_COMMAND_UI(ID_UNLOAD_HIVE, OnUpdateUnloadHive)
        ON_COMMAND(ID_IMPORT, OnImport)
        ON_COMMAND(ID_EDIT_UNDO, OnUndo)
        ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateUndo)
        ON_COMMAND(ID_REDO, OnRedo)
        ON_UPDATE_COMMAND_UI(ID_REDO, OnUpdateRedo)
        ON_COMMAND(ID_NEW_BOOKMARK, BookmarkCurrentKey)
        ON_UPDATE_COMMAND_UI(ID_NEW_BOOKMARK, [this](CCmdUI* ui) { ui->Enable(!CurrentPath.empty()); })
    END_COMMAND_MAP_CHAIN(CDocument)

    std::wstring TitleDecoration;
    CRecentStrings History;
    int HistoryIndex = 0;
    std::wstring SearchText;
    std::wstring SearchRoot;
    bool ValueSelected = false;
    std::wstring ValueName;
    std::wstring CurrentPath;
    std::wstring ParentText;
    std::wstring RootRest;

  private:
    void PostFrameCommand(UINT command);
    void ShowStatus(const std::wstring& text);
    // A status text that says something went wrong; the next navigation that
    // finds what it was asked for clears it.
    void ShowProblem(const std::wstring& text);
    // When CurrentPath names no key but its last component is a value of the
    // key above: goes to that key with that value. True when it did.
    bool TakeValueFromPath();
    void OnParentKey();
    void OnUpdateParentKey(CCmdUI* ui);
    void GoToCorresponding(UINT command);
    void OnUpdateCorresponding(CCmdUI* ui);
    void OnSearchName();
    void OnSearchData();
    void OnPermissions();
    void OnImport();
    void OnUndo();
    void OnRedo();
    void OnUpdateUndo(CCmdUI* ui);
    void OnUpdateRedo(CCmdUI* ui);
    bool UndoOrRedo(bool undo);
    bool ImportScript(const std::wstring& title, const std::function<bool(CRegScriptReader&)>& open);
    // NavroDocHives.cpp
    void OnSaveHive();
    void OnLoadHive();
    void OnUnloadHive();
    void OnUpdateUnloadHive(CCmdUI* ui);
    void SaveHistory();

    IFrameServices* m_frame = nullptr;
    bool m_statusShowsProblem = false;
    ChangeJournal m_journal;
    // A Take Ownership whose worker has not reported back yet.
    std::shared_ptr<JournalRecorder> m_pendingRecord;
};

// The Edit menu's text for undo or redo of the entry labelled label
// ("&Undo Delete of X\tCtrl+Z"); the plain item when nothing is there.
std::wstring UndoMenuText(bool undo, const std::wstring& label);

// "Changing data for this value type is not supported...": OK opens the
// makers' contact page.
void ReportUnsupportedType();
// The window title for a location: program title, rights and path, with a trailing space.
std::wstring DocumentTitle(const std::wstring& decoration, const std::wstring& path);
// The proposed shortcut file name for a location: its last component, file-safe.
std::wstring ShortcutFileName(const std::wstring& path);
