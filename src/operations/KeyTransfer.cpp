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

bool CEzReg::CreateUniqueSubkey(std::wstring_view baseName, std::wstring& created)
{
    if (IsComputer() || !Open(KEY_CREATE_SUB_KEY) || !Key)
        return false;
    CWaitCursor wait;
    std::wstring base(baseName);
    for (int i = 0; i < 100; ++i)
    {
        std::wstring candidate = i == 0 ? base : zv::Format(L"%s %02d", base.c_str(), i);
        zv::unique_hkey key;
        DWORD disposition = 0;
        LONG result = RegCreateKeyExW(Key, candidate.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                                      nullptr, key.put(), &disposition);
        if (result == ERROR_SUCCESS)
        {
            key.reset();
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
