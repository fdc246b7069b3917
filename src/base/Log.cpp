// Diagnostic log.
#include "base/Log.h"

#include "base/Elevation.h"
#include "base/Handles.h"
#include "base/ProgramInfo.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <exception>
#include <mutex>

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
        AfxMessageBox(
            L"To enable logging run:\n\n\tZorvane.exe /log <logfile>\n\nFor example Zorvane.exe /log "
            L"c:\\temp\\Zorvane.txt\n\nThe log file.");
        return;
    }
    FILE* probe = _wfopen(g_logFile.c_str(), L"ab");
    if (!probe)
    {
        g_logging = false;
        AfxMessageBox(
            L"Log write failed. Please make sure you have permissions to write to the log file or specify a "
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

void LogCaughtException(const wchar_t* where) noexcept
{
    try
    {
        throw;
    }
    catch (const std::exception& error)
    {
        try
        {
            Log(L"%s: exception caught: %hs", where, error.what());
        }
        catch (...)
        {
        }
    }
    catch (...)
    {
        try
        {
            Log(L"%s: exception caught", where);
        }
        catch (...)
        {
        }
    }
}
