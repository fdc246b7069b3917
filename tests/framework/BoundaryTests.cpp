// The framework's boundaries: the way out of the program, and what an
// exception thrown into a window procedure becomes.
#include "app/framework/WinApp.h"
#include "app/framework/Window.h"
#include "base/Log.h"
#include "base/Strings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace
{
class CountingApp : public CWinApp
{
  public:
    explicit CountingApp(bool starts) : CWinApp(L"ZorvaneBoundaryTest"), m_starts(starts) {}
    bool InitInstance() override { return m_starts; }
    int ExitInstance() override
    {
        ++exits;
        return CWinApp::ExitInstance();
    }
    int exits = 0;

  private:
    bool m_starts;
};

class ThrowingWindow : public CWnd
{
  public:
    BEGIN_MSG_MAP(ThrowingWindow)
        MESSAGE_HANDLER(WM_CREATE, OnCreateMessage)
        MESSAGE_HANDLER(WM_APP, OnApp)
    END_MSG_MAP()

    LRESULT OnCreateMessage(UINT, WPARAM, LPARAM, bool&)
    {
        if (throwOnCreate)
            throw std::runtime_error("the creation went wrong");
        return 0;
    }
    LRESULT OnApp(UINT, WPARAM, LPARAM, bool&) { throw 17; }
    bool throwOnCreate = true;
};

std::wstring TempLogFile()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"zorvane-boundary-test.log";
}

std::string ReadText(const std::wstring& path)
{
    std::ifstream file(zv::ToUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct LogToFile
{
    explicit LogToFile(const std::wstring& file) { SetLogging(true, file); }
    ~LogToFile() { SetLogging(false, L""); }
};
} // namespace

TEST(Boundaries, EachWayOutOfTheProgramEndsTheApplicationOnce)
{
    {
        CountingApp app(false);
        EXPECT_EQ(app.Main(), 1);
        EXPECT_EQ(app.exits, 1);
    }
    {
        CountingApp app(true);
        PostQuitMessage(7);
        EXPECT_EQ(app.Main(), 7);
        EXPECT_EQ(app.exits, 1);
    }
}

TEST(Boundaries, AnExceptionInAWindowProcedureIsLoggedAndFailsACreation)
{
    const std::wstring file = TempLogFile();
    LogToFile log(file);

    ThrowingWindow failing;
    EXPECT_FALSE(failing.CreateEx(0, L"ZorvaneBoundaryTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0));
    EXPECT_EQ(failing.m_hWnd, nullptr);

    // Any other message: the window lives on and the caller gets a plain result.
    ThrowingWindow window;
    window.throwOnCreate = false;
    ASSERT_TRUE(window.CreateEx(0, L"ZorvaneBoundaryTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0));
    EXPECT_EQ(SendMessageW(window.m_hWnd, WM_APP, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window.m_hWnd));
    DestroyWindow(window.m_hWnd);

    std::string text = ReadText(file);
    EXPECT_NE(text.find("window procedure: exception caught: the creation went wrong"), std::string::npos)
        << text;
    EXPECT_NE(text.find("window procedure: exception caught\n"), std::string::npos) << text;
}
