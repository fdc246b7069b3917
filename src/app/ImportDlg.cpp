// The import preview.
#include "app/ImportDlg.h"

#include "app/framework/DpiImages.h"

#include "base/Strings.h"

#include "resource.h"

CImportDlg::CImportDlg(ImportPlan& plan, const std::wstring& fileName, HWND parent)
    : CDialog(IDD_IMPORT_PREVIEW, parent), m_plan(plan), m_fileName(fileName)
{
}

HWND CImportDlg::List() const
{
    return GetDlgItem(IDC_IMPORT_CHANGES);
}

bool CImportDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, (L"Import " + m_fileName).c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_IMPORT_SUMMARY, ImportPlanSummary(m_plan).c_str());
    HWND list = List();
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    static const struct
    {
        const wchar_t* title;
        int width;
    } kColumns[] = {{L"Change", 210}, {L"Key", 260}, {L"Value", 110}, {L"Old data", 130}, {L"New data", 130}};
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.cx = ScaleToDpi(kColumns[i].width, WindowDpi(m_hWnd));
        ListView_InsertColumn(list, i, &column);
    }
    ListView_SetItemCountEx(list, static_cast<int>(m_plan.changes.size()), LVSICF_NOINVALIDATEALL);
    ::SetFocus(GetDlgItem(IDOK));
    return false; // the focus is set
}

void CImportDlg::ToggleRow(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_plan.changes.size())
        return;
    SelectImportChange(m_plan, static_cast<size_t>(row), !m_plan.changes[static_cast<size_t>(row)].selected);
    int last = row;
    if (m_plan.changes[static_cast<size_t>(row)].IsKeyRow())
        while (static_cast<size_t>(last + 1) < m_plan.changes.size() &&
               !m_plan.changes[static_cast<size_t>(last + 1)].IsKeyRow())
            ++last;
    ListView_RedrawItems(List(), row, last);
}

LRESULT CImportDlg::OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->idFrom != IDC_IMPORT_CHANGES)
    {
        handled = false;
        return 0;
    }
    if (header->code == LVN_GETDISPINFOW)
    {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        size_t row = static_cast<size_t>(info->item.iItem);
        if (row >= m_plan.changes.size())
            return 0;
        const ImportChange& change = m_plan.changes[row];
        if (info->item.mask & LVIF_TEXT)
        {
            switch (info->item.iSubItem)
            {
            case 0:
                m_cell = ImportChangeText(change);
                break;
            case 1:
                // A skipped line names the section it stood in.
                m_cell = change.IsKeyRow() || change.kind == ImportChangeKind::SkippedLine ? change.key
                                                                                           : std::wstring();
                break;
            case 2:
                m_cell = change.IsKeyRow()                              ? std::wstring()
                         : change.kind == ImportChangeKind::SkippedLine ? change.name // the line's text
                         : change.name.empty()                          ? L"(Default)"
                                                                        : change.name;
                break;
            case 3:
                m_cell = ImportOldText(change);
                break;
            default:
                m_cell = ImportNewText(change);
                break;
            }
            // Control characters would break the row's line.
            for (wchar_t& c : m_cell)
                if (c < 32)
                    c = L' ';
            info->item.pszText = m_cell.data();
        }
        if (info->item.iSubItem == 0)
        {
            info->item.mask |= LVIF_STATE;
            info->item.stateMask = LVIS_STATEIMAGEMASK;
            // A skipped line has no box: there is nothing to choose.
            info->item.state = INDEXTOSTATEIMAGEMASK(change.kind == ImportChangeKind::SkippedLine ? 0
                                                     : change.selected                            ? 2
                                                                                                  : 1);
        }
        return 0;
    }
    if (header->code == NM_CLICK)
    {
        auto* click = reinterpret_cast<NMITEMACTIVATE*>(lParam);
        LVHITTESTINFO hit = {};
        hit.pt = click->ptAction;
        ListView_SubItemHitTest(List(), &hit);
        if (hit.iItem >= 0 && (hit.flags & LVHT_ONITEMSTATEICON))
            ToggleRow(hit.iItem);
        return 0;
    }
    if (header->code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN*>(lParam)->wVKey == VK_SPACE)
    {
        ToggleRow(ListView_GetNextItem(List(), -1, LVNI_FOCUSED));
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CImportDlg::OnSize(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    handled = false;
    int width = LOWORD(lParam), height = HIWORD(lParam);
    HWND list = List();
    if (!list)
        return 0;
    RECT rc = {};
    ::GetWindowRect(list, &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    RECT button = {};
    ::GetWindowRect(GetDlgItem(IDOK), &button);
    int buttonHeight = button.bottom - button.top;
    int margin = rc.left;
    ::SetWindowPos(list, nullptr, 0, 0, width - 2 * margin, height - rc.top - buttonHeight - 2 * margin,
                   SWP_NOZORDER | SWP_NOMOVE);
    int x = width - margin;
    for (int id : {IDCANCEL, IDOK})
    {
        HWND control = GetDlgItem(id);
        ::GetWindowRect(control, &button);
        int w = button.right - button.left;
        x -= w;
        ::SetWindowPos(control, nullptr, x, height - margin - buttonHeight, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
        x -= margin / 2;
    }
    return 0;
}

void CImportDlg::OnOK()
{
    EndDialog(IDOK);
}
