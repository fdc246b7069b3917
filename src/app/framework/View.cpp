// Views: activation by focus, control views, and the OLE drop target.
#include "app/framework/View.h"

#include "app/framework/Document.h"
#include "app/framework/FrameWnd.h"

#include "base/ComObject.h"

#include <ole2.h>

namespace
{
// Forwards the OLE drop-target calls to the view's virtual operations.
class CViewDropTarget final : public zv::ComObject<IDropTarget>
{
  public:
    explicit CViewDropTarget(CView* view) : m_view(view) {}
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) noexcept override
    {
        if (!effect)
            return E_INVALIDARG;
        return zv::ComCall([&] {
            m_data = zv::com_ptr<IDataObject>::copy(data);
            *effect = m_view ? m_view->OnDragEnter(data, keys, ToClient(pt)) & *effect : DROPEFFECT_NONE;
            return S_OK;
        });
    }
    STDMETHODIMP DragOver(DWORD keys, POINTL pt, DWORD* effect) noexcept override
    {
        if (!effect)
            return E_INVALIDARG;
        return zv::ComCall([&] {
            *effect = m_view && m_data ? m_view->OnDragOver(m_data.get(), keys, ToClient(pt)) & *effect
                                       : DROPEFFECT_NONE;
            return S_OK;
        });
    }
    STDMETHODIMP DragLeave() noexcept override
    {
        return zv::ComCall([&] {
            if (m_view)
                m_view->OnDragLeave();
            m_data.reset();
            return S_OK;
        });
    }
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) noexcept override
    {
        if (!effect)
            return E_INVALIDARG;
        HRESULT result = zv::ComCall([&] {
            POINT point = ToClient(pt);
            DWORD chosen = m_view ? m_view->OnDragOver(data, keys, point) & *effect : DROPEFFECT_NONE;
            bool dropped = chosen != DROPEFFECT_NONE && m_view->OnDrop(data, chosen, point);
            if (!dropped && m_view)
                m_view->OnDragLeave();
            *effect = dropped ? chosen : DROPEFFECT_NONE;
            return S_OK;
        });
        m_data.reset();
        return result;
    }
    // The view is going: calls still under way find no view.
    void Detach() { m_view = nullptr; }

  private:
    POINT ToClient(POINTL pt) const
    {
        POINT p = {pt.x, pt.y};
        if (m_view && m_view->m_hWnd)
            ScreenToClient(m_view->m_hWnd, &p);
        return p;
    }
    CView* m_view;
    zv::com_ptr<IDataObject> m_data;
};
} // namespace

CView::~CView()
{
    if (m_dropTarget)
    {
        if (m_hWnd)
            RevokeDragDrop(m_hWnd);
        static_cast<CViewDropTarget*>(m_dropTarget.get())->Detach();
        m_dropTarget.reset();
    }
    if (m_pFrame && m_pFrame->GetActiveView() == this)
        m_pFrame->SetActiveView(nullptr, false);
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

bool CView::RegisterDropTarget()
{
    if (m_dropTarget || !m_hWnd)
        return static_cast<bool>(m_dropTarget);
    zv::com_ptr<CViewDropTarget> target = zv::MakeCom<CViewDropTarget>(this);
    if (FAILED(RegisterDragDrop(m_hWnd, target.get())))
        return false;
    m_dropTarget = zv::com_ptr<IDropTarget>::copy(target.get());
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
