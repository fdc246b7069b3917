// Message dispatch, reflection, command routing and pulled update states.
#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/FrameWnd.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> g_calls;

enum : UINT
{
    kViewOnly = 40001,
    kDocOnly,
    kFrameOnly,
    kAppOnly,
    kEveryone,
    kNobody,
    kDisabledByView,
    kChecked,
    kRadio,
    kRetitled,
    kAccelerated,
};

class TestView : public CListView
{
  public:
    BEGIN_COMMAND_MAP(TestView)
        ON_COMMAND(kViewOnly, [this] { g_calls.push_back("view:viewonly"); })
        ON_COMMAND(kEveryone, [this] { g_calls.push_back("view:everyone"); })
        ON_UPDATE_COMMAND_UI(kDisabledByView, [](CCmdUI* ui) { ui->Enable(false); })
        ON_COMMAND(kDisabledByView, [this] { g_calls.push_back("view:disabled"); })
        ON_UPDATE_COMMAND_UI(kChecked, [](CCmdUI* ui) { ui->SetCheck(1); })
        ON_UPDATE_COMMAND_UI(kRadio, [](CCmdUI* ui) { ui->SetRadio(true); })
        ON_UPDATE_COMMAND_UI(kRetitled, [](CCmdUI* ui) { ui->SetText(L"&Unload Hive Test"); })
        ON_UPDATE_COMMAND_UI(kAccelerated, [this](CCmdUI* ui) { ui->Enable(acceleratorEnabled); })
        ON_COMMAND(kAccelerated, [this] { g_calls.push_back("view:accelerated"); })
    END_COMMAND_MAP()

    BEGIN_MSG_MAP(TestView)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_ITEMCHANGED, OnItemChanged)
    END_MSG_MAP()

    LRESULT OnItemChanged(NMHDR*)
    {
        g_calls.push_back("view:reflected");
        return 7;
    }
    void OnUpdate(CView*, LPARAM hint, const CUpdateHint*) override
    {
        hints.push_back(static_cast<int>(hint));
    }
    std::vector<int> hints;
    bool acceleratorEnabled = true;
};

class TestDoc : public CDocument
{
  public:
    BEGIN_COMMAND_MAP(TestDoc)
        ON_COMMAND(kDocOnly, [] { g_calls.push_back("doc:doconly"); })
        ON_COMMAND(kEveryone, [] { g_calls.push_back("doc:everyone"); })
    END_COMMAND_MAP_CHAIN(CDocument)
};

class TestFrame : public CFrameWnd
{
  public:
    BEGIN_COMMAND_MAP(TestFrame)
        ON_COMMAND(kFrameOnly, [] { g_calls.push_back("frame:frameonly"); })
        ON_COMMAND(kEveryone, [] { g_calls.push_back("frame:everyone"); })
    END_COMMAND_MAP_CHAIN(CFrameWnd)

    BEGIN_MSG_MAP(TestFrame)
        MSG_WM_CREATE(OnCreateFrame)
        MESSAGE_HANDLER(WM_APP + 5, OnRaw)
        CHAIN_MSG_MAP(CFrameWnd)
    END_MSG_MAP()

    int OnCreateFrame(const CREATESTRUCTW& cs)
    {
        g_calls.push_back("frame:create");
        return CFrameWnd::OnCreate(cs);
    }
    LRESULT OnRaw(UINT, WPARAM wParam, LPARAM, bool&)
    {
        g_calls.push_back("frame:raw" + std::to_string(wParam));
        return 99;
    }
};

class TestApp : public CWinApp
{
  public:
    TestApp() : CWinApp(L"ZorvaneFrameworkTest") {}
    BEGIN_COMMAND_MAP(TestApp)
        ON_COMMAND(kAppOnly, [] { g_calls.push_back("app:apponly"); })
        ON_COMMAND(kEveryone, [] { g_calls.push_back("app:everyone"); })
    END_COMMAND_MAP_CHAIN(CWinApp)
};

// A frame with one list view over a document, under an application object.
struct Fixture
{
    TestApp app;
    TestDoc doc;
    TestFrame* frame = new TestFrame;
    TestView* view = nullptr;
    Fixture()
    {
        g_calls.clear();
        CCreateContext context;
        context.document = &doc;
        context.newView = [this] {
            view = new TestView;
            return view;
        };
        frame->m_autoDelete = true;
        EXPECT_TRUE(frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, &context));
        app.m_pMainWnd = frame;
        frame->InitialUpdateFrame(&doc, true);
    }
    ~Fixture()
    {
        app.m_pMainWnd = nullptr;
        if (frame->m_hWnd)
            DestroyWindow(frame->m_hWnd);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message != WM_QUIT)
                DispatchMessageW(&msg);
    }
    void Command(UINT id, WORD code = 0) { SendMessageW(frame->m_hWnd, WM_COMMAND, MAKEWPARAM(id, code), 0); }
};
} // namespace

TEST(Framework, TypedAndRawHandlersAndReflectionReachTheirClass)
{
    Fixture f;
    ASSERT_NE(f.view, nullptr);
    EXPECT_EQ(g_calls.front(), "frame:create");
    EXPECT_EQ(SendMessageW(f.frame->m_hWnd, WM_APP + 5, 3, 0), 99);
    EXPECT_EQ(g_calls.back(), "frame:raw3");

    // A notification the list sends to its parent comes back to the view.
    NMLISTVIEW change = {};
    change.hdr.hwndFrom = f.view->m_hWnd;
    change.hdr.idFrom = AFX_IDW_PANE_FIRST;
    change.hdr.code = LVN_ITEMCHANGED;
    EXPECT_EQ(SendMessageW(f.frame->m_hWnd, WM_NOTIFY, AFX_IDW_PANE_FIRST, reinterpret_cast<LPARAM>(&change)),
              7);
    EXPECT_EQ(g_calls.back(), "view:reflected");

    // The view fills the frame's client area.
    RECT client = f.frame->GetClientRect();
    RECT pane = f.view->GetWindowRect();
    EXPECT_EQ(pane.right - pane.left, client.right);
}

TEST(Framework, CommandsGoToActiveViewThenDocumentThenFrameThenApplication)
{
    Fixture f;
    EXPECT_EQ(f.frame->GetActiveView(), f.view);
    g_calls.clear();
    for (UINT id : {kViewOnly, kDocOnly, kFrameOnly, kAppOnly, kEveryone, kNobody})
        f.Command(id);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"view:viewonly", "doc:doconly", "frame:frameonly",
                                                 "app:apponly", "view:everyone"}));

    // Without an active view the document is not reached through it.
    f.frame->SetActiveView(nullptr, false);
    g_calls.clear();
    f.Command(kEveryone);
    f.Command(kDocOnly);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"frame:everyone"}));
}

TEST(Framework, UpdateStatesArePulledWhenAMenuOpens)
{
    Fixture f;
    HMENU popup = CreatePopupMenu();
    for (UINT id : {kViewOnly, kNobody, kDisabledByView, kChecked, kRadio, kRetitled})
        AppendMenuW(popup, MF_STRING, id, L"item");
    SendMessageW(f.frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    auto state = [&](int index) { return GetMenuState(popup, static_cast<UINT>(index), MF_BYPOSITION); };
    EXPECT_FALSE(state(0) & MF_GRAYED);
    EXPECT_TRUE(state(1) & MF_GRAYED) << "a command nobody handles is disabled";
    EXPECT_TRUE(state(2) & MF_GRAYED);
    EXPECT_TRUE(state(3) & MF_CHECKED);
    MENUITEMINFOW info = {sizeof(info)};
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfoW(popup, 4, TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    EXPECT_TRUE(info.fState & MFS_CHECKED);
    wchar_t text[64] = {};
    GetMenuStringW(popup, 5, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&Unload Hive Test");
    DestroyMenu(popup);
}

TEST(Framework, ToolbarButtonsFollowTheirUpdateHandlersAtIdle)
{
    Fixture f;
    CToolBar toolbar;
    ASSERT_TRUE(toolbar.CreateEx(f.frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, 7001));
    TBBUTTON buttons[3] = {};
    UINT ids[3] = {kViewOnly, kNobody, kChecked};
    for (int i = 0; i < 3; ++i)
    {
        buttons[i].iBitmap = I_IMAGENONE;
        buttons[i].idCommand = static_cast<int>(ids[i]);
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON;
    }
    toolbar.SendMessage(TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
    // The framework keeps the ids it loaded; give it these.
    struct Access : CToolBar
    {
        static void SetIds(CToolBar& bar, std::vector<UINT> list)
        {
            static_cast<Access&>(bar).m_ids = std::move(list);
        }
    };
    Access::SetIds(toolbar, {kViewOnly, 0, kNobody, kChecked});
    f.frame->OnIdleUpdateCmdUI();
    EXPECT_TRUE(toolbar.SendMessage(TB_ISBUTTONENABLED, kViewOnly));
    EXPECT_FALSE(toolbar.SendMessage(TB_ISBUTTONENABLED, kNobody));
    EXPECT_TRUE(toolbar.SendMessage(TB_ISBUTTONCHECKED, kChecked));
    f.frame->RemoveControlBar(&toolbar);
}

TEST(Framework, AcceleratorOfADisabledCommandIsSwallowed)
{
    Fixture f;
    ACCEL key = {FCONTROL | FVIRTKEY, 'K', static_cast<WORD>(kAccelerated)};
    f.frame->m_accelerators = CreateAcceleratorTable(&key, 1);
    auto pressCtrlK = [&] {
        MSG msg = {};
        msg.hwnd = f.view->m_hWnd;
        msg.message = WM_KEYDOWN;
        msg.wParam = 'K';
        // TranslateAccelerator looks at the real keyboard state for Ctrl.
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        bool translated = f.frame->PreTranslateMessage(&msg);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        return translated;
    };
    g_calls.clear();
    EXPECT_TRUE(pressCtrlK());
    EXPECT_EQ(g_calls, (std::vector<std::string>{"view:accelerated"}));
    f.view->acceleratorEnabled = false;
    g_calls.clear();
    EXPECT_TRUE(pressCtrlK());
    EXPECT_TRUE(g_calls.empty());
    // The same command from a menu (code 0) is not filtered here: menus only
    // offer enabled items.
    f.Command(kAccelerated, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"view:accelerated"}));
}

TEST(Framework, UpdateAllViewsSkipsTheSender)
{
    Fixture f;
    TestView second;
    f.doc.AddView(&second);
    f.doc.UpdateAllViews(nullptr, 2);
    f.doc.UpdateAllViews(f.view, 5);
    EXPECT_EQ(f.view->hints, (std::vector<int>{0, 2}));
    EXPECT_EQ(second.hints, (std::vector<int>{2, 5}));
    f.doc.RemoveView(&second);
}

TEST(Framework, StatusTextsFromAnyThreadReachTheStatusBar)
{
    Fixture f;
    CStatusBar status;
    ASSERT_TRUE(status.Create(f.frame, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR));
    f.frame->m_statusBar = &status;
    f.frame->SetStatusText(L"from the UI thread");
    EXPECT_EQ(status.GetPaneText(0), L"from the UI thread");

    struct Args
    {
        CFrameWnd* frame;
    } args{f.frame};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            static_cast<Args*>(p)->frame->SetStatusText(L"from a worker");
            return 0;
        },
        &args, 0, nullptr);
    // The worker's SendMessage needs this thread to pump.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    CloseHandle(thread);
    EXPECT_EQ(status.GetPaneText(0), L"from a worker");
    f.frame->m_statusBar = nullptr;
    f.frame->RemoveControlBar(&status);
}

namespace
{
// A frame whose client area cannot be made: its window is created and goes.
class FailingFrame : public CFrameWnd
{
  public:
    bool OnCreateClient(const CREATESTRUCTW&, CCreateContext*) override { return false; }
};
} // namespace

TEST(Framework, AFrameThatFailsToCreateLeavesTheTemplateWithoutOne)
{
    TestApp app;
    auto* docTemplate = new CSingleDocTemplate(
        0, [] { return new TestDoc; }, [] { return static_cast<CFrameWnd*>(new FailingFrame); }, nullptr);
    app.AddDocTemplate(docTemplate);
    // The window was made and destroyed (deleting its frame); nothing is used after.
    EXPECT_EQ(docTemplate->OpenDocumentFile(nullptr, true), nullptr);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}
