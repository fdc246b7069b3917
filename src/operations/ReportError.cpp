// ReportError and EnablePrivilege.
#include "operations/ReportError.h"

#include "base/Elevation.h"
#include "base/Handles.h"
#include "base/UserPrompts.h"
#include "registry/RegistryPath.h"

#include <iterator>

std::wstring SystemErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    zv::unique_hlocal owner(buffer);
    return length && buffer ? std::wstring(buffer, length) : std::wstring();
}

const wchar_t kRunAsAdministratorAdvice[] = L" Try run as Administrator option.";

bool AdministratorAdviceHelps(DWORD code, bool elevated)
{
    return code == ERROR_ACCESS_DENIED && !elevated;
}

void ReportError(DWORD code, const std::wstring& text, bool show)
{
    if (!show)
        return;
    std::wstring message = text;
    const size_t advice = std::size(kRunAsAdministratorAdvice) - 1;
    if (message.size() >= advice &&
        message.compare(message.size() - advice, advice, kRunAsAdministratorAdvice) == 0 &&
        !AdministratorAdviceHelps(code, IsElevated()))
        message.resize(message.size() - advice);
    if (code != 0)
    {
        std::wstring system = SystemErrorText(code);
        if (!system.empty())
        {
            if (!message.empty())
                message += L"\n";
            message += system;
        }
    }
    AfxMessageBox(message, MB_OK);
}

bool EnablePrivilege(const wchar_t* name, bool enable)
{
    zv::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, token.put()))
        return false;
    LUID luid;
    if (!LookupPrivilegeValueW(nullptr, name, &luid))
        return false;
    PRIVILEGE_SET check = {};
    check.PrivilegeCount = 1;
    check.Privilege[0].Luid = luid;
    check.Privilege[0].Attributes = SE_PRIVILEGE_ENABLED;
    BOOL enabled = FALSE;
    if (!PrivilegeCheck(token.get(), &check, &enabled) || (enabled != FALSE) == enable)
        return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = luid;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    // AdjustTokenPrivileges succeeds even when the token lacks the privilege;
    // only ERROR_SUCCESS afterwards means the state really changed.
    if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr))
        return false;
    return GetLastError() == ERROR_SUCCESS;
}

std::wstring WriteFailureText(DWORD error, const std::wstring& keyPath, bool elevated)
{
    bool gone = error == ERROR_KEY_DELETED ||
                ((error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_HANDLE) && !KeyExists(keyPath));
    if (gone)
        return keyPath + L" does not exist: another program may have deleted it. Nothing was written.";
    if (error == ERROR_ACCESS_DENIED)
    {
        std::wstring text =
            L"Registry changes were not saved. You may not have write permissions to this key. "
            L"Try changing permissions of the key. ";
        text += elevated ? L"You may need to take ownership of the key first."
                         : L"You may need to run Zorvane as Administrator.";
        return text;
    }
    std::wstring text = L"Registry changes were not saved.";
    std::wstring system = SystemErrorText(error);
    if (!system.empty())
        text += L"\n" + system;
    return text;
}

bool ReportWriteFailure(DWORD error, const std::wstring& keyPath)
{
    AfxMessageBox(WriteFailureText(error, keyPath, IsElevated()), MB_OK | MB_ICONERROR);
    return false;
}
