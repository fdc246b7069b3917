// Modal dialogs, data exchange and property pages.
#include "app/framework/Dialog.h"
#include "base/Log.h"

#include <algorithm>

#include "app/framework/FrameworkIds.h"
#include "app/framework/WinApp.h"

#include "base/Strings.h"
#include "base/UserPrompts.h"

#include <prsht.h>
#include <cstdlib>
#include <vector>

HWND CDataExchange::PrepareCtrl(int id)
{
    m_lastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    return m_lastControl;
}

void CDataExchange::Fail()
{
    m_failed = true;
    if (m_bSaveAndValidate && m_lastControl)
    {
        ::SetFocus(m_lastControl);
        if (::SendMessageW(m_lastControl, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
            ::SendMessageW(m_lastControl, EM_SETSEL, 0, -1);
    }
}

namespace
{
std::wstring ControlText(HWND control)
{
    int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}
} // namespace

void DDX_Text(CDataExchange* dx, int id, std::wstring& value)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = ControlText(control);
    else
        ::SetWindowTextW(control, value.c_str());
}

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    HWND control = dx->PrepareCtrl(id);
    if (!dx->m_bSaveAndValidate)
    {
        ::SetWindowTextW(control, std::to_wstring(value).c_str());
        return;
    }
    std::wstring text = zv::TrimSpaces(ControlText(control));
    wchar_t* end = nullptr;
    long number = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || (end && *end))
    {
        AfxMessageBox(L"Please enter an integer.", MB_OK | MB_ICONEXCLAMATION);
        dx->Fail();
        return;
    }
    value = static_cast<int>(number);
}

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Check(CDataExchange* dx, int id, bool& value)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    int check = value ? BST_CHECKED : BST_UNCHECKED;
    DDX_Check(dx, id, check);
    if (dx->m_bSaveAndValidate)
        value = check == BST_CHECKED;
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_CBString(CDataExchange* dx, int id, std::wstring& value)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = ControlText(control);
    else
        ::SetWindowTextW(control, value.c_str());
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    if (!dx->m_bSaveAndValidate || (value >= minimum && value <= maximum))
        return;
    AfxMessageBox(zv::Format(L"Please enter an integer between %d and %d.", minimum, maximum),
                  MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
}

void DDV_MaxChars(CDataExchange* dx, const std::wstring& value, size_t maximum)
{
    if (dx->m_failed)
        return; // the first failure ends the exchange
    if (!dx->m_bSaveAndValidate)
    {
        if (dx->m_lastControl)
            ::SendMessageW(dx->m_lastControl, EM_LIMITTEXT, maximum, 0);
        return;
    }
    if (value.size() <= maximum)
        return;
    AfxMessageBox(zv::Format(L"Enter no more than %u characters.", static_cast<unsigned>(maximum)),
                  MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
}

INT_PTR CDialog::DoModal()
{
    INT_PTR scripted = 0;
    if (UserPrompts().AnswerModal(m_templateId, scripted))
        return scripted;
    HWND parent = m_parent ? m_parent : PromptOwner();
    if (parent && !::IsWindow(parent))
        parent = nullptr;
    if (m_memoryTemplate)
        return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), m_memoryTemplate, parent, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

bool CDialog::UpdateData(bool save)
{
    CDataExchange dx(this, save);
    DoDataExchange(&dx);
    return !dx.m_failed;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::ShowOwnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(m_hWnd, HID_BASE_RESOURCE + m_templateId, HELP_CONTEXT);
}

void CDialog::EndDialog(INT_PTR result)
{
    m_ending = true;
    ::EndDialog(m_hWnd, result);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Dialog procedures answer through their return value; a dialog's own
    // map runs first, then the standard buttons.
    LRESULT result = 0;
    if ((message == WM_NOTIFY || message == WM_COMMAND) && ReflectToChild(message, wParam, lParam, result))
        return result;
    if (ProcessWindowMessage(m_hWnd, message, wParam, lParam, result))
    {
        if (message == WM_NOTIFY || message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC ||
            message == WM_CTLCOLOREDIT || message == WM_CTLCOLORBTN || message == WM_CTLCOLORLISTBOX)
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_HELP)
    {
        ShowOwnHelp();
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
    {
        if (LOWORD(wParam) == IDOK)
        {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}

void CenterOverOwner(HWND dialog) noexcept
{
    // Over the main window the dialog belongs to (its owner may be a pane
    // of it), and inside that window's screen.
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    HWND top = owner ? ::GetAncestor(owner, GA_ROOT) : nullptr;
    RECT box = {}, over = {};
    if (!::GetWindowRect(dialog, &box))
        return;
    MONITORINFO screen = {sizeof(screen)};
    HMONITOR monitor = ::MonitorFromWindow(top ? top : dialog, MONITOR_DEFAULTTONEAREST);
    if (!::GetMonitorInfoW(monitor, &screen))
        return;
    if (!top || !::IsWindowVisible(top) || !::GetWindowRect(top, &over))
        over = screen.rcWork;
    int width = box.right - box.left, height = box.bottom - box.top;
    int x = over.left + ((over.right - over.left) - width) / 2;
    int y = over.top + ((over.bottom - over.top) - height) / 2;
    const RECT& work = screen.rcWork;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG)
    {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = window;
        CWnd::BindHandle(window, self);
        CenterOverOwner(window);
        INT_PTR focus = TRUE;
        try
        {
            focus = self->OnInitDialog() ? TRUE : FALSE;
        }
        catch (...)
        {
            LogCaughtException(L"dialog start");
        }
        UserPrompts().DialogShown(self->m_templateId, window);
        return focus;
    }
    self = static_cast<CDialog*>(CWnd::FromHandle(window));
    if (!self)
        return FALSE;
    INT_PTR handled = FALSE;
    try
    {
        handled = static_cast<INT_PTR>(self->WindowProc(message, wParam, lParam));
    }
    catch (...)
    {
        LogCaughtException(L"dialog procedure");
        handled = FALSE;
    }
    if (message == WM_NCDESTROY)
    {
        CWnd::UnbindHandle(window);
        self->m_hWnd = nullptr;
    }
    return handled;
}

PROPSHEETPAGEW CPropertyPage::PageDescription()
{
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.hInstance = ::GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(m_templateId);
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

LRESULT CPropertyPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY)
    {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT answer = -1;
        if (header->code == PSN_SETACTIVE)
            answer = OnSetActive() ? 0 : -1;
        else if (header->code == PSN_KILLACTIVE)
            answer = OnKillActive() ? FALSE : TRUE;
        else if (header->code == PSN_APPLY)
            answer = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        if (header->code == PSN_SETACTIVE || header->code == PSN_KILLACTIVE || header->code == PSN_APPLY)
        {
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, answer);
            return TRUE;
        }
    }
    LRESULT result = 0;
    if ((message == WM_NOTIFY || message == WM_COMMAND) && ReflectToChild(message, wParam, lParam, result))
        return result;
    if (ProcessWindowMessage(m_hWnd, message, wParam, lParam, result))
    {
        if (message == WM_NOTIFY)
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_HELP)
    {
        ShowOwnHelp();
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_INITDIALOG)
    {
        auto* description = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
        auto* self = reinterpret_cast<CPropertyPage*>(description->lParam);
        self->m_hWnd = window;
        CWnd::BindHandle(window, self);
        INT_PTR focus = TRUE;
        try
        {
            focus = self->OnInitDialog() ? TRUE : FALSE;
        }
        catch (...)
        {
            LogCaughtException(L"dialog start");
        }
        UserPrompts().DialogShown(self->m_templateId, window);
        return focus;
    }
    auto* self = static_cast<CPropertyPage*>(CWnd::FromHandle(window));
    if (!self)
        return FALSE;
    INT_PTR handled = FALSE;
    try
    {
        handled = static_cast<INT_PTR>(self->WindowProc(message, wParam, lParam));
    }
    catch (...)
    {
        LogCaughtException(L"property page procedure");
    }
    if (message == WM_NCDESTROY)
    {
        CWnd::UnbindHandle(window);
        self->m_hWnd = nullptr;
    }
    return handled;
}

INT_PTR CPropertySheet::DoModal()
{
    if (!m_pages.empty())
    {
        INT_PTR scripted = 0;
        if (UserPrompts().AnswerModal(m_pages.front()->TemplateId(), scripted))
            return scripted;
    }
    std::vector<PROPSHEETPAGEW> pages;
    for (CPropertyPage* page : m_pages)
        pages.push_back(page->PageDescription());
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = m_parent;
    header.hInstance = ::GetModuleHandleW(nullptr);
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    INT_PTR result = ::PropertySheetW(&header);
    return result > 0 ? IDOK : IDCANCEL;
}
