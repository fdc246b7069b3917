// Copying, moving and pasting keys and values.
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

namespace
{
bool SameRoot(std::wstring_view a, std::wstring_view b)
{
    return zv::EqualsNoCase(a.substr(0, a.find(L'\\')), b.substr(0, b.find(L'\\')));
}

// Whether the guard made in destination shows below the source at the place
// the destination's own trailing names lead to: a link at the start of the
// destination's path (another spelling of the source's root, a link such as
// CurrentControlSet) keeps the names after it. Costs one open per level,
// where a search of the source's whole tree costs a read of every key.
bool GuardBelowSource(std::wstring_view sourcePath, const std::wstring& destination,
                      const std::wstring& guard)
{
    std::vector<std::wstring> parts;
    for (size_t at = 0; at <= destination.size();)
    {
        size_t slash = destination.find(L'\\', at);
        if (slash == std::wstring::npos)
            slash = destination.size();
        parts.push_back(destination.substr(at, slash - at));
        at = slash + 1;
    }
    std::wstring tail;
    for (size_t k = 0; k < parts.size(); ++k)
    {
        std::wstring probe = std::wstring(sourcePath) + (tail.empty() ? L"" : L"\\" + tail) + L"\\" + guard;
        if (KeyExists(probe))
            return true;
        const std::wstring& next = parts[parts.size() - 1 - k];
        tail = tail.empty() ? next : next + L"\\" + tail;
    }
    return false;
}
} // namespace

bool CheckCopyTarget(CEzReg& key, std::wstring_view sourcePath, std::wstring& error)
{
    std::wstring destination = key.FullPath();
    if (key.IsComputer() || zv::EqualsNoCase(destination, L"LOCAL_MACHINE") ||
        zv::EqualsNoCase(destination, L"USERS"))
    {
        error = L"LocalMachine and Users don't allow subkey creation";
        return false;
    }
    if (IsSameOrUnder(destination, sourcePath))
    {
        error = L"The destination key is a child of the source key";
        return false;
    }
    std::wstring guard;
    if (!CreateUniqueSubkey(key, kRecursionGuardName, guard))
    {
        error = L"Failed to create subkey of the destination key.";
        return false;
    }
    // The guard is reachable from inside the source only when the destination
    // is, by some other route (an aliased root, a link).
    bool related = GuardBelowSource(sourcePath, destination, guard);
    if (!related && !SameRoot(sourcePath, destination))
    {
        // Another root may name a key anywhere inside the source (CLASSES_ROOT
        // is a part of LOCAL_MACHINE\Software): search the whole source tree.
        related = FindSubkeyInTree(LiveRegistry(), std::wstring(sourcePath), guard);
    }
    CEzReg guardKey(key.Key, guard);
    DeleteTree(guardKey);
    if (related)
    {
        error = L"The source and destination keys are related so that recursive copy is not allowed.";
        return false;
    }
    return true;
}

std::wstring UniqueSubkeyName(CEzReg& key, std::wstring_view keyName)
{
    std::wstring result(keyName);
    for (int a = 2;; ++a)
    {
        if (!key.Open(KEY_ENUMERATE_SUB_KEYS) || !key.HasSubKey(result))
            break;
        result = zv::Format(L"%s.%d", std::wstring(keyName).c_str(), a);
    }
    return result;
}

bool CopyTreeTo(CEzReg& key, HKEY destinationParent, std::wstring_view newName, SecurityCarry* carry)
{
    // A link is copied as a link to the same place: what it points to is
    // never copied, so no link can lead a copy into its own output.
    key.OpenOptions = REG_OPTION_OPEN_LINK;
    if (!key.Open(kReadTree) || !key.Key)
        return false;
    // The first value is read before anything is made: a link's is its
    // target, and a link must be made as one. The loop below reuses it.
    key.ValueIndex = 0;
    bool firstValue = key.NextValue();
    if (firstValue && IsLinkValue(key.ValueName, key.ValueType) && key.BaseKey &&
        IsLinkKey(key.BaseKey, key.SubKeyPath))
    {
        std::wstring linkName(newName);
        key.LastError = CreateLinkKey(destinationParent, linkName.c_str(), key.Data, key.DataSize);
        return key.LastError == ERROR_SUCCESS;
    }
    if (!firstValue && key.LastEnumResult != ERROR_NO_MORE_ITEMS)
    {
        key.LastError = key.LastEnumResult;
        return false;
    }
    REGSAM carryRights = carry ? READ_CONTROL | WRITE_DAC | WRITE_OWNER : 0;
    std::wstring name(newName);
    zv::unique_hkey target;
    key.LastError = RegCreateKeyExW(destinationParent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_CREATE_SUB_KEY | KEY_SET_VALUE | carryRights | KEY_WOW64_64KEY,
                                    nullptr, target.put(), nullptr);
    if (key.LastError == ERROR_ACCESS_DENIED)
    {
        // An inherited entry may deny a right the copy does not need: ask
        // only for what this key's contents call for.
        DWORD subKeys = 0, values = 0;
        QueryCounts(key.Key, subKeys, values);
        REGSAM access = (subKeys ? KEY_CREATE_SUB_KEY : 0) | (values ? KEY_SET_VALUE : 0) | carryRights;
        key.LastError = RegCreateKeyExW(destinationParent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access | KEY_WOW64_64KEY, nullptr, target.put(), nullptr);
    }
    if (key.LastError != ERROR_SUCCESS)
        return false;

    key.SubKeyIndex = 0;
    while (key.CRegReader::NextSubKey())
    {
        std::wstring childName(key.SubKeyName);
        CEzReg child(key.Key, childName);
        std::wstring parentPath = carry ? carry->path : std::wstring();
        if (carry)
            carry->path += L"\\" + childName;
        bool copied = CopyTreeTo(child, target.get(), childName, carry);
        if (carry)
            carry->path = parentPath;
        if (!copied)
        {
            key.LastError = child.LastError;
            return false;
        }
    }
    // A sub-key or value that could not be read fails the copy, so a move
    // never deletes a source whose copy is incomplete.
    if (key.LastEnumResult != ERROR_NO_MORE_ITEMS)
    {
        key.LastError = key.LastEnumResult;
        return false;
    }
    // Value 0 is still in the buffers (the sub-key loop uses others).
    for (bool more = firstValue; more; more = key.NextValue())
    {
        key.LastError = SetValueExactly(target.get(), key.ValueName, key.ValueType, key.Data, key.DataSize);
        if (key.LastError != ERROR_SUCCESS)
            return false;
    }
    if (key.LastEnumResult != ERROR_NO_MORE_ITEMS)
    {
        key.LastError = key.LastEnumResult;
        return false;
    }
    if (carry)
    {
        // Last, so that the copy's own permissions cannot stand in the way of
        // filling it (the handle was opened with every right it needs).
        zv::unique_hkey source;
        bool carried = RegOpenKeyExW(key.Key, nullptr, 0, READ_CONTROL, source.put()) == ERROR_SUCCESS &&
                       CarryKeySecurity(source.get(), target.get()) == ERROR_SUCCESS;
        if (!carried)
            carry->Note(carry->path);
    }
    return true;
}

namespace transfer
{
// After a copy that could not carry every key's permissions: whether the
// user still wants the original removed.
bool AcceptUncarriedSecurity(const SecurityCarry& carry)
{
    if (carry.failed == 0)
        return true;
    return AskYesNo(
        L"The permissions of " + zv::Counted(carry.failed, L"key", L"keys") +
        L" could not be carried to the new place; there " + (carry.failed == 1 ? L"it has" : L"they have") +
        L" the permissions of the new parent.\nFirst: " + carry.firstFailed +
        L"\n\nRemove the original anyway? (No keeps the original as it is and removes the copy.)");
}
} // namespace transfer

bool PasteKey(CEzReg& key, std::wstring_view sourcePath, bool move)
{
    std::wstring used;
    return PasteKeyAs(key, sourcePath, move, used) != PasteOutcome::Failed;
}

bool PasteValue(CEzReg& key, std::wstring_view sourceKeyPath, std::wstring_view valueName, bool move)
{
    std::wstring used;
    return PasteValueAs(key, sourceKeyPath, valueName, move, used) != PasteOutcome::Failed;
}

PasteOutcome PasteKeyAs(CEzReg& key, std::wstring_view sourcePath, bool move, std::wstring& usedName)
{
    std::wstring error;
    if (!CheckCopyTarget(key, sourcePath, error))
    {
        ShowStatusText(error);
        return PasteOutcome::Failed;
    }
    // Creating below the destination needs KEY_CREATE_SUB_KEY on this handle,
    // looking for a free name KEY_ENUMERATE_SUB_KEYS: open with both at once.
    if (!key.Open(KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS) || !key.Key)
        return PasteOutcome::Failed;
    // A move ends with a delete of the source: refused before anything is
    // written when that delete would be.
    if (move && IsLoadedHive(std::wstring(sourcePath)))
    {
        AfxMessageBox(HiveRootDeleteRefusal(std::wstring(sourcePath)), MB_OK);
        return PasteOutcome::Failed;
    }
    CEzReg source(sourcePath);
    std::wstring sourceName = source.KeyName();
    std::wstring newName = UniqueSubkeyName(key, sourceName);
    if (newName != sourceName)
    {
        std::wstring question =
            zv::Format(L"The destination key already has a subkey named %s. The copy key name "
                       L"will be: %s. \n\nDo you want to continue?",
                       sourceName.c_str(), newName.c_str());
        if (!AskYesNo(question))
            return PasteOutcome::Declined;
    }
    // A move carries the keys' permissions along; a copy takes those of its new place.
    SecurityCarry carry;
    carry.path = source.FullPath();
    if (!CopyTreeTo(source, key.Key, newName, move ? &carry : nullptr))
    {
        key.LastError = source.LastError;
        // The name was free: what stands there is the unfinished copy.
        DeleteTree(CEzReg(key.Key, newName));
        return PasteOutcome::Failed;
    }
    if (!AcceptUncarriedSecurity(carry))
    {
        DeleteTree(CEzReg(key.Key, newName));
        return PasteOutcome::Declined;
    }
    usedName = newName;
    if (!move)
        return PasteOutcome::Done;
    return DeleteRegistryKey(sourcePath) ? PasteOutcome::Done : PasteOutcome::Failed;
}

PasteOutcome PasteValueAs(CEzReg& key, std::wstring_view sourceKeyPath, std::wstring_view valueName,
                          bool move, std::wstring& usedName)
{
    if (key.IsComputer())
        return PasteOutcome::Failed;
    std::wstring name(valueName);
    std::wstring newName = name;
    if (key.QueryValue(name.c_str()))
    {
        newName = name + L".copy";
        for (int n = 2; key.QueryValue(newName.c_str()); ++n)
            newName = zv::Format(L"%s.copy.%d", name.c_str(), n);
    }
    if (!key.Open(KEY_SET_VALUE) || !key.Key)
        return PasteOutcome::Failed;
    CEzReg source(sourceKeyPath);
    if (!source.QueryValue(name.c_str()))
        return PasteOutcome::Failed;
    key.LastError = SetValueExactly(key.Key, newName.c_str(), source.ValueType, source.Data, source.DataSize);
    if (key.LastError != ERROR_SUCCESS)
        return PasteOutcome::Failed;
    usedName = newName;
    if (!move)
        return PasteOutcome::Done;
    return source.Open(KEY_SET_VALUE) && source.Key &&
                   RegDeleteValueW(source.Key, name.c_str()) == ERROR_SUCCESS
               ? PasteOutcome::Done
               : PasteOutcome::Failed;
}
