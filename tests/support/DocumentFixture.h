// A document under an application object and a main window, with a view of
// the test's own that records every hint it receives.
#pragma once

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
    void OnUpdate(CView* sender, LPARAM hint, void* hintObject) override;
    std::vector<RecordedHint> hints;
};

class DocumentFixture
{
  public:
    DocumentFixture();
    ~DocumentFixture();
    std::wstring WindowTitle() const;

    CWinApp app;
    CFrameWnd* frame = nullptr;
    HintRecorderView view;
    HintRecorderView second;
    CNavroDoc* doc = nullptr;
};
