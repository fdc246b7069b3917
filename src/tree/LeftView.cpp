// Key tree: life cycle, the control's notifications and following the document.
#include "tree/LeftView.h"

#include "app/framework/DpiImages.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "registry/RegistryPath.h"
#include "tree/OverlayImage.h"

#include "resource.h"

#include <windowsx.h>

#include <algorithm>

CLeftView::CLeftView() = default;

CLeftView::~CLeftView()
{
    StopWorkers();
    if (ImageList)
        ImageList_Destroy(ImageList);
}

CNavroDoc* CLeftView::GetDocument() const
{
    return dynamic_cast<CNavroDoc*>(m_pDocument);
}

void CLeftView::PreCreateWindow(DWORD& style, DWORD&)
{
    style |=
        TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS | TVS_INFOTIP;
}

bool CLeftView::OnControlCreated()
{
    LoadImages(WindowDpi(m_hWnd));
    m_inbox.Open(m_hWnd, kInboxMessage);
    RegisterDropTarget();
    return true;
}

void CLeftView::LoadImages(UINT dpi)
{
    // 16 x 15 images at 100 %; overlays are drawn only from 24-bit lists on
    // this platform.
    HIMAGELIST images = LoadImageStrip(IDB_TREE_IMAGES, SIZE{16, 15}, dpi, 1);
    if (!images)
        return;
    {
        COverlayImage overlays(dpi);
        overlays.AttachOverlays(images);
    }
    TreeView_SetImageList(m_hWnd, images, TVSIL_NORMAL);
    if (ImageList)
        ImageList_Destroy(ImageList);
    ImageList = images;
}

void CLeftView::OnDestroy()
{
    // Workers hold copies, never this window; stop them before it goes, and
    // drop what they found but was not applied yet.
    StopWorkers();
    DefWindowProc(WM_DESTROY, 0, 0);
}

LRESULT CLeftView::OnInbox(UINT, WPARAM, LPARAM, bool&)
{
    // A slice at a time, so that input between slices is answered.
    constexpr DWORD kSliceMs = 50;
    m_inbox.Drain(kSliceMs);
    return 0;
}

// --- Notifications ------------------------------------------------------------

LRESULT CLeftView::OnDeleteItem(NMHDR* header)
{
    HTREEITEM item = reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.hItem;
    m_serials.erase(item);
    m_buttons.erase(item);
    m_partialTotals.erase(item);
    m_loading.erase(item);
    if (CutItem == item)
        CutItem = nullptr;
    if (DropItem == item)
        DropItem = nullptr;
    if (HoverItem == item)
        HoverItem = nullptr;
    return 0;
}

LRESULT CLeftView::OnGetDispInfo(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
    if (info->item.mask & TVIF_CHILDREN)
    {
        auto found = m_buttons.find(info->item.hItem);
        info->item.cChildren = found != m_buttons.end() && found->second ? 1 : 0;
    }
    return 0;
}

LRESULT CLeftView::OnItemExpanding(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
    HTREEITEM item = info->itemNew.hItem;
    if (!ExpandNotifications || !item)
        return 0;
    CTreeCtrl tree = Ctrl();
    if (info->action & TVE_EXPAND)
    {
        if (!tree.GetItemState(item, TVIS_EXPANDEDONCE))
        {
            ExpandItem(item);
            // The children are new: none of them carries a mark yet.
            SetPartial(item, false, false);
        }
        else if (IsPartial(item))
            CompletePartialItem(item);
    }
    else if (info->action & TVE_COLLAPSE)
    {
        // The marks go while collapsed; the item data stays, so that the next
        // expansion completes a partial item.
        LPARAM data = tree.GetItemData(item);
        SetPartial(item, false);
        tree.SetItemData(item, data);
    }
    return 0;
}

LRESULT CLeftView::OnItemExpanded(NMHDR* header)
{
    // Collapsing an ancestor of the selection moves the selection to it, on
    // this platform after this notice and without a selection notice: the
    // document follows once the collapse is done.
    auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
    if ((info->action & TVE_COLLAPSE) && ExpandNotifications)
        PostMessage(kFollowSelectionMessage);
    return 0;
}

LRESULT CLeftView::OnFollowSelection(UINT, WPARAM, LPARAM, bool&)
{
    if (IsShuttingDown())
        return 0;
    CNavroDoc* doc = GetDocument();
    HTREEITEM selected = Selected();
    if (doc && selected)
    {
        std::wstring path = GetItemPath(selected);
        if (path != doc->GetCurrentPath())
            doc->GoTo(this, path.c_str(), true);
    }
    return 0;
}

bool CLeftView::IsExpandedPartial(HTREEITEM item) const
{
    return item && IsPartial(item) && Ctrl().GetItemState(item, TVIS_EXPANDED);
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

LRESULT CLeftView::OnCustomDraw(NMHDR* header)
{
    auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage)
    {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        // The current key stays plainly marked while another pane has the
        // focus: this platform draws an unfocused selection in a shade that
        // hardly differs from the background.
        if ((draw->nmcd.uItemState & CDIS_SELECTED) && ::GetFocus() != m_hWnd)
        {
            draw->clrText = ::GetSysColor(COLOR_INACTIVECAPTIONTEXT);
            draw->clrTextBk = ::GetSysColor(COLOR_INACTIVECAPTION);
        }
        // A partly loaded item says so after its name.
        auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
        return IsExpandedPartial(item) ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    }
    case CDDS_ITEMPOSTPAINT: {
        auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
        std::wstring note = PartialNote(item);
        RECT rect = PartialNoteRect(item);
        if (note.empty() || rect.right <= rect.left)
            return CDRF_DODEFAULT;
        HDC dc = draw->nmcd.hdc;
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
        int mode = ::SetBkMode(dc, TRANSPARENT);
        COLORREF color = ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        ::DrawTextW(dc, note.c_str(), static_cast<int>(note.size()), &rect,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        ::SetTextColor(dc, color);
        ::SetBkMode(dc, mode);
        ::SelectObject(dc, old);
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

std::wstring CLeftView::InfoTip(HTREEITEM item) const
{
    int overlay = ItemOverlay(item);
    UINT id = overlay == kOverlayPartial                        ? IDS_TIP_PARTIAL
              : overlay == kOverlaySiblings                     ? IDS_TIP_SIBLINGS
              : overlay == (kOverlayPartial | kOverlaySiblings) ? IDS_TIP_BOTH
                                                                : 0;
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
    if (HWND edit = Ctrl().GetEditControl())
        ::DestroyWindow(edit);
}

// --- The document -------------------------------------------------------------

void CLeftView::NavigateDocument(const std::wstring& path)
{
    if (CNavroDoc* doc = GetDocument())
        doc->GoTo(this, path.c_str(), true);
}

void CLeftView::OnInitialUpdate()
{
    PopulateRoots();
    EndLabelEdit();
    if (CNavroDoc* doc = GetDocument())
        doc->GoTo(nullptr, nullptr, true);
}

void CLeftView::OnUpdate(CView*, LPARAM hint, const CUpdateHint* hintObject)
{
    if (IsShuttingDown())
        return;
    CNavroDoc* doc = GetDocument();
    switch (hint)
    {
    case kHintRegistryChanged: {
        VerifyCutItem();
        auto* changed = dynamic_cast<const RegistryChangedHint*>(hintObject);
        if (RenameIdle && changed)
            if (HTREEITEM root = FindChildItem(changed->root, TVI_ROOT))
                RefreshItem(root);
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
            if (zv::EqualsNoCase(selectedPath, current))
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
        // Everything shown only in part is read whole.
        CompleteExpandedPartialItems();
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
