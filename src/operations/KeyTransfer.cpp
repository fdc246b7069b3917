// Deleting, creating, copying, moving and renaming keys and values.
#include "operations/KeyTransfer.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "operations/Hives.h"
#include "operations/KeySecurityCarry.h"
#include "operations/RegLinks.h"
#include "operations/Ownership.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

#include <cstring>
#include <vector>

const wchar_t kRecursionGuardName[] = L"Zorvane-CopyKey-Infinite-Recursion-Guard";
SetValueFunction g_transferSetValue = ::RegSetValueExW;

LONG SetValueExactly(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size,
                     SetValueFunction setter)
{
    if (!setter)
        setter = g_transferSetValue;
    bool stringType = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (!stringType || size == 0 || !data)
        return setter(key, name, 0, type, data, size);
    if (size >= 2)
    {
        size_t lastUnit = (size / 2 - 1) * 2;
        if (data[lastUnit] == 0 && data[lastUnit + 1] == 0)
            return setter(key, name, 0, type, data, size);
    }
    // A copy whose unit after the data is not NUL. For a single byte the
    // platform's "last unit" is the one before the data: a NUL unit there
    // keeps it from reading outside the copy and from taking the byte for
    // a string that lacks its terminator.
    std::vector<BYTE> padded(size + 4, 0);
    std::memcpy(padded.data() + 2, data, size);
    padded[size + 2] = 0xFF;
    padded[size + 3] = 0xFF;
    return setter(key, name, 0, type, padded.data() + 2, size);
}

namespace
{
constexpr REGSAM kReadTree = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// Deletes sub below parent when it is a registry link: the link itself goes,
// never what it points to. False when sub is no link (or could not go).
bool DeleteIfLink(HKEY parent, const wchar_t* sub, LONG& result)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, sub, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    bool link =
        RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
        type == REG_LINK;
    // An empty name deletes the key the handle holds: the link, not its target.
    result = link ? RegDeleteKeyW(key, L"") : ERROR_SUCCESS;
    RegCloseKey(key);
    return link && result == ERROR_SUCCESS;
}

bool QueryCounts(HKEY key, DWORD& subKeys, DWORD& values)
{
    subKeys = values = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}
} // namespace

bool CEzReg::DeleteTree()
{
    if (!BaseKey)
    {
        LastError = ERROR_ACCESS_DENIED; // a root or the computer level
        return false;
    }
    // A hive's root is unloaded, never deleted; the platform here would
    // delete it with everything in it. Only a path of one name below USERS
    // or LOCAL_MACHINE is looked up, so a tree's own keys cost nothing.
    if (!Path.empty() && IsLoadedHive(Path))
    {
        LastError = ERROR_ACCESS_DENIED;
        return false;
    }
    // A link key goes by itself; following it would empty the tree it
    // points to, which lives elsewhere.
    if (DeleteIfLink(BaseKey, SubKeyPath, LastError))
    {
        Close();
        return true;
    }
    // One open with every right the walk needs; DELETE alone still lets a
    // key without children go.
    if (!Open(DELETE | kReadTree) && !Open(DELETE))
        return false;
    DeleteSubkeys();
    LastError = RegDeleteKeyExW(BaseKey, SubKeyPath, KEY_WOW64_64KEY, 0);
    if (LastError == ERROR_SUCCESS)
    {
        Close();
        if (OnKeyDeleted && *OnKeyDeleted)
            (*OnKeyDeleted)();
    }
    return LastError == ERROR_SUCCESS;
}

bool CEzReg::DeleteSubkeys()
{
    if (SubKeyCount() == 0)
        return true;
    if (!Open(KEY_ENUMERATE_SUB_KEYS))
        return true;
    // Names first: deleting while enumerating would shift the indexes.
    std::vector<std::wstring> names;
    SubKeyIndex = 0;
    while (CRegReader::NextSubKey())
        names.emplace_back(SubKeyName);
    for (auto it = names.rbegin(); it != names.rend(); ++it)
    {
        CEzReg child(Key, *it);
        child.OnKeyDeleted = OnKeyDeleted;
        child.DeleteTree();
    }
    return true;
}

bool CEzReg::CreateUniqueSubkey(std::wstring_view baseName, std::wstring& created)
{
    if (IsComputer() || !Open(KEY_CREATE_SUB_KEY) || !Key)
        return false;
    CWaitCursor wait;
    std::wstring base(baseName);
    for (int i = 0; i < 100; ++i)
    {
        std::wstring candidate = i == 0 ? base : zv::Format(L"%s %02d", base.c_str(), i);
        HKEY key = nullptr;
        DWORD disposition = 0;
        LONG result = RegCreateKeyExW(Key, candidate.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                                      nullptr, &key, &disposition);
        if (result == ERROR_SUCCESS)
        {
            RegCloseKey(key);
            if (disposition == REG_CREATED_NEW_KEY)
            {
                created = std::move(candidate);
                return true;
            }
        }
        LastError = result;
    }
    return false;
}

bool CEzReg::FindSubkeyInTree(std::wstring_view name)
{
    if (!Open(KEY_ENUMERATE_SUB_KEYS) || !Key)
        return false;
    SubKeyIndex = 0;
    while (CRegReader::NextSubKey())
    {
        if (name == SubKeyName)
            return true;
        CEzReg child(Key, SubKeyName);
        if (child.FindSubkeyInTree(name))
            return true;
    }
    return false;
}

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

bool CEzReg::CheckCopyTarget(std::wstring_view sourcePath, std::wstring& error)
{
    std::wstring destination = FullPath();
    if (IsComputer() || zv::EqualsNoCase(destination, L"LOCAL_MACHINE") ||
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
    if (!CreateUniqueSubkey(kRecursionGuardName, guard))
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
        CEzReg source(sourcePath);
        related = source.FindSubkeyInTree(guard);
    }
    CEzReg guardKey(Key, guard);
    guardKey.DeleteTree();
    if (related)
    {
        error = L"The source and destination keys are related so that recursive copy is not allowed.";
        return false;
    }
    return true;
}

std::wstring CEzReg::UniqueSubkeyName(std::wstring_view keyName)
{
    std::wstring result(keyName);
    for (int a = 2;; ++a)
    {
        if (!Open(KEY_ENUMERATE_SUB_KEYS) || !HasSubKey(result))
            break;
        result = zv::Format(L"%s.%d", std::wstring(keyName).c_str(), a);
    }
    return result;
}

bool CEzReg::CopyTreeTo(HKEY destinationParent, std::wstring_view newName, SecurityCarry* carry)
{
    // A link is copied as a link to the same place: what it points to is
    // never copied, so no link can lead a copy into its own output.
    OpenOptions = REG_OPTION_OPEN_LINK;
    if (!Open(kReadTree) || !Key)
        return false;
    // The first value is read before anything is made: a link's is its
    // target, and a link must be made as one. The loop below reuses it.
    ValueIndex = 0;
    bool firstValue = NextValue();
    if (firstValue && IsLinkValue(ValueName, ValueType) && BaseKey && IsLinkKey(BaseKey, SubKeyPath))
    {
        std::wstring linkName(newName);
        LastError = CreateLinkKey(destinationParent, linkName.c_str(), Data, DataSize);
        return LastError == ERROR_SUCCESS;
    }
    if (!firstValue && LastEnumResult != ERROR_NO_MORE_ITEMS)
    {
        LastError = LastEnumResult;
        return false;
    }
    REGSAM carryRights = carry ? READ_CONTROL | WRITE_DAC | WRITE_OWNER : 0;
    std::wstring name(newName);
    zv::unique_hkey target;
    LastError = RegCreateKeyExW(destinationParent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_CREATE_SUB_KEY | KEY_SET_VALUE | carryRights | KEY_WOW64_64KEY, nullptr,
                                target.put(), nullptr);
    if (LastError == ERROR_ACCESS_DENIED)
    {
        // An inherited entry may deny a right the copy does not need: ask
        // only for what this key's contents call for.
        DWORD subKeys = 0, values = 0;
        QueryCounts(Key, subKeys, values);
        REGSAM access = (subKeys ? KEY_CREATE_SUB_KEY : 0) | (values ? KEY_SET_VALUE : 0) | carryRights;
        LastError = RegCreateKeyExW(destinationParent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    access | KEY_WOW64_64KEY, nullptr, target.put(), nullptr);
    }
    if (LastError != ERROR_SUCCESS)
        return false;

    SubKeyIndex = 0;
    while (CRegReader::NextSubKey())
    {
        std::wstring childName(SubKeyName);
        CEzReg child(Key, childName);
        std::wstring parentPath = carry ? carry->path : std::wstring();
        if (carry)
            carry->path += L"\\" + childName;
        bool copied = child.CopyTreeTo(target.get(), childName, carry);
        if (carry)
            carry->path = parentPath;
        if (!copied)
        {
            LastError = child.LastError;
            return false;
        }
    }
    // A sub-key or value that could not be read fails the copy, so a move
    // never deletes a source whose copy is incomplete.
    if (LastEnumResult != ERROR_NO_MORE_ITEMS)
    {
        LastError = LastEnumResult;
        return false;
    }
    // Value 0 is still in the buffers (the sub-key loop uses others).
    for (bool more = firstValue; more; more = NextValue())
    {
        LastError = SetValueExactly(target.get(), ValueName, ValueType, Data, DataSize);
        if (LastError != ERROR_SUCCESS)
            return false;
    }
    if (LastEnumResult != ERROR_NO_MORE_ITEMS)
    {
        LastError = LastEnumResult;
        return false;
    }
    if (carry)
    {
        // Last, so that the copy's own permissions cannot stand in the way of
        // filling it (the handle was opened with every right it needs).
        zv::unique_hkey source;
        bool carried = RegOpenKeyExW(Key, nullptr, 0, READ_CONTROL, source.put()) == ERROR_SUCCESS &&
                       CarryKeySecurity(source.get(), target.get()) == ERROR_SUCCESS;
        if (!carried)
            carry->Note(carry->path);
    }
    return true;
}

namespace
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
} // namespace

bool CEzReg::PasteKey(std::wstring_view sourcePath, bool move)
{
    std::wstring used;
    return PasteKeyAs(sourcePath, move, used) != PasteOutcome::Failed;
}

bool CEzReg::PasteValue(std::wstring_view sourceKeyPath, std::wstring_view valueName, bool move)
{
    std::wstring used;
    return PasteValueAs(sourceKeyPath, valueName, move, used) != PasteOutcome::Failed;
}

CEzReg::PasteOutcome CEzReg::PasteKeyAs(std::wstring_view sourcePath, bool move, std::wstring& usedName)
{
    std::wstring error;
    if (!CheckCopyTarget(sourcePath, error))
    {
        ShowStatusText(error);
        return PasteOutcome::Failed;
    }
    // Creating below the destination needs KEY_CREATE_SUB_KEY on this handle,
    // looking for a free name KEY_ENUMERATE_SUB_KEYS: open with both at once.
    if (!Open(KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS) || !Key)
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
    std::wstring newName = UniqueSubkeyName(sourceName);
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
    if (!source.CopyTreeTo(Key, newName, move ? &carry : nullptr))
    {
        LastError = source.LastError;
        // The name was free: what stands there is the unfinished copy.
        CEzReg(Key, newName).DeleteTree();
        return PasteOutcome::Failed;
    }
    if (!AcceptUncarriedSecurity(carry))
    {
        CEzReg(Key, newName).DeleteTree();
        return PasteOutcome::Declined;
    }
    usedName = newName;
    if (!move)
        return PasteOutcome::Done;
    return DeleteRegistryKey(sourcePath) ? PasteOutcome::Done : PasteOutcome::Failed;
}

CEzReg::PasteOutcome CEzReg::PasteValueAs(std::wstring_view sourceKeyPath, std::wstring_view valueName,
                                          bool move, std::wstring& usedName)
{
    if (IsComputer())
        return PasteOutcome::Failed;
    std::wstring name(valueName);
    std::wstring newName = name;
    if (QueryValue(name.c_str()))
    {
        newName = name + L".copy";
        for (int n = 2; QueryValue(newName.c_str()); ++n)
            newName = zv::Format(L"%s.copy.%d", name.c_str(), n);
    }
    if (!Open(KEY_SET_VALUE) || !Key)
        return PasteOutcome::Failed;
    CEzReg source(sourceKeyPath);
    if (!source.QueryValue(name.c_str()))
        return PasteOutcome::Failed;
    LastError = SetValueExactly(Key, newName.c_str(), source.ValueType, source.Data, source.DataSize);
    if (LastError != ERROR_SUCCESS)
        return PasteOutcome::Failed;
    usedName = newName;
    if (!move)
        return PasteOutcome::Done;
    return source.Open(KEY_SET_VALUE) && source.Key &&
                   RegDeleteValueW(source.Key, name.c_str()) == ERROR_SUCCESS
               ? PasteOutcome::Done
               : PasteOutcome::Failed;
}

std::wstring KeyNameProblem(std::wstring_view name)
{
    // An empty name would name the parent itself, a backslash a key further
    // down; the registry takes no key name longer than 255 characters.
    if (name.empty())
        return L"A key name cannot be empty.";
    if (name.find(L'\\') != std::wstring_view::npos)
        return L"A key name cannot contain a backslash.";
    if (name.size() > 255)
        return L"A key name cannot be longer than 255 characters.";
    return {};
}

bool CEzReg::RenameSubkey(std::wstring_view oldName, std::wstring_view newName)
{
    if (oldName == newName)
        return true;
    if (IsComputer())
        return false;
    if (!KeyNameProblem(newName).empty())
    {
        LastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (!Open(KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS) || !Key)
    {
        ReportError(static_cast<DWORD>(LastError),
                    L"Unable to rename this key. Try run as Administrator option.", true);
        return false;
    }
    if (!zv::EqualsNoCase(oldName, newName))
    {
        if (HasSubKey(newName))
        {
            LastError = ERROR_ALREADY_EXISTS;
            return false;
        }
        CEzReg oldKey(Key, oldName);
        SecurityCarry carry;
        carry.path = FullPath() + L"\\" + std::wstring(oldName);
        bool copied = oldKey.CopyTreeTo(Key, newName, &carry);
        if (!copied || !AcceptUncarriedSecurity(carry))
        {
            // The new name was free: remove the copy, the original stays whole.
            LastError = copied ? ERROR_CANCELLED : oldKey.LastError;
            CEzReg(Key, newName).DeleteTree();
            return false;
        }
        return oldKey.DeleteTree();
    }
    // The registry sees both spellings as one name: go through a temporary sibling.
    std::wstring temporary = L"x";
    while (HasSubKey(temporary))
        temporary += L'x';
    return RenameSubkey(oldName, temporary) && RenameSubkey(temporary, newName);
}

bool CEzReg::RenameValue(std::wstring_view oldName, std::wstring_view newName)
{
    if (oldName == newName)
        return true;
    std::wstring oldText(oldName), newText(newName);
    bool caseOnly = zv::EqualsNoCase(oldName, newName);
    if (!caseOnly && QueryValue(newText.c_str()))
    {
        LastError = ERROR_ALREADY_EXISTS; // the caller says so, once
        return false;
    }
    if (!Open(KEY_QUERY_VALUE | KEY_SET_VALUE) || !Key || !QueryValue(oldText.c_str()))
        return false;
    DWORD type = ValueType;
    std::vector<BYTE> data(Data, Data + DataSize);
    const BYTE* bytes = data.empty() ? nullptr : data.data();
    DWORD size = static_cast<DWORD>(data.size());
    if (caseOnly)
    {
        LastError = RegDeleteValueW(Key, oldText.c_str());
        if (LastError != ERROR_SUCCESS)
            return false;
        LastError = SetValueExactly(Key, newText.c_str(), type, bytes, size);
        if (LastError != ERROR_SUCCESS)
        {
            // The value is gone unless we put it back: write the data we read
            // under its old name again.
            LONG failure = LastError;
            SetValueExactly(Key, oldText.c_str(), type, bytes, size, ::RegSetValueExW);
            LastError = failure;
            return false;
        }
        return true;
    }
    LastError = SetValueExactly(Key, newText.c_str(), type, bytes, size);
    if (LastError != ERROR_SUCCESS)
        return false;
    RegDeleteValueW(Key, oldText.c_str());
    return true;
}

std::wstring ValueExistsText(const std::wstring& name)
{
    return L"A value named \"" + name + L"\" already exists.";
}

std::wstring KeyExistsText(const std::wstring& name)
{
    return L"A key named \"" + name + L"\" already exists.";
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

namespace
{
void CountBelow(HKEY key, KeyTreeCount& count, const zv::StopToken& stop)
{
    DWORD subKeys = 0, values = 0;
    if (stop.StopRequested() || !QueryCounts(key, subKeys, values))
        return;
    count.values += values;
    wchar_t name[256];
    for (DWORD i = 0; i < subKeys && !stop.StopRequested(); ++i)
    {
        DWORD length = 256;
        LONG result = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        ++count.keys;
        // A link is counted as the one key it is: what it points to lives elsewhere.
        zv::unique_hkey child;
        if (RegOpenKeyExW(key, name, REG_OPTION_OPEN_LINK, kReadTree | KEY_WOW64_64KEY, child.put()) ==
            ERROR_SUCCESS)
            CountBelow(child.get(), count, stop);
    }
}
} // namespace

KeyTreeCount CountKeyTree(const std::wstring& path, const zv::StopToken& stop)
{
    KeyTreeCount count;
    CEzReg key(path);
    key.OpenOptions = REG_OPTION_OPEN_LINK;
    if (key.Open(kReadTree) && key.Key)
        CountBelow(key.Key, count, stop);
    return count;
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
        if (reader.DeleteTree())
            return true;
        error = reader.LastError;
    }
    CWaitCursor wait;
    if (TakeOwnership(text, true, true))
    {
        CEzReg reader(text);
        reader.OnKeyDeleted = &hook;
        if (reader.DeleteTree())
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
