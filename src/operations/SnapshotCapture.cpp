// Capturing a registry region as it is now: a value, or a key with its tree.
#include "operations/RegSnapshot.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "operations/RegLinks.h"
#include "operations/SnapshotParts.h"
#include "registry/RootKeys.h"

using namespace snapshot;

namespace
{
std::wstring ReadClass(HKEY key)
{
    wchar_t buffer[1024];
    DWORD length = 1024;
    if (RegQueryInfoKeyW(key, buffer, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return {};
    return std::wstring(buffer, length);
}

// Reads key and its tree (security only, for a Security region).
LONG ReadTree(HKEY key, SavedKey& tree, bool securityOnly, bool deep, std::wstring& failedPath,
              const std::wstring& path)
{
    tree.security = ReadSecurity(key);
    LONG result = ERROR_SUCCESS;
    if (!securityOnly)
    {
        tree.className = ReadClass(key);
        if ((result = ReadValues(key, tree.values)) != ERROR_SUCCESS)
        {
            failedPath = path;
            return result;
        }
    }
    if (securityOnly && !deep)
        return ERROR_SUCCESS;
    std::vector<std::wstring> names;
    if ((result = ReadChildNames(key, names)) != ERROR_SUCCESS)
    {
        failedPath = path;
        return result;
    }
    tree.children.reserve(names.size());
    for (std::wstring& name : names)
    {
        zv::unique_hkey child;
        std::wstring childPath = path + L"\\" + name;
        // A link is read as itself (its target value), never followed.
        result = RegOpenKeyExW(key, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | kView, child.put());
        if (result != ERROR_SUCCESS)
        {
            failedPath = childPath;
            return result;
        }
        tree.children.emplace_back();
        SavedKey& saved = tree.children.back();
        saved.name = std::move(name);
        result = ReadTree(child.get(), saved, securityOnly, deep, failedPath, childPath);
        child.reset();
        if (result != ERROR_SUCCESS)
            return result;
        saved.link = !saved.values.empty() &&
                     IsLinkValue(saved.values[0].name.c_str(), saved.values[0].type) &&
                     IsLinkKey(key, saved.name.c_str());
    }
    return ERROR_SUCCESS;
}

} // namespace

void ReadKeyNames(const std::wstring& path, std::vector<std::wstring>& keys,
                  std::vector<std::wstring>& values)
{
    HKEY root = nullptr;
    zv::unique_hkey owned;
    std::wstring sub;
    if (!SplitRootPath(path, root, sub) ||
        RegOpenKeyExW(root, sub.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | kView, owned.put()) !=
            ERROR_SUCCESS)
        return;
    HKEY key = owned.get();
    ReadChildNames(key, keys);
    std::vector<wchar_t> name(16384 + 1);
    for (DWORD i = 0;; ++i)
    {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        values.emplace_back(name.data(), length);
    }
}

bool CaptureRegion(const RegRegion& region, RegionState& state, DWORD& error)
{
    state = RegionState();
    error = ERROR_SUCCESS;
    HKEY root = nullptr;
    std::wstring sub;
    if (!SplitRootPath(region.key, root, sub))
    {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    zv::unique_hkey owned;
    REGSAM access = region.kind == RegRegion::Value ? KEY_QUERY_VALUE | kView : KEY_READ | kView;
    // A tree that is a link is kept as the link, not as what it points to.
    LONG result = RegOpenKeyExW(root, sub.c_str(), region.kind == RegRegion::Value ? 0 : REG_OPTION_OPEN_LINK,
                                access, owned.put());
    HKEY key = owned.get();
    if (result == ERROR_FILE_NOT_FOUND)
        return true; // not there: a state that does not exist
    if (result != ERROR_SUCCESS)
    {
        error = static_cast<DWORD>(result);
        return false;
    }
    if (region.kind == RegRegion::Value)
    {
        std::vector<BYTE> data(256);
        DWORD type = 0;
        for (;;)
        {
            DWORD size = static_cast<DWORD>(data.size());
            result = RegQueryValueExW(key, region.value.c_str(), nullptr, &type, data.data(), &size);
            if (result == ERROR_MORE_DATA)
            {
                data.resize(size);
                continue;
            }
            data.resize(size);
            break;
        }
        if (result == ERROR_SUCCESS)
        {
            state.exists = true;
            state.value = {region.value, type, std::move(data)};
            if (region.spelling)
            {
                std::vector<SavedValue> values;
                ReadValues(key, values);
                if (const SavedValue* found = FindValue(values, region.value))
                    state.value.name = found->name;
            }
        }
        else if (result != ERROR_FILE_NOT_FOUND)
            error = static_cast<DWORD>(result);
        return error == ERROR_SUCCESS;
    }
    SavedKey tree;
    tree.name = sub.empty() ? region.key : SpelledChild(ParentOf(region.key), LeafOf(region.key));
    std::wstring failedPath;
    result = ReadTree(key, tree, region.kind == RegRegion::Security,
                      region.deep || region.kind == RegRegion::Tree, failedPath, region.key);
    owned.reset();
    if (result != ERROR_SUCCESS)
    {
        error = static_cast<DWORD>(result);
        return false;
    }
    tree.link = !sub.empty() && !tree.values.empty() &&
                IsLinkValue(tree.values[0].name.c_str(), tree.values[0].type) && IsLinkKey(root, sub.c_str());
    state.exists = true;
    state.SetTree(std::move(tree));
    return true;
}
