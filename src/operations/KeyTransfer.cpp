// Writing values exactly, creating and finding keys, and renaming keys and values.
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

const wchar_t kRecursionGuardName[] = L"Zorvane-CopyKey-Infinite-Recursion-Guard";
SetValueFunction g_transferSetValue = ::RegSetValueExW;

using namespace transfer;

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

bool CreateUniqueSubkey(CEzReg& key, std::wstring_view baseName, std::wstring& created)
{
    if (key.IsComputer() || !key.Open(KEY_CREATE_SUB_KEY) || !key.Key)
        return false;
    CWaitCursor wait;
    std::wstring base(baseName);
    for (int i = 0; i < 100; ++i)
    {
        std::wstring candidate = i == 0 ? base : zv::Format(L"%s %02d", base.c_str(), i);
        zv::unique_hkey made;
        DWORD disposition = 0;
        LONG result = RegCreateKeyExW(key.Key, candidate.c_str(), 0, nullptr, 0,
                                      KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, made.put(), &disposition);
        if (result == ERROR_SUCCESS)
        {
            made.reset();
            if (disposition == REG_CREATED_NEW_KEY)
            {
                created = std::move(candidate);
                return true;
            }
        }
        key.LastError = result;
    }
    return false;
}

namespace
{
bool HasKeyNamedBelow(const SourceKey& key, std::wstring_view name, SubKeyEntry& child)
{
    for (DWORD index = 0;; ++index)
    {
        LONG result = key.SubKeyAt(index, child);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return false;
        if (child.Name() == name)
            return true;
        if (SourceKey sub = key.OpenSubKey(child.name, KeyUse::SubKeys, result))
            if (HasKeyNamedBelow(sub, name, child))
                return true;
    }
}
} // namespace

bool FindSubkeyInTree(const KeySource& source, const std::wstring& path, std::wstring_view name)
{
    LONG error = ERROR_SUCCESS;
    SourceKey key = source.Open(path, KeyUse::SubKeys, error);
    SubKeyEntry child;
    return key && HasKeyNamedBelow(key, name, child);
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

bool RenameSubkey(CEzReg& key, std::wstring_view oldName, std::wstring_view newName)
{
    if (oldName == newName)
        return true;
    if (key.IsComputer())
        return false;
    if (!KeyNameProblem(newName).empty())
    {
        key.LastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (!key.Open(KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS) || !key.Key)
    {
        ReportError(static_cast<DWORD>(key.LastError),
                    L"Unable to rename this key. Try run as Administrator option.", true);
        return false;
    }
    if (!zv::EqualsNoCase(oldName, newName))
    {
        if (key.HasSubKey(newName))
        {
            key.LastError = ERROR_ALREADY_EXISTS;
            return false;
        }
        CEzReg oldKey(key.Key, oldName);
        SecurityCarry carry;
        carry.path = key.FullPath() + L"\\" + std::wstring(oldName);
        bool copied = CopyTreeTo(oldKey, key.Key, newName, &carry);
        if (!copied || !AcceptUncarriedSecurity(carry))
        {
            // The new name was free: remove the copy, the original stays whole.
            key.LastError = copied ? ERROR_CANCELLED : oldKey.LastError;
            DeleteTree(CEzReg(key.Key, newName));
            return false;
        }
        return DeleteTree(oldKey);
    }
    // The registry sees both spellings as one name: go through a temporary sibling.
    std::wstring temporary = L"x";
    while (key.HasSubKey(temporary))
        temporary += L'x';
    return RenameSubkey(key, oldName, temporary) && RenameSubkey(key, temporary, newName);
}

bool RenameValue(CEzReg& key, std::wstring_view oldName, std::wstring_view newName)
{
    if (oldName == newName)
        return true;
    std::wstring oldText(oldName), newText(newName);
    bool caseOnly = zv::EqualsNoCase(oldName, newName);
    if (!caseOnly && key.QueryValue(newText.c_str()))
    {
        key.LastError = ERROR_ALREADY_EXISTS; // the caller says so, once
        return false;
    }
    if (!key.Open(KEY_QUERY_VALUE | KEY_SET_VALUE) || !key.Key || !key.QueryValue(oldText.c_str()))
        return false;
    DWORD type = key.ValueType;
    std::vector<BYTE> data(key.Data, key.Data + key.DataSize);
    const BYTE* bytes = data.empty() ? nullptr : data.data();
    DWORD size = static_cast<DWORD>(data.size());
    if (caseOnly)
    {
        key.LastError = RegDeleteValueW(key.Key, oldText.c_str());
        if (key.LastError != ERROR_SUCCESS)
            return false;
        key.LastError = SetValueExactly(key.Key, newText.c_str(), type, bytes, size);
        if (key.LastError != ERROR_SUCCESS)
        {
            // The value is gone unless we put it back: write the data we read
            // under its old name again.
            LONG failure = key.LastError;
            SetValueExactly(key.Key, oldText.c_str(), type, bytes, size, ::RegSetValueExW);
            key.LastError = failure;
            return false;
        }
        return true;
    }
    key.LastError = SetValueExactly(key.Key, newText.c_str(), type, bytes, size);
    if (key.LastError != ERROR_SUCCESS)
        return false;
    RegDeleteValueW(key.Key, oldText.c_str());
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
