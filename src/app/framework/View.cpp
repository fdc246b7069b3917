// Views: activation by focus, control views, and the OLE drop target.
#include "app/framework/View.h"

#include "app/framework/Document.h"
#include "app/framework/FrameWnd.h"

#include <ole2.h>

namespace
{
// Forwards the OLE drop-target calls to the view's virtual operations.
class CViewDropTarget final : public IDropTarget
{
  public:
    explicit CViewDropTarget(CView* view) : m_view(view) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDropTarget)
        {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override
    {
        m_data = data;
        *effect = m_view ? m_view->OnDragEnter(data, keys, ToClient(pt)) & *effect : DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD keys, POINTL pt, DWORD* effect) override
    {
        *effect = m_view && m_data ? m_view->OnDragOver(m_data, keys, ToClient(pt)) & *effect : DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override
    {
        if (m_view)
            m_view->OnDragLeave();
        m_data = nullptr;
        return S_OK;
    }
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override
    {
        POINT point = ToClient(pt);
        DWORD chosen = m_view ? m_view->OnDragOver(data, keys, point) & *effect : DROPEFFECT_NONE;
        bool dropped = chosen != DROPEFFECT_NONE && m_view->OnDrop(data, chosen, point);
        if (!dropped && m_view)
            m_view->OnDragLeave();
        *effect = dropped ? chosen : DROPEFFECT_NONE;
        m_data = nullptr;
        return S_OK;
    }
    void Detach() { m_view = nullptr; }

  private:
    POINT ToClient(POINTL pt) const
    {
        POINT p = {pt.x, pt.y};
        if (m_view && m_view->m_hWnd)
            ScreenToClient(m_view->m_hWnd, &p);
        return p;
    }
    LONG m_refs = 1;
    CView* m_view;
    IDataObject* m_data = nullptr;
};
} // namespace

CView::~CView()
{
    if (m_dropTarget)
    {
        if (m_hWnd)
            RevokeDragDrop(m_hWnd);
        static_cast<CViewDropTarget*>(m_dropTarget)->Detach();
        m_dropTarget->Release();
    }
    if (m_pFrame && m_pFrame->GetActiveView() == this)
        m_pFrame->SetActiveView(nullptr, false);
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

bool CView::RegisterDropTarget()
{
    if (m_dropTarget || !m_hWnd)
        return m_dropTarget != nullptr;
    auto* target = new CViewDropTarget(this);
    if (FAILED(RegisterDragDrop(m_hWnd, target)))
    {
        target->Release();
        return false;
    }
    m_dropTarget = target;
    return true;
}

LRESULT CView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETFOCUS && m_pFrame && m_pFrame->GetActiveView() != this)
        m_pFrame->SetActiveView(this, false);
    if (message == WM_DESTROY && m_dropTarget)
        RevokeDragDrop(m_hWnd);
    return CWnd::WindowProc(message, wParam, lParam);
}

void CView::OnFinalMessage(HWND)
{
    if (m_pFrame && m_pFrame->GetActiveView() == this)
        m_pFrame->SetActiveView(nullptr, false);
    if (m_autoDelete)
        delete this;
}

bool CCtrlView::CreateView(HWND parent, UINT id, const RECT& rect)
{
    DWORD style = m_style, exStyle = 0;
    PreCreateWindow(style, exStyle);
    if (!CreateControl(exStyle, m_controlClass, L"", style, rect, parent, id))
        return false;
    if (OnControlCreated())
        return true;
    DestroyWindow();
    return false;
}
