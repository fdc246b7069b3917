// The address bar: a toolbar band holding Go to Parent Key, an editable
// combo box for typed or recent locations (with registry completion), and Go.
#pragma once

#include "app/RecentStrings.h"
#include "app/framework/ControlBars.h"
#include "base/Handles.h"

#include <shldisp.h>

#include <functional>
#include <memory>
#include <string>

class CFrameWnd;

// The address combo box (a ComboBoxEx whose edit breaks words at "\").
class CComboBoxHA : public CWnd
{
  public:
    bool Create(HWND parent);
    HWND EditControl() const;
    HWND InnerCombo() const;
    std::wstring EditText() const;
};

class CAddressContainer : public CToolBar
{
  public:
    CAddressContainer();
    ~CAddressContainer() override;

    // Creates the bar in the frame with the combo box, completion attached.
    bool CreateBar(CFrameWnd* frame);
    void Layout(int width, int height);
    CComboBoxHA* ComboBox() const noexcept { return m_combo.get(); }
    IAutoComplete* AutoComplete() const noexcept { return m_autoComplete.get(); }
    // The combo box is visible and the focus is in it or below it.
    bool HasFocus() const;
    // Go: records the typed location in the history and navigates to it.
    void Go();
    // Shows path (the current key) as the address, except while the user is
    // typing one: after Go, the address becomes the key it led to.
    void ShowLocation(const std::wstring& path);

    // Where Go and a picked history entry lead.
    std::function<void(const std::wstring& location)> Navigate;
    // The typed locations, newest first ("RecentGoTo").
    CRecentLocations History{L"GoTo"};

    BEGIN_MSG_MAP(CAddressContainer)
        MSG_WM_DESTROY(OnDestroy)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
        MESSAGE_HANDLER(WM_COMMAND, OnForward)
        MESSAGE_HANDLER(WM_NOTIFY, OnForward)
    END_MSG_MAP()

  private:
    void OnDestroy();
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnSizeMessage(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnForward(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void FillDropDown();
    void TakePickedEntry();

    zv::com_ptr<IAutoComplete> m_autoComplete;
    std::unique_ptr<CComboBoxHA> m_combo;
    HWND m_frame = nullptr;
    bool m_going = false; // within Go: the navigation's key replaces the text
};
