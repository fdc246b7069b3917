// The program's entry point: the application object with the main frame.
#include "app/NavroApp.h"
#include "frame/MainFrame.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CNavroApp app([] { return static_cast<CFrameWnd*>(new CMainFrame); }, nullptr);
    int code = app.InitInstance() ? app.Run() : 1;
    app.ExitInstance();
    return code;
}
