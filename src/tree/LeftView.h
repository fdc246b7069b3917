// CLeftView: the key tree. Only the roots exist at start; an item's children
// are read the first time it is expanded, and navigation inserts only the
// items on the way. Items whose children are only partly loaded carry item
// data 1 and overlay marks. Slow refreshes run on short-lived workers that
// touch the control only by messages and reach the document only by posting.
#pragma once

#include "app/framework/View.h"

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class CNavroDoc;
class CLeftView;

using TreeCallback = void (*)(CLeftView* view, HTREEITEM item, const std::wstring& path);

// The state bit the tree sets on an item whose children are partly loaded.
constexpr UINT TVIS_EXPANDPARTIAL_ = 0x80;

class CLeftView : public CTreeView
{
  public:
    static constexpr DWORD kCheckedChildrenLimit = 500;

    CLeftView();
    ~CLeftView() override;

    CNavroDoc* GetDocument() const;
    HWND Tree() const noexcept { return m_hWnd; }

    // The item model.
    std::wstring GetItemPath(HTREEITEM item) const;
    bool IsRootItem(HTREEITEM item) const;
    HTREEITEM FindChildItem(const std::wstring& name, HTREEITEM parent, int* count = nullptr) const;
    HTREEITEM FindItemByPath(const std::wstring& path, HTREEITEM start) const;
    HTREEITEM InsertKeyItem(const std::wstring& name, HTREEITEM parent, HTREEITEM insertAfter);
    // Appends a key item without asking the registry; its button comes later
    // (by callback, from what a worker finds).
    HTREEITEM InsertUncheckedItem(const std::wstring& name, HTREEITEM parent);
    void UpdateChildrenFlag(HTREEITEM item);
    // markChildren false: the children are known to carry no marks yet.
    void SetPartial(HTREEITEM item, bool partial, bool markChildren = true);
    void DeleteKeyItem(HTREEITEM item, bool fixParent);
    void HideSiblings(HTREEITEM item);
    void SelectPath(const std::wstring& relativePath, HTREEITEM start);
    bool ItemHasMoreSiblings(HTREEITEM item) const;
    bool CanModifySelectedKey() const;
    void VerifyCutItem();
    bool ClearCutMark(bool tellOthers);
    void StartTreeWorker(TreeCallback callback, HTREEITEM item, const std::wstring& path, bool perChild,
                         std::vector<std::pair<HTREEITEM, std::wstring>> children = {});

    void PopulateRoots();
    void ExpandItem(HTREEITEM item);
    void RefreshChildren(HTREEITEM item, const std::wstring& path);
    void RefreshItem(HTREEITEM item, const std::wstring& path);

    // Item state helpers (safe from workers: they send messages).
    std::wstring ItemText(HTREEITEM item) const;
    UINT ItemState(HTREEITEM item, UINT mask) const;
    LPARAM ItemData(HTREEITEM item) const;
    int ItemOverlay(HTREEITEM item) const;
    bool ItemHasButton(HTREEITEM item) const;
    void SetChildrenButton(HTREEITEM item, bool on);
    HTREEITEM Child(HTREEITEM item) const;
    HTREEITEM Next(HTREEITEM item) const;
    HTREEITEM Previous(HTREEITEM item) const;
    HTREEITEM Parent(HTREEITEM item) const;
    HTREEITEM Selected() const;
    // The tip text for an item (empty when it has no marks).
    std::wstring InfoTip(HTREEITEM item) const;

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, LPARAM hint, void* hintObject) override;
    void PreCreateWindow(DWORD& style, DWORD& exStyle) override;

    // Tree workers still running (tests wait for them).
    static int RunningWorkers() noexcept { return s_workers.load(); }

    bool RenameIdle = true;
    bool ExpandNotifications = true;
    HIMAGELIST ImageList = nullptr;
    bool RootsPopulated = false;
    HTREEITEM CutItem = nullptr;

    BEGIN_MSG_MAP(CLeftView)
        MSG_WM_DESTROY(OnDestroy)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_ITEMEXPANDINGW, OnItemExpanding)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_SELCHANGEDW, OnSelChanged)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_GETINFOTIPW, OnGetInfoTip)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_GETDISPINFOW, OnGetDispInfo)
        REFLECTED_NOTIFY_CODE_HANDLER(TVN_DELETEITEMW, OnDeleteItem)
        MESSAGE_HANDLER(kDocumentCallMessage, OnDocumentCall)
        MESSAGE_HANDLER(kSnapshotMessage, OnSnapshot)
    END_MSG_MAP()

  private:
    static constexpr UINT kDocumentCallMessage = WM_APP + 0x31;
    static constexpr UINT kSnapshotMessage = WM_APP + 0x32;
    enum DocumentCall : WPARAM
    {
        kCallGoTo,
        kCallKeyRenamed,
    };
    struct TreeWorkerJob;
    static unsigned TreeWorkerThread(void* param);
    static void SetChildrenButtonIfAny(CLeftView* view, HTREEITEM child, const std::wstring& childPath);
    static void RefreshItemCallback(CLeftView* view, HTREEITEM item, const std::wstring& path);

    bool OnControlCreated() override;
    void OnDestroy();
    LRESULT OnItemExpanding(NMHDR* header);
    LRESULT OnSelChanged(NMHDR* header);
    LRESULT OnGetInfoTip(NMHDR* header);
    LRESULT OnGetDispInfo(NMHDR* header);
    LRESULT OnDeleteItem(NMHDR* header);
    int RawChildren(HTREEITEM item) const;
    LRESULT OnDocumentCall(UINT, WPARAM kind, LPARAM text, bool&);
    LRESULT OnSnapshot(UINT, WPARAM item, LPARAM out, bool&);
    // The children of item with their texts, read on the window's thread.
    std::vector<std::pair<HTREEITEM, std::wstring>> ChildSnapshot(HTREEITEM item) const;
    // Runs a document operation on the UI thread: at once there, posted from a worker.
    void CallDocument(DocumentCall kind, const std::wstring& path);
    bool OnUiThread() const;
    void SetOverlay(HTREEITEM item, int overlay);
    void EndLabelEdit();

    static std::atomic<int> s_workers;
    // Buttons of children inserted without a check, as the workers found them.
    mutable std::mutex m_buttonsLock;
    std::unordered_map<HTREEITEM, bool> m_buttons;
};

// Whether path names a hive loaded below USERS or LOCAL_MACHINE.
bool IsLoadedHive(const std::wstring& path);
