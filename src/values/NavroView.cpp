// Value list: life cycle, hints, activation and key paths of rows.
#include "values/NavroView.h"

#include "app/framework/DpiImages.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/SettingsStore.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "base/WaitCursor.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "values/DataLinks.h"

#include "resource.h"

#include <algorithm>
#include <vector>

CNavroDoc* CNavroView::GetDocument() const
{
    return dynamic_cast<CNavroDoc*>(m_pDocument);
}

void CNavroView::PreCreateWindow(DWORD& style, DWORD&)
{
    // Virtual mode: the rows live in the view. No label editing: the
    // in-place editor of the value list is the program's own.
    style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA;
}

void CNavroView::LoadImages(UINT dpi)
{
    HIMAGELIST images = LoadImageStrip(IDB_VALUE_IMAGES, SIZE{16, 15}, dpi, 2);
    if (!images)
        return;
    ListView_SetImageList(m_hWnd, images, LVSIL_SMALL);
    if (Images)
        ImageList_Destroy(Images);
    Images = images;
}

bool CNavroView::OnControlCreated()
{
    ListWindow = m_hWnd;
    LoadImages(WindowDpi(m_hWnd));
    // The cut mark and the drop highlight are the rows'; selection and focus
    // stay the control's.
    ListView_SetCallbackMask(m_hWnd, LVIS_CUT | LVIS_DROPHILITED);
    RegisterDropTarget();
    return true;
}

void CNavroView::OnDestroy()
{
    EndCellEdit();
    SaveLayout();
    DefWindowProc(WM_DESTROY, 0, 0);
}

void CNavroView::OnUpdate(CView*, LPARAM hint, const CUpdateHint* hintObject)
{
    if (IsShuttingDown())
        return;
    CNavroDoc* doc = GetDocument();
    std::wstring current = doc ? doc->GetCurrentPath() : std::wstring();
    switch (hint)
    {
    case kHintRegistryChanged: {
        auto* changed = dynamic_cast<const RegistryChangedHint*>(hintObject);
        if (changed && IsSameOrUnder(current, changed->root))
            RefreshValues(current);
        break;
    }
    case kHintLocationChanged:
        Refill();
        break;
    case kHintNumberFormat:
    case kHintValuesChanged:
        RefreshValues(current);
        break;
    case kHintSelectValue:
        if (auto* select = dynamic_cast<const SelectValueHint*>(hintObject))
            SelectValueWhenFilled(select->name.c_str());
        break;
    case kHintClearMarks:
        ClearCutMarks(false);
        break;
    default:
        break;
    }
}

void CNavroView::ActivateSelectedItem()
{
    int row = FocusedItem();
    if (row < 0)
        return;
    EndCellEdit();
    row = FocusedItem(); // the commit may have changed the rows
    if (row < 0)
        return;
    if (GetItemKind(row) >= kCommandRow)
    {
        PostFrameCommand(static_cast<UINT>(ItemData(row) >> kRowKindShift));
        return;
    }
    CNavroDoc* doc = GetDocument();
    if (!doc || GetItemKind(row) != kValueRow)
        return;
    std::wstring keyPath = GetItemParentPath(row);
    std::wstring name = ItemText(row, 0);
    std::wstring newName;
    std::wstring newData;
    DWORD newType = 0;
    if (!doc->EditValue(keyPath, name, newName, newData, newType))
        return;
    // The dialog was modal: the rows may have been refreshed meanwhile.
    row = FindRow(keyPath, name);
    if (row < 0)
        row = FindRow(keyPath, newName);
    if (row < 0)
        return;
    if (newName != ItemText(row, 0))
        SetCell(row, 0, newName, ItemImage(row, 0));
    if (newData != ItemText(row, DataColumn))
        SetCell(row, DataColumn, newData, newData.empty() ? -1 : ListRow::kLinkUnknown);
    if (newType != GetItemType(row))
        SetItemType(row, newType);
    SelectItem(row);
}

LRESULT CNavroView::OnDoubleClick(NMHDR*)
{
    ActivateSelectedItem();
    return 0;
}

void CNavroView::OnActivateView(bool activate, CView*, CView*)
{
    if (activate && FocusedItem() < 0 && ItemCount() > 0)
        SelectItem(ListView_GetTopIndex(ListWindow));
}

// --- Paths ------------------------------------------------------------------

std::wstring CNavroView::GetItemParentPath(int) const
{
    CNavroDoc* doc = GetDocument();
    return doc ? doc->GetCurrentPath() : std::wstring();
}

std::wstring CNavroView::GetItemKeyPath(int row) const
{
    std::wstring path = GetItemParentPath(row);
    if (GetItemKind(row) == kKeyRow)
        path += L"\\" + ItemText(row, 0);
    return path;
}

bool CNavroView::IsPasteTarget(int row) const
{
    return GetItemKind(row) != kCommandRow;
}

void CNavroView::PostFrameCommand(UINT command)
{
    if (m_frame)
        m_frame->PostCommand(command);
}
