// Key tree: items, lazy expansion, partial marks and following the document.
#include "tree/LeftView.h"

#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "app/Shutdown.h"
#include "app/framework/FrameWnd.h"
#include "app/framework/Strings.h"
#include "app/framework/WaitCursor.h"
#include "app/framework/WorkerThread.h"
#include "app/framework/WinApp.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "registry/RootKeys.h"
#include "tree/ChangeMonitor.h"
#include "tree/OverlayImage.h"

#include "resource.h"

#include <vector>

std::atomic<int> CLeftView::s_workers{0};

CLeftView::CLeftView()
{
}

CLeftView::~CLeftView()
{
    if (ImageList)
        ImageList_Destroy(ImageList);
}

CNavroDoc* CLeftView::GetDocument() const
{
    return dynamic_cast<CNavroDoc*>(m_pDocument);
}

void CLeftView::PreCreateWindow(DWORD& style, DWORD&)
{
    style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS | TVS_INFOTIP;
}

bool CLeftView::OnControlCreated()
{
    ImageList = ImageList_Create(16, 15, ILC_COLOR24 | ILC_MASK, 8, 1);
    if (HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TREE_IMAGES), IMAGE_BITMAP, 0, 0, 0)))
    {
        ImageList_AddMasked(ImageList, bitmap, RGB(255, 0, 255));
        DeleteObject(bitmap);
    }
    TreeView_SetImageList(m_hWnd, ImageList, TVSIL_NORMAL);
    {
        COverlayImage overlays;
        overlays.AttachOverlays(ImageList);
    }
    RegisterDropTarget();
    return true;
}

void CLeftView::OnDestroy()
{
    // Workers send messages to this window; let them finish before it goes,
    // answering their messages meanwhile.
    DWORD start = GetTickCount();
    while (s_workers.load() > 0 && GetTickCount() - start < 5000)
    {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    }
    DefWindowProc(WM_DESTROY, 0, 0);
}

// --- Item access ----------------------------------------------------------

std::wstring CLeftView::ItemText(HTREEITEM item) const
{
    wchar_t text[kSubKeyNameChars + 1] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = static_cast<int>(std::size(text));
    if (!item || !::SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
        return {};
    return text;
}

UINT CLeftView::ItemState(HTREEITEM item, UINT mask) const
{
    return item ? static_cast<UINT>(::SendMessageW(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask))
                : 0;
}

LPARAM CLeftView::ItemData(HTREEITEM item) const
{
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!item || !::SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
        return 0;
    return tv.lParam;
}

int CLeftView::ItemOverlay(HTREEITEM item) const
{
    return static_cast<int>((ItemState(item, TVIS_OVERLAYMASK) & TVIS_OVERLAYMASK) >> 8);
}

int CLeftView::RawChildren(HTREEITEM item) const
{
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    if (!item || !::SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
        return 0;
    return tv.cChildren;
}

bool CLeftView::ItemHasButton(HTREEITEM item) const
{
    {
        std::lock_guard<std::mutex> lock(m_buttonsLock);
        auto found = m_buttons.find(item);
        if (found != m_buttons.end())
            return found->second;
    }
    return RawChildren(item) != 0;
}

void CLeftView::SetChildrenButton(HTREEITEM item, bool on)
{
    if (!item)
        return;
    {
        // Children of a large expansion ask for their button when drawn: the
        // answer changes here and the tree is drawn again.
        std::lock_guard<std::mutex> lock(m_buttonsLock);
        auto found = m_buttons.find(item);
        if (found != m_buttons.end())
        {
            if (found->second != on)
            {
                found->second = on;
                ::InvalidateRect(m_hWnd, nullptr, FALSE);
            }
            return;
        }
    }
    int children = RawChildren(item);
    // Unchanged buttons are left alone: every change makes the control lay
    // out all visible items again.
    if ((children != 0) == on)
        return;
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    tv.cChildren = on ? 1 : 0;
    ::SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

LRESULT CLeftView::OnDeleteItem(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
    std::lock_guard<std::mutex> lock(m_buttonsLock);
    m_buttons.erase(info->itemOld.hItem);
    if (CutItem == info->itemOld.hItem)
        CutItem = nullptr;
    return 0;
}

LRESULT CLeftView::OnGetDispInfo(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
    if (info->item.mask & TVIF_CHILDREN)
    {
        std::lock_guard<std::mutex> lock(m_buttonsLock);
        auto found = m_buttons.find(info->item.hItem);
        info->item.cChildren = found != m_buttons.end() && found->second ? 1 : 0;
    }
    return 0;
}

HTREEITEM CLeftView::Child(HTREEITEM item) const
{
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageW(m_hWnd, TVM_GETNEXTITEM, item ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CLeftView::Next(HTREEITEM item) const
{
    return reinterpret_cast<HTREEITEM>(::SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CLeftView::Previous(HTREEITEM item) const
{
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_PREVIOUS, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CLeftView::Parent(HTREEITEM item) const
{
    return item ? reinterpret_cast<HTREEITEM>(
                      ::SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)))
                : nullptr;
}

HTREEITEM CLeftView::Selected() const
{
    return reinterpret_cast<HTREEITEM>(::SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void CLeftView::SetOverlay(HTREEITEM item, int overlay)
{
    TVITEMW tv = {};
    tv.mask = TVIF_STATE | TVIF_HANDLE;
    tv.hItem = item;
    tv.stateMask = TVIS_OVERLAYMASK;
    tv.state = INDEXTOOVERLAYMASK(overlay);
    ::SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

// --- The item model -------------------------------------------------------

std::wstring CLeftView::GetItemPath(HTREEITEM item) const
{
    std::wstring path;
    for (HTREEITEM at = item; at; at = Parent(at))
        path = path.empty() ? ItemText(at) : ItemText(at) + L"\\" + path;
    return path;
}

bool CLeftView::IsRootItem(HTREEITEM item) const
{
    return item && !Parent(item);
}

HTREEITEM CLeftView::FindChildItem(const std::wstring& name, HTREEITEM parent, int* count) const
{
    if (parent == TVI_ROOT)
        parent = nullptr;
    int walked = 0;
    for (HTREEITEM child = Child(parent); child; child = Next(child), ++walked)
        if (_wcsicmp(ItemText(child).c_str(), name.c_str()) == 0)
            return child;
    if (count)
        *count = walked;
    return nullptr;
}

HTREEITEM CLeftView::FindItemByPath(const std::wstring& path, HTREEITEM start) const
{
    if (path.empty())
        return nullptr;
    size_t slash = path.find(L'\\');
    HTREEITEM found = FindChildItem(path.substr(0, slash), start);
    if (!found || slash == std::wstring::npos)
        return found;
    std::wstring rest = path.substr(slash + 1);
    return rest.empty() ? found : FindItemByPath(rest, found);
}

HTREEITEM CLeftView::InsertKeyItem(const std::wstring& name, HTREEITEM parent, HTREEITEM insertAfter)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = insertAfter;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(name.c_str());
    insert.item.iImage = 5;
    insert.item.iSelectedImage = 6;
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(m_hWnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item)
    {
        CEzReg key(GetItemPath(item));
        if (key.HasSubKeys())
            SetChildrenButton(item, true);
    }
    return item;
}

HTREEITEM CLeftView::InsertUncheckedItem(const std::wstring& name, HTREEITEM parent)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(name.c_str());
    insert.item.iImage = 5;
    insert.item.iSelectedImage = 6;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    auto child = reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (child)
    {
        std::lock_guard<std::mutex> lock(m_buttonsLock);
        m_buttons[child] = false;
    }
    return child;
}

void CLeftView::UpdateChildrenFlag(HTREEITEM item)
{
    CEzReg key(GetItemPath(item));
    if (key.HasSubKeys())
    {
        if (!ItemHasButton(item))
            SetChildrenButton(item, true);
        return;
    }
    while (HTREEITEM child = Child(item))
        ::SendMessageW(m_hWnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
    if (ItemHasButton(item))
        SetChildrenButton(item, false);
}

void CLeftView::SetPartial(HTREEITEM item, bool partial, bool markChildren)
{
    if (!item)
        return;
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM | TVIF_STATE | TVIF_HANDLE;
    tv.hItem = item;
    tv.lParam = partial ? 1 : 0;
    int overlay = (ItemOverlay(item) & 2) | (partial ? 1 : 0);
    tv.stateMask = TVIS_EXPANDPARTIAL_ | TVIS_OVERLAYMASK;
    tv.state = (partial ? TVIS_EXPANDPARTIAL_ : 0) | INDEXTOOVERLAYMASK(overlay);
    ::SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    if (!markChildren || !ItemHasButton(item))
        return;
    for (HTREEITEM child = Child(item); child; child = Next(child))
    {
        UINT state = ItemState(child, TVIS_EXPANDED | TVIS_OVERLAYMASK);
        bool expandedPartial = (state & TVIS_EXPANDED) && ItemData(child) == 1;
        int mark = partial ? 2 : 0;
        if (expandedPartial)
            mark |= 1;
        if (static_cast<int>((state & TVIS_OVERLAYMASK) >> 8) != mark)
            SetOverlay(child, mark);
    }
}

void CLeftView::DeleteKeyItem(HTREEITEM item, bool fixParent)
{
    if (!item)
        return;
    HTREEITEM parent = fixParent ? Parent(item) : nullptr;
    if (parent && (ItemState(parent, TVIS_EXPANDPARTIAL_) & TVIS_EXPANDPARTIAL_) && !Previous(item) && !Next(item))
    {
        SetPartial(parent, false);
        ::SendMessageW(m_hWnd, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(parent));
        CallDocument(kCallGoTo, GetItemPath(parent));
    }
    ::SendMessageW(m_hWnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    if (parent)
        UpdateChildrenFlag(parent);
}

void CLeftView::HideSiblings(HTREEITEM item)
{
    if (!item || IsRootItem(item))
        return;
    CWaitCursor wait;
    SendMessage(WM_SETREDRAW, FALSE);
    bool deleted = false;
    while (HTREEITEM next = Next(item))
    {
        SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(next));
        deleted = true;
    }
    while (HTREEITEM previous = Previous(item))
    {
        SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(previous));
        deleted = true;
    }
    SendMessage(WM_SETREDRAW, TRUE);
    SetPartial(Parent(item), deleted);
    SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

void CLeftView::SelectPath(const std::wstring& relativePath, HTREEITEM start)
{
    std::vector<std::wstring> pieces;
    for (size_t at = 0; at <= relativePath.size();)
    {
        size_t slash = relativePath.find(L'\\', at);
        if (slash == std::wstring::npos)
            slash = relativePath.size();
        if (slash > at)
            pieces.push_back(relativePath.substr(at, slash - at));
        at = slash + 1;
    }
    if (pieces.empty())
        return;
    HTREEITEM parent = start;
    for (const std::wstring& piece : pieces)
    {
        HTREEITEM child = FindChildItem(piece, parent);
        if (!child)
            child = InsertKeyItem(piece, parent, TVI_SORT);
        if (!child)
            return;
        parent = child;
    }
    ExpandNotifications = false;
    SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(parent));
    SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(parent));
    ExpandNotifications = true;
    for (HTREEITEM ancestor = Parent(parent); ancestor; ancestor = Parent(ancestor))
    {
        DWORD loaded = 0;
        for (HTREEITEM child = Child(ancestor); child; child = Next(child))
            ++loaded;
        CEzReg key(GetItemPath(ancestor));
        SetPartial(ancestor, loaded < key.SubKeyCount());
    }
}

bool CLeftView::ItemHasMoreSiblings(HTREEITEM item) const
{
    return Parent(item) && (Previous(item) || Next(item));
}

bool IsLoadedHive(const std::wstring& path)
{
    size_t slash = path.find(L'\\');
    if (slash == std::wstring::npos || path.find(L'\\', slash + 1) != std::wstring::npos)
        return false;
    std::wstring root = path.substr(0, slash);
    const wchar_t* prefix = nullptr;
    if (_wcsicmp(root.c_str(), L"USERS") == 0)
        prefix = L"\\REGISTRY\\USER\\";
    else if (_wcsicmp(root.c_str(), L"LOCAL_MACHINE") == 0)
        prefix = L"\\REGISTRY\\MACHINE\\";
    else
        return false;
    CEzReg list(L"LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\hivelist");
    std::wstring wanted = prefix + path.substr(slash + 1);
    return list.QueryValue(wanted.c_str());
}

bool CLeftView::CanModifySelectedKey() const
{
    HTREEITEM selected = Selected();
    if (!selected || IsRootItem(selected))
        return false;
    CNavroDoc* doc = GetDocument();
    return !(doc && IsLoadedHive(doc->GetCurrentPath()));
}

void CLeftView::VerifyCutItem()
{
    if (CutItem && !KeyExists(GetItemPath(CutItem)))
    {
        HTREEITEM item = CutItem;
        CutItem = nullptr;
        DeleteKeyItem(item, true);
    }
}

bool CLeftView::ClearCutMark(bool tellOthers)
{
    if (tellOthers && m_pDocument)
        m_pDocument->UpdateAllViews(this, kHintClearMarks, nullptr);
    if (!CutItem)
        return false;
    TreeView_SetItemState(m_hWnd, CutItem, 0, TVIS_CUT);
    CutItem = nullptr;
    return true;
}

// --- Population -----------------------------------------------------------

void CLeftView::PopulateRoots()
{
    if (RootsPopulated)
        return;
    RootsPopulated = true;
    CWnd* main = AfxGetMainWnd();
    HWND notify = main ? main->m_hWnd : nullptr;
    for (int i = 0; i < kRootCount; ++i)
    {
        TVINSERTSTRUCTW insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
        insert.item.pszText = const_cast<wchar_t*>(RootName(i).c_str());
        insert.item.iImage = i;
        insert.item.iSelectedImage = i;
        insert.item.cChildren = 1;
        SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
        // Monitors live as long as the process; their threads end on shutdown.
        auto* monitor = new CChngMntr(notify, RootName(i));
        monitor->Start();
    }
}

void CLeftView::ExpandItem(HTREEITEM item)
{
    std::wstring path = GetItemPath(item);
    CEzReg key(path);
    DWORD count = key.SubKeyCount();
    if (count <= kCheckedChildrenLimit)
    {
        for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
            InsertKeyItem(key.SubKeyName, item, TVI_LAST);
        SendMessage(TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(item));
        return;
    }
    CWaitCursor wait;
    SendMessage(WM_SETREDRAW, FALSE);
    // The worker gets the children as inserted: walking a control of many
    // thousand items one message at a time costs more than the registry.
    std::vector<std::pair<HTREEITEM, std::wstring>> children;
    children.reserve(count);
    for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
        if (HTREEITEM child = InsertUncheckedItem(key.SubKeyName, item))
            children.emplace_back(child, key.SubKeyName);
    SendMessage(TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(item));
    SendMessage(WM_SETREDRAW, TRUE);
    StartTreeWorker(&CLeftView::SetChildrenButtonIfAny, item, path, true, std::move(children));
}

void CLeftView::SetChildrenButtonIfAny(CLeftView* view, HTREEITEM child, const std::wstring& childPath)
{
    CEzReg key(childPath);
    if (key.HasSubKeys())
        view->SetChildrenButton(child, true);
}

void CLeftView::RefreshChildren(HTREEITEM item, const std::wstring& path)
{
    std::vector<std::wstring> names;
    {
        CEzReg key(path);
        for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
            names.emplace_back(key.SubKeyName);
    }
    const size_t total = names.size();
    HTREEITEM kept = nullptr;
    for (HTREEITEM child = Child(item); child;)
    {
        if (IsShuttingDown())
            return;
        HTREEITEM next = Next(child);
        std::wstring text = ItemText(child);
        auto found = std::find(names.begin(), names.end(), text);
        if (found != names.end())
            names.erase(found);
        else if (!kept)
            kept = child;
        else
            DeleteKeyItem(child, true);
        child = next;
    }
    if (kept)
    {
        if (!names.empty())
        {
            TVITEMW tv = {};
            tv.mask = TVIF_TEXT | TVIF_HANDLE;
            tv.hItem = kept;
            tv.pszText = const_cast<wchar_t*>(names.front().c_str());
            SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
            names.erase(names.begin());
            if (Selected() == kept)
                CallDocument(kCallKeyRenamed, GetItemPath(kept));
        }
        else
            DeleteKeyItem(kept, true);
    }
    bool check = total <= kCheckedChildrenLimit;
    for (const std::wstring& name : names)
    {
        if (check)
            InsertKeyItem(name, item, TVI_LAST);
        else
            InsertUncheckedItem(name, item);
    }
    StartTreeWorker(&CLeftView::RefreshItemCallback, item, path, true);
}

void CLeftView::RefreshItemCallback(CLeftView* view, HTREEITEM item, const std::wstring& path)
{
    view->RefreshItem(item, path);
}

void CLeftView::RefreshItem(HTREEITEM item, const std::wstring& path)
{
    UINT state = ItemState(item, TVIS_EXPANDEDONCE | TVIS_EXPANDPARTIAL_);
    if (state & TVIS_EXPANDEDONCE)
    {
        if (state & TVIS_EXPANDPARTIAL_)
        {
            std::wstring prefix = path;
            if (!prefix.empty() && prefix.back() != L'\\')
                prefix += L'\\';
            DWORD count = 0;
            for (HTREEITEM child = Child(item); child;)
            {
                if (IsShuttingDown())
                    return;
                HTREEITEM next = Next(child);
                std::wstring childPath = prefix + ItemText(child);
                if (KeyExists(childPath))
                {
                    ++count;
                    RefreshItem(child, childPath);
                }
                else
                    DeleteKeyItem(child, true);
                child = next;
            }
            CEzReg key(path);
            if (count == key.SubKeyCount())
                SetPartial(item, false);
        }
        else
            RefreshChildren(item, path);
    }
    CEzReg key(path);
    if (key.HasSubKeys())
        SetChildrenButton(item, true);
    else if (ItemHasButton(item))
        SetChildrenButton(item, false);
}

// --- Tree workers ---------------------------------------------------------

std::vector<std::pair<HTREEITEM, std::wstring>> CLeftView::ChildSnapshot(HTREEITEM item) const
{
    std::vector<std::pair<HTREEITEM, std::wstring>> children;
    if (OnUiThread())
    {
        for (HTREEITEM child = Child(item); child; child = Next(child))
            children.emplace_back(child, ItemText(child));
    }
    else
        ::SendMessageW(m_hWnd, kSnapshotMessage, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&children));
    return children;
}

LRESULT CLeftView::OnSnapshot(UINT, WPARAM item, LPARAM out, bool&)
{
    *reinterpret_cast<std::vector<std::pair<HTREEITEM, std::wstring>>*>(out) =
        ChildSnapshot(reinterpret_cast<HTREEITEM>(item));
    return 0;
}

struct CLeftView::TreeWorkerJob
{
    CLeftView* view;
    TreeCallback callback;
    HTREEITEM item;
    std::wstring path;
    bool perChild;
    HWND window;
    std::vector<std::pair<HTREEITEM, std::wstring>> children; // empty: read them when the worker runs
};

void CLeftView::StartTreeWorker(TreeCallback callback, HTREEITEM item, const std::wstring& path, bool perChild,
                                std::vector<std::pair<HTREEITEM, std::wstring>> children)
{
    auto* job = new TreeWorkerJob{this, callback, item, path, perChild, m_hWnd, std::move(children)};
    ++s_workers;
    if (!AfxBeginThread(&CLeftView::TreeWorkerThread, job))
    {
        --s_workers;
        delete job;
    }
}

unsigned CLeftView::TreeWorkerThread(void* param)
{
    std::unique_ptr<TreeWorkerJob> job(static_cast<TreeWorkerJob*>(param));
    if (::IsWindow(job->window) && job->item && !IsShuttingDown())
    {
        CLeftView* view = job->view;
        std::wstring path = job->path.empty() ? view->GetItemPath(job->item) : job->path;
        if (!job->perChild)
            job->callback(view, job->item, path);
        else
        {
            std::wstring prefix = path.empty() ? std::wstring() : path + L"\\";
            // One message brings every child; a message per child would make
            // a large key's refresh wait on the window thousands of times.
            if (job->children.empty())
                job->children = view->ChildSnapshot(job->item);
            for (const auto& [child, text] : job->children)
            {
                job->callback(view, child, prefix + text);
                if (IsShuttingDown() || !::IsWindow(job->window))
                    break;
            }
        }
    }
    --s_workers;
    return 4017;
}

bool CLeftView::OnUiThread() const
{
    return GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId();
}

void CLeftView::CallDocument(DocumentCall kind, const std::wstring& path)
{
    if (OnUiThread())
    {
        CNavroDoc* doc = GetDocument();
        if (!doc)
            return;
        if (kind == kCallGoTo)
            doc->GoTo(this, path.c_str(), true);
        else
            doc->KeyRenamed(this, path);
        return;
    }
    auto* text = new std::wstring(path);
    if (!PostMessage(kDocumentCallMessage, kind, reinterpret_cast<LPARAM>(text)))
        delete text;
}

LRESULT CLeftView::OnDocumentCall(UINT, WPARAM kind, LPARAM text, bool&)
{
    std::unique_ptr<std::wstring> path(reinterpret_cast<std::wstring*>(text));
    if (!IsShuttingDown())
        CallDocument(static_cast<DocumentCall>(kind), *path);
    return 0;
}

// --- Notifications and the document ----------------------------------------

LRESULT CLeftView::OnItemExpanding(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
    HTREEITEM item = info->itemNew.hItem;
    if (!ExpandNotifications || !item)
        return 0;
    if (info->action & TVE_EXPAND)
    {
        if (!(ItemState(item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE))
        {
            ExpandItem(item);
            // The children are new: none of them carries a mark yet.
            SetPartial(item, false, false);
        }
        else if (ItemData(item) == 1)
        {
            SendMessage(WM_SETREDRAW, FALSE);
            RefreshChildren(item, GetItemPath(item));
            SetPartial(item, false);
            SendMessage(WM_SETREDRAW, TRUE);
        }
    }
    else if (info->action & TVE_COLLAPSE)
    {
        LPARAM data = ItemData(item);
        SetPartial(item, false);
        TVITEMW tv = {};
        tv.mask = TVIF_PARAM | TVIF_HANDLE;
        tv.hItem = item;
        tv.lParam = data;
        SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    }
    return 0;
}

LRESULT CLeftView::OnSelChanged(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
    CNavroDoc* doc = GetDocument();
    if (!info->itemNew.hItem || !doc)
        return 0;
    std::wstring path = GetItemPath(info->itemNew.hItem);
    if (path != doc->GetCurrentPath())
        doc->GoTo(this, path.c_str(), true);
    return 0;
}

std::wstring CLeftView::InfoTip(HTREEITEM item) const
{
    int overlay = ItemOverlay(item);
    UINT id = overlay == 1 ? IDS_TIP_PARTIAL : overlay == 2 ? IDS_TIP_SIBLINGS : overlay == 3 ? IDS_TIP_BOTH : 0;
    if (!id)
        return {};
    return zv::Format(zv::LoadResString(id).c_str(), ItemText(item).c_str());
}

LRESULT CLeftView::OnGetInfoTip(NMHDR* header)
{
    auto* tip = reinterpret_cast<NMTVGETINFOTIPW*>(header);
    if (!tip->pszText || tip->cchTextMax <= 0)
        return 0;
    std::wstring text = InfoTip(tip->hItem);
    size_t n = std::min(text.size(), static_cast<size_t>(tip->cchTextMax - 1));
    wmemcpy(tip->pszText, text.c_str(), n);
    tip->pszText[n] = 0;
    return 0;
}

void CLeftView::EndLabelEdit()
{
    if (HWND edit = TreeView_GetEditControl(m_hWnd))
        ::DestroyWindow(edit);
}

void CLeftView::OnInitialUpdate()
{
    PopulateRoots();
    EndLabelEdit();
    if (CNavroDoc* doc = GetDocument())
        doc->GoTo(nullptr, nullptr, true);
}

void CLeftView::OnUpdate(CView*, LPARAM hint, void* hintObject)
{
    if (IsShuttingDown())
        return;
    CNavroDoc* doc = GetDocument();
    switch (hint)
    {
    case kHintRegistryChanged: {
        VerifyCutItem();
        auto* monitor = static_cast<CChngMntr*>(hintObject);
        if (RenameIdle && monitor)
            if (HTREEITEM root = FindChildItem(monitor->RootName(), TVI_ROOT))
                StartTreeWorker(&CLeftView::RefreshItemCallback, root, monitor->RootName(), false);
        break;
    }
    case kHintLocationChanged: {
        if (!doc)
            break;
        std::wstring current = doc->GetCurrentPath();
        std::wstring relative = current;
        HTREEITEM start = nullptr;
        if (HTREEITEM selected = Selected())
        {
            std::wstring selectedPath = GetItemPath(selected);
            if (_wcsicmp(selectedPath.c_str(), current.c_str()) == 0)
                break;
            if (IsSameOrUnder(current, selectedPath) && current.size() > selectedPath.size())
            {
                relative = current.substr(selectedPath.size() + 1);
                start = selected;
            }
        }
        EndLabelEdit();
        SelectPath(relative, start);
        break;
    }
    case kHintRefresh:
        VerifyCutItem();
        RefreshChildren(nullptr, L"");
        if (doc)
            doc->GoTo(this, nullptr, true);
        break;
    case kHintClearMarks:
        ClearCutMark(false);
        break;
    default:
        break;
    }
}
