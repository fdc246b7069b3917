// The command line, the log and the shell registration of a start.
#include "base/Log.h"
#include "base/ProgramInfo.h"
#include "app/ShellRegistration.h"
#include "app/StartArguments.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include "base/Strings.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

namespace
{
std::string ReadText(const std::wstring& path)
{
    std::vector<BYTE> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

struct LogOff
{
    ~LogOff() { SetLogging(false, L""); }
};
} // namespace

TEST(StartArguments, LogSwitchInBothSpellingsTakesTheNextArgumentAsFile)
{
    StartArguments a = ScanStartArguments({L"/LOG", L"c:\\temp\\x.txt", L"HKCU\\Software"});
    EXPECT_TRUE(a.logging);
    EXPECT_EQ(a.logFile, L"c:\\temp\\x.txt");
    EXPECT_EQ(a.location, L"HKCU\\Software");

    StartArguments b = ScanStartArguments({L"before", L"-log", L"after.txt"});
    EXPECT_TRUE(b.logging);
    EXPECT_EQ(b.logFile, L"after.txt");
    EXPECT_EQ(b.location, L"before");

    StartArguments c = ScanStartArguments({L"zorvane:HKEY_CURRENT_USER\\Software"});
    EXPECT_FALSE(c.logging);
    EXPECT_EQ(c.location, L"zorvane:HKEY_CURRENT_USER\\Software");

    StartArguments d = ScanStartArguments({L"/logx", L"/log"});
    EXPECT_TRUE(d.logging);
    EXPECT_EQ(d.logFile, L"");
    EXPECT_EQ(d.location, L"/logx");
}

TEST(StartArguments, ALinkIsTheLocationAndNothingAfterItActs)
{
    // zorvane:x" /log "C:\Users\me\thesis.docx as a quote-passing launcher splits it.
    for (const wchar_t* link : {L"zorvane:x", L"ZORVANE:x", L"reg:x", L"Reg:HKCU"})
    {
        StartArguments a = ScanStartArguments({link, L"/log", L"C:\\Users\\me\\thesis.docx"});
        EXPECT_FALSE(a.logging) << zv::ToUtf8(link);
        EXPECT_TRUE(a.logFile.empty()) << zv::ToUtf8(link);
        EXPECT_EQ(a.location, link);
    }
    // Not a link: a neighbouring word, or a link that is not first.
    StartArguments b = ScanStartArguments({L"registry", L"/log", L"file.txt"});
    EXPECT_TRUE(b.logging);
    EXPECT_EQ(b.logFile, L"file.txt");
    EXPECT_FALSE(IsLinkArgument(L"regx:"));
    EXPECT_FALSE(IsLinkArgument(L"zorvane"));
    EXPECT_TRUE(IsLinkArgument(L"reg:"));
}

TEST(StartArguments, OnlyExistingFilesAreOpenedAsShortcuts)
{
    std::wstring file = TempFilePath(L"start.s2r");
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_EQ(ExistingStartFile(file), file);
    EXPECT_EQ(ExistingStartFile(L"\"" + file + L"\""), file);
    SetEnvironmentVariableW(L"ZORVANE_TEST_FILE", file.c_str());
    EXPECT_EQ(ExistingStartFile(L"%ZORVANE_TEST_FILE%"), file);
    EXPECT_EQ(ExistingStartFile(L"HKCU\\Software"), L"");
    EXPECT_EQ(ExistingStartFile(L"C:\\windows"), L""); // a folder is no shortcut
    DeleteFileW(file.c_str());
}

TEST(Log, StartWritesTheHeaderAndEveryStartBeginsAFreshFile)
{
    LogOff off;
    std::wstring file = TempFilePath(L"log.txt");
    {
        std::ofstream stale(zv::ToUtf8(file));
        stale << "old content\n";
    }
    SetLogging(true, file);
    Log(L"Searching...");
    Log(L"%s found %d", L"value", 3);
    std::string text = ReadText(file);
    EXPECT_EQ(text.find("old content"), std::string::npos);
    EXPECT_EQ(text.rfind("Start Log: ", 0), 0u);
    // ctime's line feed ends the first field, so the version starts a line.
    EXPECT_NE(text.find("\n " + zv::ToUtf8(kVersionLine) + "\n"), std::string::npos);
    // The line names the build that runs.
    EXPECT_NE(std::string(zv::ToUtf8(kVersionLine)).find(sizeof(void*) == 8 ? " 64-bit " : " 32-bit "),
              std::string::npos);
    EXPECT_NE(text.find("TokenIsElevated"), std::string::npos);
    EXPECT_NE(text.find("\nSearching...\nvalue found 3\n"), std::string::npos);

    LogStart();
    Log(L"Search aborted.");
    text = ReadText(file);
    EXPECT_EQ(text.find("Searching..."), std::string::npos);
    EXPECT_NE(text.find("Search aborted."), std::string::npos);
    DeleteFileW(file.c_str());
}

TEST(Log, MissingOrUnwritableFileExplainsAndSwitchesLoggingOff)
{
    LogOff off;
    ScriptedPrompts user;
    user.Answer(IDOK);
    SetLogging(true, L"");
    Log(L"x");
    EXPECT_FALSE(IsLogging());
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text.rfind(L"To enable logging run:\n\n\tZorvane.exe /log <logfile>", 0), 0u);

    user.Answer(IDOK);
    SetLogging(true, L"C:\\no\\such\\folder\\log.txt");
    Log(L"x");
    EXPECT_FALSE(IsLogging());
    ASSERT_EQ(user.Boxes().size(), 2u);
    EXPECT_EQ(user.Boxes()[1].text,
              L"Log write failed. Please make sure you have permissions to write to the log file "
              L"or specify a different log file.");
}

TEST(Log, LinesFromSeveralThreadsStayWhole)
{
    LogOff off;
    std::wstring file = TempFilePath(L"threads.txt");
    SetLogging(true, file);
    Log();
    auto worker = [](void*) -> DWORD {
        for (int i = 0; i < 200; ++i)
            Log(L"%s", L"0123456789abcdefghijklmnopqrstuvwxyz");
        return 0;
    };
    HANDLE threads[3];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, worker, nullptr, 0, nullptr);
    WaitForMultipleObjects(3, threads, TRUE, 30000);
    for (HANDLE t : threads)
        CloseHandle(t);
    std::istringstream lines(ReadText(file));
    std::string line;
    int whole = 0;
    while (std::getline(lines, line))
        if (line == "0123456789abcdefghijklmnopqrstuvwxyz")
            ++whole;
    EXPECT_EQ(whole, 600);
    DeleteFileW(file.c_str());
}

namespace
{
std::wstring ClassDefault(const wchar_t* subKey)
{
    wchar_t text[600] = {};
    LONG size = sizeof(text);
    if (RegQueryValueW(HKEY_CLASSES_ROOT, subKey, text, &size) != ERROR_SUCCESS)
        return L"<none>";
    return text;
}

void RemoveRegistrations()
{
    for (const wchar_t* name : {L"zorvane", L"reg", L".s2r"})
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, name);
        RegDeleteKeyW(HKEY_CLASSES_ROOT, name);
    }
}

std::wstring MakeProgramFile(const std::wstring& name)
{
    std::wstring path = TempFilePath(name);
    std::ofstream(zv::ToUtf8(path)) << "MZ";
    return path;
}
} // namespace

TEST(ShellRegistration, AStartRegistersOnlyWhatIsMissingOrNamesAProgramThatIsGone)
{
    RemoveRegistrations();
    std::wstring first = MakeProgramFile(L"first copy.exe");
    std::wstring second = MakeProgramFile(L"second.exe");
    std::wstring firstCommand = L"\"" + first + L"\" \"%1\"";

    // Nothing registered: everything is written, for this copy.
    EXPECT_TRUE(RegisterWithShell(first));
    EXPECT_EQ(ClassDefault(L"zorvane\\shell\\open\\command"), firstCommand);
    EXPECT_EQ(ClassDefault(L"reg\\shell\\open\\command"), firstCommand);
    EXPECT_EQ(ClassDefault(L"reg\\DefaultIcon"), first);
    EXPECT_EQ(ClassDefault(L"zorvane"), L"Registry Shortcut");
    EXPECT_EQ(ClassDefault(L".s2r"), L"zorvane");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"reg", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, bytes = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"URL Protocol", nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, 2u);
    RegCloseKey(key);

    // The same copy again, then another copy while the first exists: no write.
    EXPECT_FALSE(RegisterWithShell(first));
    EXPECT_FALSE(RegisterWithShell(second));
    EXPECT_EQ(ClassDefault(L"zorvane\\shell\\open\\command"), firstCommand);

    // Another program's reg: links and file type stay its; the first copy
    // gone, its zorvane: links become the running copy's.
    std::wstring other = L"\"" + second + L"\" /open \"%1\"";
    RegSetValueW(HKEY_CLASSES_ROOT, L"reg\\shell\\open\\command", REG_SZ, other.c_str(), 0);
    RegSetValueW(HKEY_CLASSES_ROOT, L".s2r", REG_SZ, L"otherfile", 0);
    DeleteFileW(first.c_str());
    std::wstring third = MakeProgramFile(L"third.exe");
    EXPECT_TRUE(RegisterWithShell(third));
    EXPECT_EQ(ClassDefault(L"zorvane\\shell\\open\\command"), L"\"" + third + L"\" \"%1\"");
    EXPECT_EQ(ClassDefault(L"zorvane\\DefaultIcon"), third);
    EXPECT_EQ(ClassDefault(L"reg\\shell\\open\\command"), other);
    EXPECT_EQ(ClassDefault(L".s2r"), L"otherfile");

    // A command without a program file, or an empty one, is taken over.
    RegSetValueW(HKEY_CLASSES_ROOT, L"reg\\shell\\open\\command", REG_SZ, L"", 0);
    EXPECT_TRUE(RegisterWithShell(third));
    EXPECT_EQ(ClassDefault(L"reg\\shell\\open\\command"), L"\"" + third + L"\" \"%1\"");

    RemoveRegistrations();
    for (const std::wstring& file : {second, third})
        DeleteFileW(file.c_str());
}

TEST(ShellRegistration, TheProgramOfACommandInEverySpelling)
{
    EXPECT_EQ(CommandProgram(L"\"C:\\A b\\x.exe\" \"%1\""), L"C:\\A b\\x.exe");
    EXPECT_EQ(CommandProgram(L"  C:\\A b\\x.EXE %1"), L"C:\\A b\\x.EXE");
    EXPECT_EQ(CommandProgram(L"C:\\tool\\run.com /x"), L"C:\\tool\\run.com");
    EXPECT_EQ(CommandProgram(L"\"C:\\unclosed"), L"");
    EXPECT_EQ(CommandProgram(L""), L"");
    SetEnvironmentVariableW(L"ZORVANE_TEST_DIR", L"D:\\Tools");
    EXPECT_EQ(CommandProgram(L"%ZORVANE_TEST_DIR%\\z.exe \"%1\""), L"D:\\Tools\\z.exe");
}
