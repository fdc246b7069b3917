// Value list: data that names a key, a class or a file, its icons, the link
// cursor and clicks on link icons.
#include "values/NavroView.h"

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

bool CNavroView::IsKeyLink(const std::wstring& text) const
{
    if (!IsSearchView)
        if (CNavroDoc* doc = GetDocument())
        {
            std::wstring resolved;
            if (ResolveRelative(doc->GetCurrentPath(), text, resolved) && KeyExists(resolved))
                return true;
        }
    return LooksLikeRegistryPath(text);
}

int CNavroView::GetDataLinkIcon(const std::wstring& text) const
{
    if (text.empty())
        return -1;
    if (IsKeyLink(text))
        return kIconKey;
    if (ContainsGuid(text))
        return kIconGuidLink;
    if (FindFilePath(text))
        return kIconFileLink;
    return -1;
}

bool CNavroView::HitIcon(POINT client, int& row, int& column) const
{
    LVHITTESTINFO hit = {};
    hit.pt = client;
    ListView_SubItemHitTest(ListWindow, &hit);
    row = hit.iItem;
    column = hit.iSubItem;
    if (row < 0 || !(hit.flags & LVHT_ONITEMICON))
        return false;
    if (ItemImage(row, column) < 0)
        return false;
    RECT icon = {};
    if (column == 0)
        ListView_GetItemRect(ListWindow, row, &icon, LVIR_ICON);
    else
        ListView_GetSubItemRect(ListWindow, row, column, LVIR_ICON, &icon);
    return PtInRect(&icon, client) != FALSE;
}

LRESULT CNavroView::OnClick(NMHDR* header)
{
    auto* info = reinterpret_cast<NMITEMACTIVATE*>(header);
    int row = -1, column = -1;
    if (!HitIcon(info->ptAction, row, column))
        return 0;
    if (column == DataColumn)
    {
        // Posted: the command may leave this key, which refills the list the
        // control is still telling about the click. The list's own window
        // would route no command to this pane's handlers, so it is a message
        // of the pane's own.
        // The click does what its icon shows, to its row.
        if (FocusedItem() != row)
            SelectItem(row);
        int icon = GetDataLinkIcon(ItemText(row, DataColumn));
        if (icon == kIconKey || icon == kIconFileLink)
            PostMessage(kLinkCommandMessage, ID_EXPLORE, 0);
        else if (icon == kIconGuidLink)
            PostMessage(kLinkCommandMessage, ID_GO_TO_DATA_DEFINITION, 0);
    }
    else if (column == 0 && GetItemKind(row) >= kCommandRow)
    {
        PostFrameCommand(static_cast<UINT>(ItemData(row) >> kRowKindShift));
    }
    return 0;
}

LRESULT CNavroView::OnLinkCommand(UINT, WPARAM command, LPARAM, bool&)
{
    OnCmdMsg(static_cast<UINT>(command), nullptr);
    return 0;
}

LRESULT CNavroView::OnSetCursor(UINT, WPARAM, LPARAM, bool& handled)
{
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(ListWindow, &point);
    int row = -1, column = -1;
    if (LinkCursor && HitIcon(point, row, column) &&
        (column == DataColumn || GetItemKind(row) >= kCommandRow))
    {
        SetCursor(LinkCursor);
        return TRUE;
    }
    handled = false;
    return 0;
}
