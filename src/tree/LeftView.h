// CLeftView: the key tree. Only the roots exist at start; an item's children
// are read the first time it is expanded, and navigation inserts only the
// items on the way. Items whose children are only partly loaded carry item
// data 1 and overlay marks. Slow work runs on workers the view owns: they
// read the registry on their own copies of paths and names, and hand results
// back through the view's inbox; the window thread applies them to the items
// that still exist.
#pragma once

#include "app/framework/TreeCtrl.h"
#include "app/framework/View.h"
#include "base/UiInbox.h"
#include "base/WorkerThread.h"

#include "app/framework/FrameworkIds.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CNavroDoc;
struct KeyTreeCount;

// The question before a key is deleted: its path, and what goes with it.
std::wstring DeleteQuestion(const std::wstring& path, const KeyTreeCount& below);
class CRegItemList;
class IFrameServices;

// The state bit the tree sets on an item whose children are partly loaded.
// This platform's tree does not keep it, so it only mirrors the item data.
constexpr UINT TVIS_EXPANDPARTIAL_ = 0x80;

class CLeftView : public CTreeView
{
  public:
    // Above this many sub-keys an expansion reads the names on a worker,
    // shows the children as they come and asks for their buttons on another.
    static constexpr DWORD kCheckedChildrenLimit = 500;
    // How many names a reading worker hands over at a time.
    static constexpr size_t kNameBatch = 2000;
    // Image list indexes: 0-4 the roots in table order, then a key and a selected key.
    static constexpr int kKeyImage = 5;
    static constexpr int kSelectedKeyImage = 6;
    // Overlay marks: this item is partial; its parent is partial (more siblings).
    static constexpr int kOverlayPartial = 1;
    static constexpr int kOverlaySiblings = 2;
    // Item data of a partially expanded item: shown only in part since a
    // navigation (completed by the next refresh or change notice), or since
    // the user hid the other children (kept so until the user expands it).
    static constexpr LPARAM kPartialData = 1;
    static constexpr LPARAM kHiddenSiblingsData = 3;

    CLeftView();
    ~CLeftView() override;

    CNavroDoc* GetDocument() const;
    HWND Tree() const noexcept { return m_hWnd; }
    CTreeCtrl Ctrl() const noexcept { return CTreeCtrl(m_hWnd); }
    void SetFrameServices(IFrameServices* frame) noexcept { m_frame = frame; }

    // --- The item model (LeftViewItems.cpp) ---
    std::wstring GetItemPath(HTREEITEM item) const;
    bool IsRootItem(HTREEITEM item) const;
    HTREEITEM FindChildItem(const std::wstring& name, HTREEITEM parent, int* count = nullptr) const;
    HTREEITEM FindItemByPath(const std::wstring& path, HTREEITEM start) const;
    HTREEITEM InsertKeyItem(const std::wstring& name, HTREEITEM parent, HTREEITEM insertAfter);
    // Appends a key item without asking the registry; its button comes later
    // (by callback, from what a worker finds).
    HTREEITEM InsertUncheckedItem(const std::wstring& name, HTREEITEM parent);
    void UpdateChildrenFlag(HTREEITEM item);
    // Whether the item's children are only partly loaded (its item data).
    bool IsPartial(HTREEITEM item) const;
    // Whether the user hid the item's other children (Hide Siblings).
    bool ShowsHiddenSiblings(HTREEITEM item) const;
    // The note drawn after an expanded, partly loaded item's name ("1 of 7
    // keys shown"), empty for any other item; a click on it completes the item.
    std::wstring PartialNote(HTREEITEM item) const;
    // Where the note of item is drawn, in client coordinates (empty rect: none).
    RECT PartialNoteRect(HTREEITEM item) const;
    // Completes every expanded, partly loaded item (a refresh asked for).
    void CompleteExpandedPartialItems();
    // markChildren false: the children are known to carry no marks yet.
    void SetPartial(HTREEITEM item, bool partial, bool markChildren = true);
    void DeleteKeyItem(HTREEITEM item, bool fixParent);
    void HideSiblings(HTREEITEM item);
    void SelectPath(const std::wstring& relativePath, HTREEITEM start);
    bool ItemHasMoreSiblings(HTREEITEM item) const;
    bool CanModifySelectedKey() const;
    void VerifyCutItem();
    bool ClearCutMark(bool tellOthers);
    bool ItemHasButton(HTREEITEM item) const;
    void SetChildrenButton(HTREEITEM item, bool on);
    // The tip text for an item (empty when it has no marks).
    std::wstring InfoTip(HTREEITEM item) const;
    // Whether a worker is still reading item's children (a large first expansion).
    bool IsLoading(HTREEITEM item) const { return m_loading.count(item) != 0; }
    // Whether item is an item of this tree that has not been deleted.
    bool IsLiveItem(HTREEITEM item) const noexcept { return m_serials.count(item) != 0; }

    // Short names for the control's relatives.
    std::wstring ItemText(HTREEITEM item) const { return Ctrl().GetItemText(item); }
    int ItemOverlay(HTREEITEM item) const { return Ctrl().GetOverlay(item); }
    HTREEITEM Child(HTREEITEM item) const { return Ctrl().GetChildItem(item); }
    HTREEITEM Next(HTREEITEM item) const { return Ctrl().GetNextSiblingItem(item); }
    HTREEITEM Previous(HTREEITEM item) const { return Ctrl().GetPrevSiblingItem(item); }
    HTREEITEM Parent(HTREEITEM item) const { return Ctrl().GetParentItem(item); }
    HTREEITEM Selected() const { return Ctrl().GetSelectedItem(); }

    // --- Population and refresh (LeftViewRefresh.cpp) ---
    void PopulateRoots();
    void ExpandItem(HTREEITEM item);
    // Reconciles item's loaded children with the registry's sub-keys, then
    // refreshes every child's loaded sub-tree on a worker.
    void RefreshChildren(HTREEITEM item, const std::wstring& path);
    // Refreshes the loaded sub-tree below item on a worker.
    void RefreshItem(HTREEITEM item);
    // Loads the missing children of a partly loaded item, in the order a
    // first expansion gives, and clears its partial marks.
    void CompletePartialItem(HTREEITEM item);

    // --- Workers (LeftViewWorkers.cpp) ---
    // Workers running or results not yet applied (tests wait for none).
    bool IsBusy() const;
    size_t RunningWorkers() const;
    const std::vector<zv::WorkerThread>& Workers() const noexcept { return m_workers; }
    // Stops every worker and waits for it; drops results not yet applied.
    void StopWorkers();

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, LPARAM hint, const CUpdateHint* hintObject) override;
    void PreCreateWindow(DWORD& style, DWORD& exStyle) override;

    // --- Commands (LeftViewCommands.cpp, LeftViewClipboard.cpp) ---
    void NewKey();
    void DeleteSelectedKey();
    void RenameSelectedKey();
    void ShowProperties();
    void CopyKey(bool cut);
    void PasteIntoSelectedKey();
    void CopyValues();
    // Puts the selected key's name, or its path in a spelling (the command
    // says which), on the clipboard as text.
    void CopySelectedAsText(UINT command);
    // The Add Bookmark dialog for the selected key.
    void NewBookmark();
    bool IsEditingLabel() const noexcept { return m_labelEditing; }
    // The entries a right click puts in front of the menu, in insertion
    // order (each goes to the top): a separator (command 0), Go to
    // definition, Hide Siblings of, Collapse.
    struct ContextEntry
    {
        UINT command;
        std::wstring text;
    };
    std::vector<ContextEntry> ContextEntries(HTREEITEM item) const;
    // Marks the key the clipboard's move list names, and clears a mark the
    // clipboard no longer backs (the Paste update, on every idle tick).
    void FollowClipboardCutMark();

    // --- Dragging (LeftViewDragDrop.cpp) ---
    DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT point) override;
    DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT point) override;
    void OnDragLeave() override;
    bool OnDrop(IDataObject* data, DWORD effect, POINT point) override;
    // Moves the drop highlight to the item at point; held over an expand
    // button for more than HoverDelay ms (now: a tick count), toggles it.
    void HoverTrack(POINT point, DWORD now);
    // Near the top or bottom edge, scrolls one line once the pointer has
    // stayed there long enough (now: a tick count); true when it scrolled.
    bool DragScroll(POINT point, DWORD now);
    // -1 (scroll up), 1 (down) or 0 for a point in the client area.
    int DragScrollDirection(POINT point) const;
    static constexpr DWORD kDragScrollDelay = 200;
    static constexpr DWORD kDragScrollInterval = 300;

    bool RenameIdle = true;
    bool ExpandNotifications = true;
    HIMAGELIST ImageList = nullptr;
    bool RootsPopulated = false;
    HTREEITEM CutItem = nullptr;
    // The key a drop would go to (highlighted while dragging).
    HTREEITEM DropItem = nullptr;
    HTREEITEM HoverItem = nullptr;
    DWORD HoverStart = 0;
    DWORD HoverDelay = 5000;

    BEGIN_MSG_MAP(CLeftView)
        MSG_WM_DESTROY(OnDestroy)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLeftButtonDown)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
        MESSAGE_HANDLER(WM_SYSKEYDOWN, OnSysKeyDown)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_RCLICK, OnRightClick)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_BEGINLABELEDITW, OnBeginLabelEdit)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_ENDLABELEDITW, OnEndLabelEdit)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_BEGINDRAGW, OnBeginDrag)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_ITEMEXPANDINGW, OnItemExpanding)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_ITEMEXPANDEDW, OnItemExpanded)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_SELCHANGEDW, OnSelChanged)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_GETINFOTIPW, OnGetInfoTip)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_GETDISPINFOW, OnGetDispInfo)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_DELETEITEMW, OnDeleteItem)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
        MESSAGE_HANDLER(kInboxMessage, OnInbox)
        MESSAGE_HANDLER(kFollowSelectionMessage, OnFollowSelection)
    END_MSG_MAP()

    BEGIN_COMMAND_MAP(CLeftView)
        ON_COMMAND(ID_NEW_KEY, NewKey)
        ON_UPDATE_COMMAND_UI(ID_NEW_KEY, [this](CCmdUI* ui) { ui->Enable(Selected() != nullptr); })
        ON_COMMAND(ID_NEW_VALUE, OnNewValue)
        ON_UPDATE_COMMAND_UI(ID_NEW_VALUE, [this](CCmdUI* ui) { ui->Enable(Selected() != nullptr); })
        ON_COMMAND(ID_DELETE, DeleteSelectedKey)
        ON_UPDATE_COMMAND_UI(ID_DELETE, OnUpdateModifyCommand)
        ON_COMMAND(ID_RENAME, RenameSelectedKey)
        ON_UPDATE_COMMAND_UI(ID_RENAME, OnUpdateModifyCommand)
        ON_COMMAND(ID_PROPERTIES, ShowProperties)
        ON_UPDATE_COMMAND_UI(ID_PROPERTIES, [this](CCmdUI* ui) { ui->Enable(Selected() != nullptr); })
        ON_COMMAND(ID_ENTER, OnEnter)
        ON_COMMAND(ID_GO_TO_DEFINITION, OnGoToDefinition)
        ON_COMMAND(ID_COLLAPSE, OnCollapse)
        ON_COMMAND(ID_HIDE_SIBLINGS, [this] { HideSiblings(Selected()); })
        ON_COMMAND(ID_EXPAND, [this] { Ctrl().Expand(Selected(), TVE_EXPAND); })
        ON_COMMAND(ID_COPY_VALUES, CopyValues)
        ON_COMMAND(ID_COPY_KEY_NAME, [this] { CopySelectedAsText(ID_COPY_KEY_NAME); })
        ON_COMMAND(ID_COPY_PATH, [this] { CopySelectedAsText(ID_COPY_PATH); })
        ON_COMMAND(ID_COPY_PATH_LONG, [this] { CopySelectedAsText(ID_COPY_PATH_LONG); })
        ON_COMMAND(ID_COPY_PATH_SHORT, [this] { CopySelectedAsText(ID_COPY_PATH_SHORT); })
        ON_COMMAND(ID_COPY_PATH_POWERSHELL, [this] { CopySelectedAsText(ID_COPY_PATH_POWERSHELL); })
        ON_COMMAND(ID_NEW_BOOKMARK, NewBookmark)
        ON_UPDATE_COMMAND_UI(ID_NEW_BOOKMARK, [this](CCmdUI* ui) { ui->Enable(Selected() != nullptr); })
        ON_COMMAND(ID_EDIT_COPY, [this] { CopyKey(false); })
        ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateModifyCommand)
        ON_COMMAND(ID_EDIT_CUT, [this] { CopyKey(true); })
        ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, OnUpdateCut)
        ON_COMMAND(ID_EDIT_PASTE, PasteIntoSelectedKey)
        ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdatePaste)
    END_COMMAND_MAP_CHAIN(CCmdTarget)

    // A copy of one loaded item and its loaded sub-tree, for a worker.
    struct NodeCopy
    {
        HTREEITEM item = nullptr;
        uint32_t serial = 0;
        std::wstring path;
        bool expandedOnce = false;
        bool partial = false;
        // An expanded partial item not kept so by the user: a refresh reads
        // all of its children and completes it.
        bool completes = false;
        std::vector<NodeCopy> children;
    };
    // What a worker read for one NodeCopy.
    struct NodeState
    {
        HTREEITEM item = nullptr;
        uint32_t serial = 0;
        bool hasSubKeys = false;
        bool expandedOnce = false;
        bool partial = false;
        bool completes = false; // names holds every sub-key of a partial item
        // A partial item: how many sub-keys its key has, and which loaded
        // children vanished.
        DWORD subKeyCount = 0;
        std::vector<std::pair<HTREEITEM, uint32_t>> vanished;
        // A fully loaded item: its key's sub-keys in registry order, each with
        // whether it has sub-keys of its own (-1: not asked).
        std::vector<std::pair<std::wstring, int>> names;
        std::vector<NodeState> children;
    };

  private:
    static constexpr UINT kInboxMessage = WM_APP + 0x31;
    // How often a long delete shows its progress and paints.
    static constexpr DWORD kProgressEveryMs = 100;
    static constexpr UINT kFollowSelectionMessage = WM_APP + 0x32;
    // How many button results a worker hands over at a time.
    static constexpr size_t kButtonBatch = 256;

    bool OnControlCreated() override;

  public:
    // Takes the images drawn for dpi, with the overlay marks.
    void LoadImages(UINT dpi);

  private:
    void OnDestroy();
    LRESULT OnItemExpanding(NMHDR* header);
    LRESULT OnItemExpanded(NMHDR* header);
    LRESULT OnFollowSelection(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLeftButtonDown(UINT, WPARAM, LPARAM lParam, bool& handled);
    LRESULT OnKeyDown(UINT, WPARAM key, LPARAM, bool& handled);
    LRESULT OnSysKeyDown(UINT, WPARAM key, LPARAM, bool& handled);
    // An expanded item whose children are partly loaded: the platform's tree
    // has no partial state, so its button would collapse it.
    bool IsExpandedPartial(HTREEITEM item) const;
    LRESULT OnSelChanged(NMHDR* header);
    LRESULT OnGetInfoTip(NMHDR* header);
    LRESULT OnGetDispInfo(NMHDR* header);
    LRESULT OnDeleteItem(NMHDR* header);
    LRESULT OnCustomDraw(NMHDR* header);
    LRESULT OnInbox(UINT, WPARAM, LPARAM, bool&);
    void EndLabelEdit();
    // LeftViewCommands.cpp
    void OnNewValue();
    void OnEnter();
    void OnUpdateModifyCommand(CCmdUI* ui);
    void OnUpdateCut(CCmdUI* ui);
    void OnUpdatePaste(CCmdUI* ui);
    void OnGoToDefinition();
    void OnCollapse();
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM lParam, bool&);
    LRESULT OnRightClick(NMHDR* header);
    void ShowContextMenu(POINT at, bool fromKeyboard);
    LRESULT OnBeginLabelEdit(NMHDR* header);
    LRESULT OnEndLabelEdit(NMHDR* header);
    // Renames item's key to name; false (after saying why) when it did not.
    bool RenameItemKey(HTREEITEM item, const std::wstring& name);
    // After a paste or drop that moved keys: removes the items of the keys
    // that are gone.
    void RemoveMovedItems(CRegItemList& list);
    // LeftViewDragDrop.cpp
    LRESULT OnBeginDrag(NMHDR* header);
    void ClearDropHighlight();

    // Inserts an item and gives it a serial, so that results can find it.
    HTREEITEM InsertRawItem(TVINSERTSTRUCTW& insert);
    uint32_t SerialOf(HTREEITEM item) const;
    bool IsSameItem(HTREEITEM item, uint32_t serial) const;
    // Reconciles item's loaded children with names; returns the items that
    // were given a new name (their loaded sub-trees are stale). Below a partly
    // loaded item a vanished child is never taken for renamed.
    std::vector<HTREEITEM> ReconcileChildren(HTREEITEM item, const std::wstring& path,
                                             const std::vector<std::pair<std::wstring, int>>& names,
                                             bool partial = false);
    NodeCopy CopyNode(HTREEITEM item, const std::wstring& path) const;
    void ApplyNodeState(const NodeState& state);
    void StartButtonWorker(std::vector<NodeCopy> children);
    void StartNameWorker(HTREEITEM item, const std::wstring& path);
    // Inserts a batch of names a reading worker found below item; the last
    // batch sorts the children and asks for their buttons.
    void InsertLoadedNames(HTREEITEM item, uint32_t serial, const std::wstring& path,
                           const std::vector<std::wstring>& names, bool last);
    void StartRefreshWorker(std::vector<NodeCopy> nodes);
    void StartWorker(std::function<unsigned(const zv::StopToken&)> work);
    void NavigateDocument(const std::wstring& path);

    IFrameServices* m_frame = nullptr;
    zv::UiInbox m_inbox;
    std::vector<zv::WorkerThread> m_workers;
    // Every live item with its serial; a result names both, so a result for
    // an item that was deleted (its handle perhaps reused) is skipped.
    std::unordered_map<HTREEITEM, uint32_t> m_serials;
    uint32_t m_nextSerial = 1;
    // Buttons of children inserted without a check, as the workers found them.
    std::unordered_map<HTREEITEM, bool> m_buttons;
    // The sub-key count of each partly loaded item, for its note.
    std::unordered_map<HTREEITEM, DWORD> m_partialTotals;
    // Items whose children are being read, with the children inserted so far.
    std::unordered_map<HTREEITEM, std::vector<NodeCopy>> m_loading;
    // From TVN_BEGINLABELEDIT until the first TVN_ENDLABELEDIT: this
    // platform notifies the end twice, the second time with the typed text
    // even after a cancel.
    bool m_labelEditing = false;
    // The clipboard the cut mark was last matched with.
    DWORD m_clipboardSequence = 0;
    // Auto-scroll while dragging: since when the pointer is near an edge,
    // and when the last line scrolled (0: never).
    DWORD m_scrollSince = 0;
    DWORD m_lastScroll = 0;
};
