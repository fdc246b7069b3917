// Diagnostic log, elevation test and the write-failure advice.
#include "app/Log.h"

#include "app/framework/Handles.h"
#include "app/framework/Strings.h"
#include "app/framework/UserPrompts.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

const wchar_t kVersionLine[] = L"Version: 4.9.16.1 32-bit with Unicode";

namespace
{
bool g_logging = false;
std::wstring g_logFile;
bool g_headerPending = true;
// Lines from several threads (searches, scans) never mix inside one line.
std::recursive_mutex g_logLock;

bool AppendLine(const std::wstring& line)
{
    FILE* file = _wfopen(g_logFile.c_str(), L"ab");
    if (!file)
        return false;
    std::string bytes = zv::ToUtf8(line);
    bytes += '\n';
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    return true;
}
} // namespace

void SetLogging(bool on, const std::wstring& fileName)
{
    std::lock_guard<std::recursive_mutex> guard(g_logLock);
    g_logging = on;
    g_logFile = fileName;
    g_headerPending = true;
}

bool IsLogging()
{
    return g_logging;
}

const std::wstring& LogFileName()
{
    return g_logFile;
}

void LogStart()
{
    std::lock_guard<std::recursive_mutex> guard(g_logLock);
    if (!g_logging)
        return;
    g_headerPending = false;
    if (g_logFile.empty())
    {
        g_logging = false;
        AfxMessageBox(L"To enable logging run:\n\n\tZorvane.exe /log <logfile>\n\nFor example Zorvane.exe /log "
                      L"c:\\temp\\Zorvane.txt\n\nThe log file.");
        return;
    }
    FILE* probe = _wfopen(g_logFile.c_str(), L"ab");
    if (!probe)
    {
        g_logging = false;
        AfxMessageBox(L"Log write failed. Please make sure you have permissions to write to the log file or specify a "
                      L"different log file.");
        return;
    }
    fclose(probe);
    _wremove(g_logFile.c_str());
    time_t now = time(nullptr);
    const wchar_t* when = _wctime(&now); // ends with a line feed
    AppendLine(zv::Format(L"Start Log: %s %s", when ? when : L"\n", kVersionLine));
    IsElevated();
}

void Log(const wchar_t* format, ...)
{
    std::lock_guard<std::recursive_mutex> guard(g_logLock);
    if (!g_logging)
        return;
    if (g_headerPending)
    {
        g_headerPending = false;
        LogStart();
    }
    if (!format || !g_logging)
        return;
    va_list args;
    va_start(args, format);
    std::wstring line = zv::FormatV(format, args);
    va_end(args);
    AppendLine(line);
}

bool IsElevated()
{
    zv::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    if (IsTokenRestricted(token.get()))
        Log(L"Not running as Administrator: the process token is restricted.");
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size))
        return false;
    Log(elevation.TokenIsElevated ? L"TokenIsElevated. Running as Administrator."
                                  : L"TokenIsElevated=0. Not Running as Administrator.");
    return elevation.TokenIsElevated != 0;
}

bool ReportWriteFailure()
{
    std::wstring text = L"Registry changes were not saved. You may not have write permissions to this key. Try "
                        L"changing permissions of the key. ";
    text += IsElevated() ? L"You may need to take ownership of the key first."
                         : L"You may need to run Zorvane as Administrator.";
    AfxMessageBox(text, MB_OK | MB_ICONERROR);
    return false;
}

bool AskYesNo(const std::wstring& text)
{
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}
