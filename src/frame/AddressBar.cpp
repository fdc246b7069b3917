// Address bar.
#include "frame/AddressBar.h"

#include "app/framework/DpiImages.h"

#include "app/framework/FrameWnd.h"
#include "frame/MainToolbars.h"
#include "app/RegistryACList.h"

#include "resource.h"

bool CComboBoxHA::Create(HWND parent)
{
    // The height is the drop-down list's; the width follows the band.
    UINT dpi = WindowDpi(parent);
    if (!CreateControl(0, WC_COMBOBOXEXW, L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                       RECT{0, 0, ScaleToDpi(200, dpi), ScaleToDpi(120, dpi)}, parent, ID_ADDRESS_COMBO))
        return false;
    SendMessage(CBEM_SETEXTENDEDSTYLE, CBES_EX_PATHWORDBREAKPROC, CBES_EX_PATHWORDBREAKPROC);
    return true;
}

HWND CComboBoxHA::EditControl() const
{
    return reinterpret_cast<HWND>(SendMessage(CBEM_GETEDITCONTROL));
}

HWND CComboBoxHA::InnerCombo() const
{
    return reinterpret_cast<HWND>(SendMessage(CBEM_GETCOMBOCONTROL));
}

std::wstring CComboBoxHA::EditText() const
{
    HWND edit = EditControl();
    HWND source = edit ? edit : m_hWnd;
    int length = ::GetWindowTextLengthW(source);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(source, text.data(), length + 1)));
    return text;
}

CAddressContainer::CAddressContainer() = default;

CAddressContainer::~CAddressContainer()
{
    m_autoComplete.reset();
}

bool CAddressContainer::CreateBar(CFrameWnd* frame)
{
    m_frame = frame->m_hWnd;
    if (!CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, AFX_IDW_TOOLBAR))
        return false;
    if (!LoadToolBar(AddressBarButtons()))
        return false;
    // The bitmap holds the two real buttons; the placeholder has no image.
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_IMAGE;
    info.iImage = I_IMAGENONE;
    SendMessage(TB_SETBUTTONINFOW, ID_ADDRESS_COMBO, reinterpret_cast<LPARAM>(&info));
    info.iImage = 1;
    SendMessage(TB_SETBUTTONINFOW, ID_GO, reinterpret_cast<LPARAM>(&info));

    m_combo = std::make_unique<CComboBoxHA>();
    if (!m_combo->Create(m_hWnd))
        return false;
    RECT rc = GetClientRect();
    Layout(rc.right, rc.bottom);
    m_autoComplete.reset();
    if (HWND edit = m_combo->EditControl())
        AttachRegistryAutoComplete(m_autoComplete, edit);
    return true;
}

void CAddressContainer::Layout(int width, int height)
{
    if ((width == 0 && height == 0) || !m_combo || !m_combo->m_hWnd)
        return;
    int others = 0;
    int placeholder = -1;
    int count = static_cast<int>(SendMessage(TB_BUTTONCOUNT));
    for (int i = 0; i < count; ++i)
    {
        TBBUTTON button = {};
        SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (button.idCommand == ID_ADDRESS_COMBO)
            placeholder = i;
        else
            others += ButtonWidth(i);
    }
    if (placeholder < 0)
        return;
    int wanted = std::max(0, width - others - 1);
    TBBUTTON current = {};
    SendMessage(TB_GETBUTTON, placeholder, reinterpret_cast<LPARAM>(&current));
    if (!(current.fsStyle & BTNS_SEP) || current.iBitmap != wanted)
    {
        // A separator as wide as the room left is where the combo box sits.
        SendMessage(TB_DELETEBUTTON, placeholder);
        TBBUTTON separator = {};
        separator.iBitmap = wanted;
        separator.idCommand = ID_ADDRESS_COMBO;
        separator.fsStyle = BTNS_SEP;
        SendMessage(TB_INSERTBUTTONW, placeholder, reinterpret_cast<LPARAM>(&separator));
    }
    RECT rc = {};
    SendMessage(TB_GETITEMRECT, placeholder, reinterpret_cast<LPARAM>(&rc));
    RECT comboRect = {};
    ::GetWindowRect(m_combo->m_hWnd, &comboRect);
    int comboHeight = comboRect.bottom - comboRect.top;
    int top = rc.top + ((rc.bottom - rc.top) - comboHeight) / 2;
    ::SetWindowPos(m_combo->m_hWnd, nullptr, rc.left, top > 0 ? top : 0, rc.right - rc.left,
                   ScaleToDpi(200, WindowDpi(m_hWnd)), SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CAddressContainer::HasFocus() const
{
    if (!m_combo || !m_combo->m_hWnd || !::IsWindowVisible(m_combo->m_hWnd))
        return false;
    for (HWND at = ::GetFocus(); at; at = ::GetParent(at))
        if (at == m_combo->m_hWnd)
            return true;
    return false;
}

void CAddressContainer::OnDestroy()
{
    m_autoComplete.reset();
    DefWindowProc(WM_DESTROY, 0, 0);
}

LRESULT CAddressContainer::OnEraseBackground(UINT, WPARAM, LPARAM, bool& handled)
{
    RECT rc = GetWindowRect();
    Layout(rc.right - rc.left, rc.bottom - rc.top);
    handled = false;
    return 0;
}

LRESULT CAddressContainer::OnSizeMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    Layout(LOWORD(lParam), HIWORD(lParam));
    handled = false;
    return 0;
}

LRESULT CAddressContainer::OnForward(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (message == WM_COMMAND && LOWORD(wParam) == ID_ADDRESS_COMBO && lParam)
    {
        if (HIWORD(wParam) == CBN_DROPDOWN)
            FillDropDown();
        else if (HIWORD(wParam) == CBN_SELENDOK)
            TakePickedEntry();
        return 0;
    }
    if (message == WM_NOTIFY && m_frame && reinterpret_cast<NMHDR*>(lParam)->idFrom == ID_ADDRESS_COMBO)
        return ::SendMessageW(m_frame, message, wParam, lParam);
    handled = false;
    return 0;
}

// --- Going to a location -----------------------------------------------------------

void CAddressContainer::Go()
{
    if (!m_combo)
        return;
    std::wstring text = m_combo->EditText();
    if (text.empty())
        return;
    History.Load();
    History.Add(text);
    History.Save();
    // The completion list has done its work once the address is taken.
    CloseAutoCompleteList(m_autoComplete.get(), m_combo->EditControl());
    if (Navigate)
    {
        m_going = true;
        Navigate(text);
        m_going = false;
    }
}

void CAddressContainer::ShowLocation(const std::wstring& path)
{
    if (!m_combo || (HasFocus() && !m_going))
        return;
    if (m_combo->EditText() == path)
        return;
    ::SetWindowTextW(m_combo->EditControl(), path.c_str());
}

void CAddressContainer::FillDropDown()
{
    if (!m_combo)
        return;
    ::SendMessageW(m_combo->InnerCombo(), CB_RESETCONTENT, 0, 0);
    History.Load();
    for (const std::wstring& entry : History.Entries())
    {
        if (entry.empty())
            continue;
        COMBOBOXEXITEMW item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = -1;
        item.pszText = const_cast<wchar_t*>(entry.c_str());
        m_combo->SendMessage(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void CAddressContainer::TakePickedEntry()
{
    if (!m_combo)
        return;
    int selected = static_cast<int>(m_combo->SendMessage(CB_GETCURSEL));
    if (selected < 0)
        return;
    // History entries are locations: far below this in length.
    wchar_t text[4096] = {};
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = selected;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    if (!m_combo->SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return;
    if (Navigate)
        Navigate(text);
}
