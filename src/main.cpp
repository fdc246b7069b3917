// The program's entry point: the application object with the main frame.
#include "app/NavroApp.h"
#include "frame/MainFrame.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                           ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CNavroApp app([] { return static_cast<CFrameWnd*>(new CMainFrame); }, nullptr);
    int code = 0;
    if (app.InitInstance())
        code = app.Run();
    else
        code = 1;
    return app.ExitInstance() ? code : code;
}
