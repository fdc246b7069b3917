// The program's entry point: the application object with the main frame.
#include "NavroApp.h"
#include "app/StartArguments.h"
#include "base/Log.h"
#include "frame/MainFrame.h"
#include "operations/CompareCommand.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // "/compare left right": no window; the exit code says same, different or error.
    CompareCommand compare = ScanCompareCommand(ProcessArguments());
    if (compare.requested)
    {
        SetLogging(compare.logging, compare.logFile);
        std::vector<std::wstring> report;
        int code = RunCompareCommand(compare, report);
        for (const std::wstring& line : report)
            Log(L"%s", line.c_str());
        return code;
    }
    CNavroApp app([] { return static_cast<CFrameWnd*>(new CMainFrame); }, nullptr);
    return app.Main();
}
