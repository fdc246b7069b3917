// Command routing: command identifiers reach the handlers of a class's
// command map (BEGIN_COMMAND_MAP ... END_COMMAND_MAP); update handlers are
// asked, through a CCmdUI, whether a command's menu item or button is
// enabled, checked, radio-marked or retitled. The frame pulls these states at
// idle time and when a menu opens; nothing pushes them.
#pragma once

#include <windows.h>
#include <string>

class CCmdUI
{
  public:
    explicit CCmdUI(UINT id) : m_nID(id) {}
    virtual ~CCmdUI() = default;
    virtual void Enable(bool on = true) { m_enabled = on; }
    virtual void SetCheck(int check = 1) { m_checked = check; }
    virtual void SetRadio(bool on = true) { m_radio = on; }
    virtual void SetText(const wchar_t* text) { m_text = text ? text : L""; }

    UINT m_nID;
    // Set by the routing when some class handles the command or its update.
    bool m_handled = false;
    bool m_enabled = false;
    int m_checked = 0;
    bool m_radio = false;
    std::wstring m_text;
};

class CCmdTarget
{
  public:
    virtual ~CCmdTarget() = default;
    // With ui null: executes the command; with ui: asks for its state.
    // True when this class's map carries the command.
    virtual bool OnCmdMsg(UINT id, CCmdUI* ui)
    {
        (void)id;
        (void)ui;
        return false;
    }
};

// The map runs twice: update handlers first, then the command handlers (a
// command with a handler and no update handler is enabled).
#define BEGIN_COMMAND_MAP(theClass)                                                                          \
  public:                                                                                                    \
    bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override                                                         \
    {                                                                                                        \
        for (int zvPass = 0; zvPass < 2; ++zvPass)                                                           \
        {

// void func()
#define ON_COMMAND(id, func)                                                                                 \
    if (zvPass == 1 && nID == static_cast<UINT>(id))                                                         \
    {                                                                                                        \
        if (pCmdUI)                                                                                          \
            pCmdUI->Enable(true);                                                                            \
        else                                                                                                 \
            func();                                                                                          \
        return true;                                                                                         \
    }

// void func(UINT id)
#define ON_COMMAND_RANGE(first, last, func)                                                                  \
    if (zvPass == 1 && nID >= static_cast<UINT>(first) && nID <= static_cast<UINT>(last))                    \
    {                                                                                                        \
        if (pCmdUI)                                                                                          \
            pCmdUI->Enable(true);                                                                            \
        else                                                                                                 \
            func(nID);                                                                                       \
        return true;                                                                                         \
    }

// void func(CCmdUI*)
#define ON_UPDATE_COMMAND_UI(id, func)                                                                       \
    if (zvPass == 0 && pCmdUI && nID == static_cast<UINT>(id))                                               \
    {                                                                                                        \
        func(pCmdUI);                                                                                        \
        return true;                                                                                         \
    }

#define ON_UPDATE_COMMAND_UI_RANGE(first, last, func)                                                        \
    if (zvPass == 0 && pCmdUI && nID >= static_cast<UINT>(first) && nID <= static_cast<UINT>(last))          \
    {                                                                                                        \
        func(pCmdUI);                                                                                        \
        return true;                                                                                         \
    }

#define END_COMMAND_MAP()                                                                                    \
    }                                                                                                        \
    return false;                                                                                            \
    }

#define END_COMMAND_MAP_CHAIN(theBase)                                                                       \
    }                                                                                                        \
    return theBase::OnCmdMsg(nID, pCmdUI);                                                                   \
    }

// Menu item and toolbar button states.
class CMenuCmdUI : public CCmdUI
{
  public:
    CMenuCmdUI(HMENU menu, UINT index, UINT id) : CCmdUI(id), m_menu(menu), m_index(index) {}
    void Enable(bool on = true) override;
    void SetCheck(int check = 1) override;
    void SetRadio(bool on = true) override;
    void SetText(const wchar_t* text) override;
    HMENU m_menu;
    UINT m_index;
};

class CToolCmdUI : public CCmdUI
{
  public:
    CToolCmdUI(HWND toolbar, UINT id) : CCmdUI(id), m_toolbar(toolbar) {}
    void Enable(bool on = true) override;
    void SetCheck(int check = 1) override;
    void SetRadio(bool on = true) override;
    HWND m_toolbar;
};
