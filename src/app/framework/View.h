// CView: a window that shows a document; CCtrlView and its kinds CTreeView
// and CListView are views over a common control. A view becomes the frame's
// active view when it gets the focus.
#pragma once

#include "app/framework/CmdTarget.h"
#include "app/framework/Window.h"
#include "base/Handles.h"

#include <objidl.h>

class CDocument;
class CFrameWnd;

// What an update hint carries besides its code: the program derives a type
// for each hint that carries something, and a view reads it by that type.
class CUpdateHint
{
  public:
    virtual ~CUpdateHint() = default;
};

class CView : public CWnd, public CCmdTarget
{
  public:
    ~CView() override;

    // Creates the view's window as a child of parent with control id id.
    virtual bool CreateView(HWND parent, UINT id, const RECT& rect) = 0;

    CDocument* GetDocument() const noexcept { return m_pDocument; }
    CFrameWnd* GetParentFrame() const noexcept { return m_pFrame; }

    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
    virtual void OnUpdate(CView* sender, LPARAM hint, const CUpdateHint* hintObject)
    {
        (void)sender;
        (void)hint;
        (void)hintObject;
    }
    virtual void OnActivateView(bool activate, CView* activated, CView* deactivated)
    {
        (void)activate;
        (void)activated;
        (void)deactivated;
    }

    // Drop target operations (active once RegisterDropTarget was called).
    virtual DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT point)
    {
        return OnDragOver(data, keyState, point);
    }
    virtual DWORD OnDragOver(IDataObject*, DWORD, POINT) { return DROPEFFECT_NONE; }
    virtual void OnDragLeave() {}
    virtual bool OnDrop(IDataObject*, DWORD effect, POINT)
    {
        (void)effect;
        return false;
    }
    bool RegisterDropTarget();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void OnFinalMessage(HWND) override;

    CDocument* m_pDocument = nullptr;
    CFrameWnd* m_pFrame = nullptr;
    // Deleted when its window is gone (views the frame created).
    bool m_autoDelete = false;

  private:
    zv::com_ptr<IDropTarget> m_dropTarget;
};

class CCtrlView : public CView
{
  public:
    CCtrlView(const wchar_t* controlClass, DWORD style) : m_controlClass(controlClass), m_style(style) {}
    bool CreateView(HWND parent, UINT id, const RECT& rect) override;
    // Runs once the control exists and is bound (the control's own WM_CREATE
    // came before the binding); false fails the creation.
    virtual bool OnControlCreated() { return true; }
    // Adjusts the control's styles before creation.
    virtual void PreCreateWindow(DWORD& style, DWORD& exStyle)
    {
        (void)style;
        (void)exStyle;
    }

  protected:
    const wchar_t* m_controlClass;
    DWORD m_style;
};

class CTreeView : public CCtrlView
{
  public:
    CTreeView() : CCtrlView(WC_TREEVIEWW, WS_CHILD | WS_VISIBLE | WS_BORDER) {}
};

class CListView : public CCtrlView
{
  public:
    CListView() : CCtrlView(WC_LISTVIEWW, WS_CHILD | WS_VISIBLE | WS_BORDER) {}
};
