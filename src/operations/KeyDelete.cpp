// Deleting keys (a link by itself, never what it points to) and counting trees.
#include "operations/KeyTransfer.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "operations/Hives.h"
#include "operations/KeySecurityCarry.h"
#include "operations/KeyTransferParts.h"
#include "operations/RegLinks.h"
#include "operations/Ownership.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

#include <cstring>
#include <vector>

using namespace transfer;

namespace transfer
{
bool QueryCounts(HKEY key, DWORD& subKeys, DWORD& values)
{
    subKeys = values = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}
} // namespace transfer

namespace
{
// Deletes sub below parent when it is a registry link: the link itself goes,
// never what it points to. False when sub is no link (or could not go).
bool DeleteIfLink(HKEY parent, const wchar_t* sub, LONG& result)
{
    zv::unique_hkey key;
    if (RegOpenKeyExW(parent, sub, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE | KEY_WOW64_64KEY,
                      key.put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    bool link = RegQueryValueExW(key.get(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
                    ERROR_SUCCESS &&
                type == REG_LINK;
    // An empty name deletes the key the handle holds: the link, not its target.
    result = link ? RegDeleteKeyW(key.get(), L"") : ERROR_SUCCESS;
    return link && result == ERROR_SUCCESS;
}
} // namespace

bool DeleteTree(CEzReg& key)
{
    if (!key.BaseKey)
    {
        key.LastError = ERROR_ACCESS_DENIED; // a root or the computer level
        return false;
    }
    // A hive's root is unloaded, never deleted; the platform here would
    // delete it with everything in it. Only a path of one name below USERS
    // or LOCAL_MACHINE is looked up, so a tree's own keys cost nothing.
    if (!key.Path.empty() && IsLoadedHive(key.Path))
    {
        key.LastError = ERROR_ACCESS_DENIED;
        return false;
    }
    // A link key goes by itself; following it would empty the tree it
    // points to, which lives elsewhere.
    if (DeleteIfLink(key.BaseKey, key.SubKeyPath, key.LastError))
    {
        key.Close();
        return true;
    }
    // One open with every right the walk needs; DELETE alone still lets a
    // key without children go.
    if (!key.Open(DELETE | kReadTree) && !key.Open(DELETE))
        return false;
    DeleteSubkeys(key);
    key.LastError = RegDeleteKeyExW(key.BaseKey, key.SubKeyPath, KEY_WOW64_64KEY, 0);
    if (key.LastError == ERROR_SUCCESS)
    {
        key.Close();
        if (key.OnKeyDeleted && *key.OnKeyDeleted)
            (*key.OnKeyDeleted)();
    }
    return key.LastError == ERROR_SUCCESS;
}

bool DeleteSubkeys(CEzReg& key)
{
    if (key.SubKeyCount() == 0)
        return true;
    if (!key.Open(KEY_ENUMERATE_SUB_KEYS))
        return true;
    // Names first: deleting while enumerating would shift the indexes.
    std::vector<std::wstring> names;
    key.SubKeyIndex = 0;
    while (key.CRegReader::NextSubKey())
        names.emplace_back(key.SubKeyName);
    for (auto it = names.rbegin(); it != names.rend(); ++it)
    {
        CEzReg child(key.Key, *it);
        child.OnKeyDeleted = key.OnKeyDeleted;
        DeleteTree(child);
    }
    return true;
}

std::wstring HiveRootDeleteRefusal(const std::wstring& path)
{
    return path + L" is the root of a loaded hive. A hive is unloaded (File > Unload Hive), never deleted.";
}

bool IsProtectedKey(std::wstring_view path)
{
    // Trailing backslashes would otherwise let LOCAL_MACHINE\SOFTWARE\ through.
    while (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    if (path.empty())
        return true;
    size_t slash = path.find(L'\\');
    if (slash == std::wstring_view::npos)
        return true;
    // Any spelling of the machine root: the paths typed by users keep their case.
    return zv::EqualsNoCase(path.substr(0, slash), L"LOCAL_MACHINE") &&
           path.substr(slash + 1).find(L'\\') == std::wstring_view::npos;
}

bool DeleteRegistryKey(std::wstring_view path, const std::function<void()>& onKeyDeleted)
{
    std::wstring text(path);
    if (IsProtectedKey(path))
    {
        AfxMessageBox(text + L" should not be deleted.", MB_OK);
        return false;
    }
    if (IsLoadedHive(text))
    {
        AfxMessageBox(HiveRootDeleteRefusal(text), MB_OK);
        return false;
    }
    std::function<void()> hook = onKeyDeleted;
    LONG error;
    {
        CEzReg reader(text);
        reader.OnKeyDeleted = &hook;
        if (DeleteTree(reader))
            return true;
        error = reader.LastError;
    }
    CWaitCursor wait;
    if (TakeOwnership(text, true, true))
    {
        CEzReg reader(text);
        reader.OnKeyDeleted = &hook;
        if (DeleteTree(reader))
            return true;
        error = reader.LastError;
    }
    ReportError(static_cast<DWORD>(error), L"Delete failed. Try run as Administrator option.", true);
    return false;
}

bool DeleteRegistryKey(std::wstring_view path)
{
    return DeleteRegistryKey(path, {});
}
