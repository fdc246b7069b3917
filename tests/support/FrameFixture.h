// The main window as the program builds it (document template, frame, tree,
// value list and search pane), shown under the test display, with helpers
// that pump messages until the background work settles.
#pragma once

#include "app/NavroDoc.h"
#include "app/framework/DocTemplate.h"
#include "app/framework/WinApp.h"
#include "frame/MainFrame.h"
#include "search/SearchPaneView.h"
#include "tree/LeftView.h"
#include "values/NavroView.h"

#include <functional>

// The application object of the window tests; help goes where the program
// sends it (through the prompts, which tests record).
class FixtureApp : public CWinApp
{
  public:
    using CWinApp::CWinApp;
    void WinHelp(HWND owner, DWORD_PTR data, UINT command) override;
};

class FrameFixture
{
  public:
    FrameFixture();
    ~FrameFixture();
    FrameFixture(const FrameFixture&) = delete;
    FrameFixture& operator=(const FrameFixture&) = delete;

    // Pumps messages for ms milliseconds.
    void Pump(DWORD ms = 50);
    // Pumps until condition holds or the timeout passes; returns condition().
    bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
    // Pumps until every message posted so far has been handled (a marker
    // posted behind them comes back): what a click or a command set off has
    // happened. False when the marker did not come back in time (a modal
    // loop took it).
    bool PumpQueued(DWORD timeoutMs = 10000);
    // Pumps until no tree worker or frame task runs and their results are applied.
    bool SettleWorkers(DWORD timeoutMs = 20000);
    // Closes the window as the user would (WM_CLOSE) and waits until it is gone.
    void Close();
    // Sends a key press through the program's own translation and dispatch.
    void PressKey(WORD key, bool control = false, bool shift = false, bool alt = false);

    // The text of the status bar's first part.
    std::wstring StatusText() const;

    CLeftView& Tree() const { return *frame->TreePane(); }
    CNavroView& Values() const { return *frame->ValuePane(); }

    FixtureApp app;
    CSingleDocTemplate* docTemplate = nullptr;
    CMainFrame* frame = nullptr;
    CNavroDoc* doc = nullptr;
};

// Runs the program's message loop step for one message (translation included).
void DispatchThroughProgram(MSG& msg);
