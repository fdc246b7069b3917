// The program's entry point: the application object with the main frame.
#include "NavroApp.h"
#include "frame/MainFrame.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CNavroApp app([] { return static_cast<CFrameWnd*>(new CMainFrame); }, nullptr);
    return app.Main();
}
