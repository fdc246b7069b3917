// Putting a registry region back as a snapshot has it, writing only what differs.
#include "operations/RegSnapshot.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "operations/KeyTransfer.h"
#include "operations/RegLinks.h"
#include "operations/ReportError.h"
#include "operations/SnapshotParts.h"
#include "registry/EzReg.h"
#include "registry/RootKeys.h"

#include <sddl.h>

using namespace snapshot;

namespace
{
// One part (owner, group or access list) of an SDDL text, as SDDL.
std::wstring SecurityPart(const std::wstring& sddl, SECURITY_INFORMATION part)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return {};
    std::wstring text = SecurityText(descriptor, part);
    LocalFree(descriptor);
    return text;
}

// Gives key (open with READ_CONTROL) the owner, group and access list of
// wanted where they differ. The access list is written whenever anything
// differs and before the owner: a key that never had a descriptor of its own
// would otherwise keep a default list in place of the one it shows by
// inheritance.
LONG WriteSecurity(HKEY key, const std::wstring& wanted)
{
    std::wstring current = ReadSecurity(key);
    if (wanted.empty() || current == wanted)
        return ERROR_SUCCESS;
    SECURITY_INFORMATION ownerParts = 0;
    for (SECURITY_INFORMATION part : {OWNER_SECURITY_INFORMATION, GROUP_SECURITY_INFORMATION})
        if (SecurityPart(current, part) != SecurityPart(wanted, part))
            ownerParts |= part;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(wanted.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return static_cast<LONG>(GetLastError());
    LONG result = ERROR_SUCCESS;
    for (SECURITY_INFORMATION parts : {SECURITY_INFORMATION(DACL_SECURITY_INFORMATION), ownerParts})
    {
        if (parts == 0)
            continue;
        zv::unique_hkey writable;
        REGSAM access = READ_CONTROL | (parts == DACL_SECURITY_INFORMATION ? WRITE_DAC : WRITE_OWNER);
        result = RegOpenKeyExW(key, L"", 0, access, writable.put());
        if (result == ERROR_SUCCESS)
        {
            result = RegSetKeySecurity(writable.get(), parts, descriptor);
        }
        if (result != ERROR_SUCCESS)
            break;
    }
    LocalFree(descriptor);
    return result;
}

void Fail(std::vector<std::wstring>& failures, const std::wstring& what, LONG error)
{
    failures.push_back(what + L": " + SystemErrorText(static_cast<DWORD>(error)));
}

// Writes value into key unless it holds it already. With exact spelling a
// name the registry spells in another case is removed and written again as
// the snapshot spells it; without, the registry's spelling stays.
void PutValue(HKEY key, const SavedValue& value, const SavedValue* current, bool exactSpelling,
              const std::wstring& path, std::vector<std::wstring>& failures)
{
    bool sameName = current && current->name == value.name;
    bool sameData = current && current->type == value.type && current->data == value.data;
    if (sameData && (sameName || !exactSpelling))
        return;
    const std::wstring& name = current && !exactSpelling ? current->name : value.name;
    if (current && !sameName && exactSpelling)
    {
        LONG removed = RegDeleteValueW(key, current->name.c_str());
        if (removed != ERROR_SUCCESS)
        {
            Fail(failures, path + L" " + Quoted(value.name), removed);
            return;
        }
    }
    LONG result =
        SetValueExactly(key, name.c_str(), value.type, value.data.empty() ? nullptr : value.data.data(),
                        static_cast<DWORD>(value.data.size()), ::RegSetValueExW);
    if (result != ERROR_SUCCESS)
        Fail(failures, path + L" " + Quoted(value.name), result);
}

// Makes the key open as key (at path) hold what tree holds; fresh when it
// was just created and so holds nothing yet.
// Puts a link back as a link to its saved target: one that stands there
// with the same target stays, anything else there goes first.
void RestoreLink(HKEY parent, const std::wstring& path, const SavedKey& link,
                 std::vector<std::wstring>& failures)
{
    const SavedValue& target = link.values.front();
    if (IsLinkKey(parent, link.name.c_str()))
    {
        zv::unique_hkey existing;
        std::vector<SavedValue> values;
        if (RegOpenKeyExW(parent, link.name.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | kView,
                          existing.put()) == ERROR_SUCCESS &&
            ReadValues(existing.get(), values) == ERROR_SUCCESS && !values.empty() &&
            values.front() == target)
            return;
    }
    CEzReg stale(path);
    if (!DeleteTree(stale) && stale.LastError != ERROR_FILE_NOT_FOUND)
    {
        Fail(failures, path, stale.LastError);
        return;
    }
    LONG result =
        CreateLinkKey(parent, link.name.c_str(), target.data.data(), static_cast<DWORD>(target.data.size()));
    if (result != ERROR_SUCCESS)
        Fail(failures, path, result);
}

void RestoreKey(HKEY key, const std::wstring& path, const SavedKey& tree, bool fresh, bool securityOnly,
                bool deep, std::vector<std::wstring>& failures)
{
    if (!securityOnly)
    {
        std::vector<SavedValue> current;
        if (!fresh)
            ReadValues(key, current);
        for (const SavedValue& value : tree.values)
            PutValue(key, value, fresh ? nullptr : FindValue(current, value.name), true, path, failures);
        for (const SavedValue& extra : current)
            if (!FindValue(tree.values, extra.name))
            {
                LONG result = RegDeleteValueW(key, extra.name.c_str());
                if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
                    Fail(failures, path + L" " + Quoted(extra.name), result);
            }
        std::vector<std::wstring> names;
        if (!fresh)
            ReadChildNames(key, names);
        for (const std::wstring& name : names)
        {
            const SavedKey* wanted = FindChild(tree.children, name);
            if (!wanted)
            {
                CEzReg extra(path + L"\\" + name);
                if (!DeleteTree(extra))
                    Fail(failures, extra.Path, extra.LastError);
            }
            else if (wanted->name != name)
            {
                CEzReg parent(path);
                if (!RenameSubkey(parent, name, wanted->name))
                    Fail(failures, path + L"\\" + name,
                         parent.LastError ? parent.LastError : ERROR_CANCELLED);
            }
        }
    }
    if (!securityOnly || deep)
        for (const SavedKey& child : tree.children)
        {
            std::wstring childLink = path + L"\\" + child.name;
            if (child.link)
            {
                if (!securityOnly)
                    RestoreLink(key, childLink, child, failures);
                continue;
            }
            zv::unique_hkey childKey;
            DWORD disposition = 0;
            std::wstring childPath = path + L"\\" + child.name;
            LONG result =
                securityOnly
                    ? RegOpenKeyExW(key, child.name.c_str(), 0, kRestoreAccess, childKey.put())
                    : RegCreateKeyExW(key, child.name.c_str(), 0,
                                      child.className.empty() ? nullptr
                                                              : const_cast<wchar_t*>(child.className.c_str()),
                                      0, kRestoreAccess, nullptr, childKey.put(), &disposition);
            if (result != ERROR_SUCCESS)
            {
                Fail(failures, childPath, result);
                continue;
            }
            RestoreKey(childKey.get(), childPath, child, disposition == REG_CREATED_NEW_KEY, securityOnly,
                       deep, failures);
        }
    LONG result = WriteSecurity(key, tree.security);
    if (result != ERROR_SUCCESS)
        Fail(failures, path + L" (permissions)", result);
}

} // namespace

void RestoreRegion(const RegRegion& region, const RegionState& state, std::vector<std::wstring>& failures)
{
    HKEY root = nullptr;
    std::wstring sub;
    if (!SplitRootPath(region.key, root, sub))
    {
        Fail(failures, region.key, ERROR_INVALID_PARAMETER);
        return;
    }
    if (region.kind == RegRegion::Value)
    {
        zv::unique_hkey owned;
        LONG result =
            state.exists
                ? RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | kView,
                                  nullptr, owned.put(), nullptr)
                : RegOpenKeyExW(root, sub.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE | kView, owned.put());
        HKEY key = owned.get();
        if (result == ERROR_FILE_NOT_FOUND && !state.exists)
            return;
        if (result != ERROR_SUCCESS)
        {
            Fail(failures, region.key + L" " + Quoted(region.value), result);
            return;
        }
        std::vector<SavedValue> current;
        ReadValues(key, current);
        const SavedValue* found = FindValue(current, region.value);
        if (state.exists)
            PutValue(key, state.value, found, region.spelling, region.key, failures);
        else if (found)
        {
            result = RegDeleteValueW(key, found->name.c_str());
            if (result != ERROR_SUCCESS)
                Fail(failures, region.key + L" " + Quoted(region.value), result);
        }
        return;
    }
    if (!state.exists)
    {
        if (region.kind == RegRegion::Security)
            return;
        CEzReg key(region.key);
        if (!DeleteTree(key) && key.LastError != ERROR_FILE_NOT_FOUND)
            Fail(failures, region.key, key.LastError);
        return;
    }
    if (!state.LoadTree())
    {
        failures.push_back(region.key + L": " + kUnreadableState);
        return;
    }
    const SavedKey& tree = state.Tree();
    bool securityOnly = region.kind == RegRegion::Security;
    if (tree.link)
    {
        if (securityOnly)
            return;
        CEzReg parent(ParentOf(region.key));
        if (!parent.Open(KEY_CREATE_SUB_KEY | KEY_QUERY_VALUE) || !parent.Key)
        {
            Fail(failures, region.key, parent.LastError);
            return;
        }
        RestoreLink(parent.Key, region.key, tree, failures);
        return;
    }
    zv::unique_hkey key;
    DWORD disposition = 0;
    LONG result =
        securityOnly
            ? RegOpenKeyExW(root, sub.c_str(), 0, kRestoreAccess, key.put())
            : RegCreateKeyExW(root, sub.c_str(), 0,
                              tree.className.empty() ? nullptr : const_cast<wchar_t*>(tree.className.c_str()),
                              0, kRestoreAccess, nullptr, key.put(), &disposition);
    if (result != ERROR_SUCCESS)
    {
        Fail(failures, region.key, result);
        return;
    }
    if (!securityOnly && !sub.empty() && disposition != REG_CREATED_NEW_KEY)
    {
        std::wstring spelled = SpelledChild(ParentOf(region.key), LeafOf(region.key));
        if (spelled != tree.name)
        {
            key.reset();
            CEzReg parent(ParentOf(region.key));
            if (!RenameSubkey(parent, spelled, tree.name))
            {
                Fail(failures, region.key, parent.LastError ? parent.LastError : ERROR_CANCELLED);
                return;
            }
            if ((result = RegOpenKeyExW(root, sub.c_str(), 0, kRestoreAccess, key.put())) != ERROR_SUCCESS)
            {
                Fail(failures, region.key, result);
                return;
            }
        }
    }
    RestoreKey(key.get(), region.key, tree, disposition == REG_CREATED_NEW_KEY, securityOnly, region.deep,
               failures);
}
