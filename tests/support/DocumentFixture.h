// A document under an application object and a main window, with a view of
// the test's own that records every hint it receives.
#pragma once

#include "app/FrameServices.h"
#include "app/NavroDoc.h"
#include "app/framework/FrameWnd.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

#include <string>
#include <vector>

struct RecordedHint
{
    long hint;
    std::wstring text; // the value name of hint 5
};

class HintRecorderView : public CView
{
  public:
    bool CreateView(HWND parent, UINT id, const RECT& rect) override;
    void OnUpdate(CView* sender, LPARAM hint, const CUpdateHint* hintObject) override;
    std::vector<RecordedHint> hints;
};

// A plain frame that does for the document what the main frame does:
// titles, posted commands; background tasks run at once.
class TestFrame : public CFrameWnd, public IFrameServices
{
  public:
    void FocusPane(Pane) override {}
    void SetStatusText(const std::wstring& text) override { statusTexts.push_back(text); }
    void PostCommand(UINT command) override { PostMessage(WM_COMMAND, command, 0); }
    void SetTitle(const std::wstring& title) override { SetWindowText(title); }
    void WatchRegistry() override {}
    void StartTask(Task task) override
    {
        if (UiAction action = task({}))
            action();
    }
    void PostToUi(UiAction action) override { action(); }
    std::vector<std::wstring> statusTexts;
};

class DocumentFixture
{
  public:
    DocumentFixture();
    ~DocumentFixture();
    std::wstring WindowTitle() const;

    CWinApp app;
    TestFrame* frame = nullptr;
    HintRecorderView view;
    HintRecorderView second;
    CNavroDoc* doc = nullptr;
};
