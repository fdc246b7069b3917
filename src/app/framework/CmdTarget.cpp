// Menu and toolbar command states.
#include "app/framework/CmdTarget.h"

#include <commctrl.h>

void CMenuCmdUI::Enable(bool on)
{
    CCmdUI::Enable(on);
    EnableMenuItem(m_menu, m_index, MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

void CMenuCmdUI::SetCheck(int check)
{
    CCmdUI::SetCheck(check);
    MENUITEMINFOW info = {sizeof(info)};
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfoW(m_menu, m_index, TRUE, &info);
    info.fType &= ~MFT_RADIOCHECK;
    info.fState = (info.fState & ~MFS_CHECKED) | (check ? MFS_CHECKED : 0);
    SetMenuItemInfoW(m_menu, m_index, TRUE, &info);
}

void CMenuCmdUI::SetRadio(bool on)
{
    CCmdUI::SetRadio(on);
    MENUITEMINFOW info = {sizeof(info)};
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfoW(m_menu, m_index, TRUE, &info);
    info.fType = on ? (info.fType | MFT_RADIOCHECK) : (info.fType & ~MFT_RADIOCHECK);
    info.fState = (info.fState & ~MFS_CHECKED) | (on ? MFS_CHECKED : 0);
    SetMenuItemInfoW(m_menu, m_index, TRUE, &info);
}

void CMenuCmdUI::SetText(const wchar_t* text)
{
    CCmdUI::SetText(text);
    MENUITEMINFOW info = {sizeof(info)};
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(m_text.c_str());
    SetMenuItemInfoW(m_menu, m_index, TRUE, &info);
}

void CToolCmdUI::Enable(bool on)
{
    CCmdUI::Enable(on);
    SendMessageW(m_toolbar, TB_ENABLEBUTTON, m_nID, MAKELPARAM(on ? TRUE : FALSE, 0));
}

void CToolCmdUI::SetCheck(int check)
{
    CCmdUI::SetCheck(check);
    SendMessageW(m_toolbar, TB_CHECKBUTTON, m_nID, MAKELPARAM(check ? TRUE : FALSE, 0));
}

void CToolCmdUI::SetRadio(bool on)
{
    SetCheck(on ? 1 : 0);
    m_radio = on;
}
