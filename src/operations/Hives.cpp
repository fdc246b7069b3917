// Hive operations and their elevated fallback.
#include "operations/Hives.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "operations/KeyTransfer.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"

#include <mutex>
#include <set>

namespace
{
// Hives this process mounted, as "ROOT\name" in upper case: this platform
// keeps no list of loaded hives.
std::mutex g_loadedLock;
std::set<std::wstring> g_loaded;

std::wstring LoadedKey(const std::wstring& path)
{
    return zv::ToUpper(path);
}

// Turns the backup and restore privileges on for a scope, and off again
// only when this scope switched them on.
class HivePrivileges
{
  public:
    HivePrivileges()
        : m_restore(EnablePrivilege(L"SeRestorePrivilege", true)),
          m_backup(EnablePrivilege(L"SeBackupPrivilege", true))
    {
    }
    ~HivePrivileges()
    {
        if (m_backup)
            EnablePrivilege(L"SeBackupPrivilege", false);
        if (m_restore)
            EnablePrivilege(L"SeRestorePrivilege", false);
    }
    HivePrivileges(const HivePrivileges&) = delete;
    HivePrivileges& operator=(const HivePrivileges&) = delete;

  private:
    bool m_restore;
    bool m_backup;
};

HKEY RootOf(const std::wstring& name)
{
    if (zv::EqualsNoCase(name, L"USERS"))
        return HKEY_USERS;
    if (zv::EqualsNoCase(name, L"LOCAL_MACHINE"))
        return HKEY_LOCAL_MACHINE;
    return nullptr;
}

// The command line limit of the interpreter, with room for its own part.
constexpr size_t kMaxParameters = 8000;

void StartElevatedTool(const std::wstring& command)
{
    std::wstring parameters, problem;
    if (!ElevatedToolParameters(command, parameters, problem))
    {
        AfxMessageBox(problem, MB_OK | MB_ICONERROR);
        return;
    }
    // The interpreter by its full path, started in the system folder: never
    // a "cmd" found in the current directory (the folder of the hive file).
    wchar_t system[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::wstring folder(system, length);
    UserPrompts().LaunchShellIn(PromptOwner(), L"runas", folder + L"\\cmd.exe", parameters, folder,
                                SW_SHOWNORMAL);
}
} // namespace

std::wstring LoadCommand(const std::wstring& path, const std::wstring& file)
{
    return L"load \"HKEY_" + path + L"\" \"" + file + L"\"";
}

std::wstring UnloadCommand(const std::wstring& path)
{
    return L"unload \"HKEY_" + path + L"\"";
}

bool ElevatedToolParameters(const std::wstring& command, std::wstring& parameters, std::wstring& problem)
{
    // The command's own quotes are the only ones: a quote inside a path or
    // file would end them and let "&" run another command elevated; % and !
    // are expanded by the interpreter even inside quotes; a line break ends
    // the command early.
    size_t quotes = 0;
    for (wchar_t c : command)
    {
        if (c == L'"')
            ++quotes;
        if (c == L'%' || c == L'!' || c < 32 || c == 127)
        {
            problem = L"The path or file name holds a character (% ! or a control character) that cannot be "
                      L"passed to the registry tool safely. Rename the file or key and try again.";
            return false;
        }
    }
    bool load = command.rfind(L"load ", 0) == 0;
    if (quotes != (load ? 4u : 2u))
    {
        problem =
            L"The path or file name holds a quotation mark, which cannot be passed to the registry tool "
            L"safely. Rename the file or key and try again.";
        return false;
    }
    parameters = L"\"\" /k title Zorvane Command & reg.exe " + command;
    if (parameters.size() > kMaxParameters)
    {
        problem = L"The path or file name is too long for a command line.";
        return false;
    }
    return true;
}

bool IsLoadedHive(const std::wstring& path)
{
    size_t slash = path.find(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= path.size() ||
        path.find(L'\\', slash + 1) != std::wstring::npos)
        return false;
    std::wstring root = path.substr(0, slash);
    const wchar_t* prefix = nullptr;
    if (zv::EqualsNoCase(root, L"USERS"))
        prefix = L"\\REGISTRY\\USER\\";
    else if (zv::EqualsNoCase(root, L"LOCAL_MACHINE"))
        prefix = L"\\REGISTRY\\MACHINE\\";
    else
        return false;
    {
        std::lock_guard<std::mutex> guard(g_loadedLock);
        if (g_loaded.count(LoadedKey(path)))
            return true;
    }
    CEzReg list(L"LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\hivelist");
    std::wstring wanted = prefix + path.substr(slash + 1);
    return list.QueryValue(wanted.c_str());
}

bool SaveHive(const std::wstring& keyPath, const std::wstring& file)
{
    CEzReg key(keyPath);
    if (!key.Open(KEY_QUERY_VALUE) || !key.Key)
        return false;
    HivePrivileges privileges;
    LONG result = RegSaveKeyW(key.Key, file.c_str(), nullptr);
    if (result != ERROR_SUCCESS)
        ReportError(static_cast<DWORD>(result), L"Failed to save Hive", true);
    return result == ERROR_SUCCESS;
}

std::wstring HiveRootFor(const std::wstring& currentPath)
{
    return zv::StartsWithNoCase(currentPath, L"USERS") ? L"USERS" : L"LOCAL_MACHINE";
}

bool LoadHive(const std::wstring& file, const std::wstring& currentPath, std::wstring& newPath)
{
    std::wstring rootName = HiveRootFor(currentPath);
    size_t slash = file.find_last_of(L"\\/");
    std::wstring fileName = slash == std::wstring::npos ? file : file.substr(slash + 1);
    CEzReg root(rootName);
    return LoadHiveAs(file, rootName, UniqueSubkeyName(root, fileName), newPath);
}

bool LoadHiveAs(const std::wstring& file, const std::wstring& rootName, const std::wstring& keyName,
                std::wstring& newPath)
{
    HivePrivileges privileges;
    newPath = rootName + L"\\" + keyName;
    LONG result = RegLoadKeyW(RootOf(rootName), keyName.c_str(), file.c_str());
    if (result == ERROR_SUCCESS)
    {
        std::lock_guard<std::mutex> guard(g_loadedLock);
        g_loaded.insert(LoadedKey(newPath));
        return true;
    }
    // This platform may leave an empty key of that name behind a failed
    // load; the name was free before, so an empty key there is that leftover.
    zv::unique_hkey leftover;
    if (RegOpenKeyExW(RootOf(rootName), keyName.c_str(), 0, KEY_QUERY_VALUE, leftover.put()) == ERROR_SUCCESS)
    {
        DWORD subKeys = 1, values = 1;
        RegQueryInfoKeyW(leftover.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        leftover.reset();
        if (subKeys == 0 && values == 0)
            RegDeleteKeyW(RootOf(rootName), keyName.c_str());
    }
    if (result != ERROR_PRIVILEGE_NOT_HELD)
    {
        ReportError(static_cast<DWORD>(result), L"Load Hive encountered error.", true);
        if (!AskYesNo(L"Retry with elevated priviledges?"))
            return false;
    }
    StartElevatedTool(LoadCommand(newPath, file));
    return false;
}

bool UnloadHive(const std::wstring& keyPath)
{
    if (!IsLoadedHive(keyPath))
    {
        AfxMessageBox(keyPath + L" is no loaded hive.", MB_OK | MB_ICONERROR);
        return false;
    }
    size_t slash = keyPath.find(L'\\');
    HKEY root = RootOf(keyPath.substr(0, slash));
    std::wstring name = keyPath.substr(slash + 1);
    HivePrivileges privileges;
    LONG result = RegUnLoadKeyW(root, name.c_str());
    if (result == ERROR_SUCCESS)
    {
        std::lock_guard<std::mutex> guard(g_loadedLock);
        g_loaded.erase(LoadedKey(keyPath));
        return true;
    }
    if (result != ERROR_PRIVILEGE_NOT_HELD)
    {
        ReportError(static_cast<DWORD>(result), L"Unload Hive encountered error.", true);
        if (!AskYesNo(L"Retry with elevated priviledges?"))
            return false;
    }
    StartElevatedTool(UnloadCommand(keyPath));
    return false;
}
