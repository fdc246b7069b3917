// CFrameWnd: the top-level window that holds control bars and a pane area,
// routes commands (active view, its document, the frame, the application),
// pulls update states for menus (when they open) and toolbars (at idle),
// swallows accelerators of disabled commands, and shows command prompts and
// other texts in its status bar.
#pragma once

#include "app/framework/CmdTarget.h"
#include "app/framework/ControlBars.h"
#include "app/framework/FrameworkIds.h"
#include "base/UserPrompts.h"
#include "app/framework/Window.h"

#include <functional>
#include <vector>

class CDocument;
class CView;
class CSingleDocTemplate;

// What a frame needs to create its views.
struct CCreateContext
{
    CDocument* document = nullptr;
    CSingleDocTemplate* docTemplate = nullptr;
    std::function<CView*()> newView;
};

class CFrameWnd : public CWnd, public CCmdTarget, public IStatusText
{
  public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Creates the frame with menu, accelerators and icon of resourceId.
    bool LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW, CCreateContext* context = nullptr,
                   HWND parent = nullptr);
    virtual bool PreCreateWindow(CREATESTRUCTW& cs);
    // Creates the pane area; the default makes one view from the context.
    virtual bool OnCreateClient(const CREATESTRUCTW& cs, CCreateContext* context);
    // Creates a view for a pane: its window, its document and this frame.
    CView* CreateView(CCreateContext* context, HWND parent, UINT id, const RECT& rect,
                      std::function<CView*()> factory = nullptr);
    void InitialUpdateFrame(CDocument* document, bool makeVisible);

    CView* GetActiveView() const noexcept { return m_activeView; }
    void SetActiveView(CView* view, bool notify = true);
    CDocument* GetActiveDocument() const;

    // Routes a command (ui null) or an update query; true when some class took it.
    bool RouteCommand(UINT id, CCmdUI* ui);
    // Asks for a command's state; disables what no class handles.
    void UpdateCommandUI(CCmdUI& ui);
    void OnUpdateMenu(HMENU popup);
    void OnIdleUpdateCmdUI();

    void AddControlBar(CControlBar* bar);
    void RemoveControlBar(CControlBar* bar);
    CControlBar* GetControlBar(UINT id) const;
    void ShowControlBar(CControlBar* bar, bool show);
    virtual void RecalcLayout();
    // Bar visibility in a settings section.
    void SaveBarState(const wchar_t* section) const;
    void LoadBarState(const wchar_t* section);

    // Status text: prompts of commands, and texts from any thread.
    virtual std::wstring GetMessageString(UINT id) const;
    void SetMessageText(const std::wstring& text);
    void SetStatusText(const std::wstring& text) override;
    CStatusBar* m_statusBar = nullptr; // the bar that shows message texts

    bool PreTranslateMessage(MSG* msg) override;
    int OnCreate(const CREATESTRUCTW& cs);
    void OnFinalMessage(HWND) override;

    BEGIN_MSG_MAP(CFrameWnd)
        MSG_WM_CREATE(OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
        MESSAGE_HANDLER(WM_COMMAND, OnCommandMessage)
        MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
        MESSAGE_HANDLER(WM_MENUSELECT, OnMenuSelect)
        MESSAGE_HANDLER(WM_SETMESSAGESTRING, OnSetMessageString)
        MESSAGE_HANDLER(WM_NOTIFY, OnNotifyMessage)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocusMessage)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroyMessage)
    END_MSG_MAP()

    HACCEL m_accelerators = nullptr;
    HMENU m_menu = nullptr;
    UINT m_resourceId = 0;
    // Deleted when its window is gone (frames the document template made).
    bool m_autoDelete = false;
    // The template that made this frame; told when the window is gone.
    CSingleDocTemplate* m_docTemplate = nullptr;

    BEGIN_COMMAND_MAP(CFrameWnd)
        ON_COMMAND_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnBarCheck)
        ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateBarCheck)
    END_COMMAND_MAP()

  protected:
    // FrameWnd.cpp: the frame's messages.
    LRESULT OnSizeMessage(UINT, WPARAM type, LPARAM, bool&);
    LRESULT OnCommandMessage(UINT, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnInitMenuPopup(UINT, WPARAM menu, LPARAM lParam, bool&);
    LRESULT OnMenuSelect(UINT, WPARAM wParam, LPARAM lParam, bool&);
    LRESULT OnSetMessageString(UINT, WPARAM id, LPARAM text, bool&);
    LRESULT OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled);
    LRESULT OnSetFocusMessage(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroyMessage(UINT, WPARAM, LPARAM, bool& handled);
    // FrameWndBars.cpp
    void OnBarCheck(UINT id);
    void OnUpdateBarCheck(CCmdUI* ui);
    // FrameWndCommands.cpp
    bool OnCommand(WPARAM wParam, LPARAM lParam);

    CView* m_activeView = nullptr;
    CCreateContext* m_pendingContext = nullptr;
    std::vector<CControlBar*> m_bars;
    bool m_inMenu = false;
};
