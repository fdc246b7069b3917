// Document test fixture.
#include "support/DocumentFixture.h"

#include "app/Hints.h"
#include "base/SettingsStore.h"

bool HintRecorderView::CreateView(HWND parent, UINT id, const RECT& rect)
{
    return CreateEx(0, L"ZorvaneTestView", L"", WS_CHILD | WS_VISIBLE, rect, parent, id);
}

void HintRecorderView::OnUpdate(CView*, LPARAM hint, const CUpdateHint* hintObject)
{
    RecordedHint record{static_cast<long>(hint), {}};
    if (auto* select = dynamic_cast<const SelectValueHint*>(hintObject))
        record.text = select->name;
    hints.push_back(record);
}

DocumentFixture::DocumentFixture() : app(L"Zorvane")
{
    Settings().DeleteProfileSection(L"RecentPath");
    frame = new TestFrame;
    frame->m_autoDelete = true;
    frame->LoadFrame(0, WS_OVERLAPPEDWINDOW);
    app.m_pMainWnd = frame;
    doc = new CNavroDoc;
    doc->SetFrameServices(frame);
    view.CreateView(frame->m_hWnd, AFX_IDW_PANE_FIRST, RECT{0, 0, 100, 100});
    second.CreateView(frame->m_hWnd, AFX_IDW_PANE_FIRST + 1, RECT{0, 0, 10, 10});
    doc->AddView(&view);
    doc->AddView(&second);
}

DocumentFixture::~DocumentFixture()
{
    delete doc;
    app.m_pMainWnd = nullptr;
    if (frame->m_hWnd)
        DestroyWindow(frame->m_hWnd);
    Settings().DeleteProfileSection(L"RecentPath");
}

std::wstring DocumentFixture::WindowTitle() const
{
    return frame->GetWindowText();
}
