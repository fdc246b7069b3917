// Enumeration core of the key reader: sub-keys and values into fixed buffers,
// with a data buffer that grows once and then stays grown.
#include "registry/RegReader.h"

#include "registry/RootKeys.h"
#include "registry/ValueText.h"

#include <cwchar>
#include <new>

CRegReader::CRegReader(HKEY base, const wchar_t* subKeyPath) noexcept : SubKeyPath(subKeyPath)
{
    if (!subKeyPath || !*subKeyPath)
        Key = base; // stands for base itself; BaseKey stays null so base is never closed
    else
        BaseKey = base;
}

CRegReader::CRegReader(CRegReader* parent) noexcept
    : Parent(parent), SubKeyPath(parent->SubKeyName), BaseKey(parent->Key)
{
}

CRegReader::~CRegReader()
{
    CloseOwnedKey();
    if (OwnsBaseKey && BaseKey && !IsPredefinedRoot(BaseKey))
        RegCloseKey(BaseKey);
}

void CRegReader::CloseOwnedKey() noexcept
{
    if (Key && BaseKey && !IsPredefinedRoot(Key))
        RegCloseKey(Key);
    if (BaseKey)
        Key = nullptr;
}

bool CRegReader::OpenForEnum()
{
    SubKeyIndex = 0;
    ValueIndex = 0;
    if (Key)
        return true;
    if (!BaseKey)
        return false;
    LastError = RegOpenKeyExW(BaseKey, SubKeyPath, 0,
                              KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, &Key);
    if (LastError != ERROR_SUCCESS)
        Key = nullptr;
    return LastError == ERROR_SUCCESS;
}

bool CRegReader::NextSubKey()
{
    if (!Key)
    {
        LastEnumResult = ERROR_INVALID_HANDLE;
        return false;
    }
    DWORD length = kSubKeyNameChars;
    LONG result = RegEnumKeyExW(Key, SubKeyIndex, SubKeyName, &length, nullptr, nullptr, nullptr, nullptr);
    LastEnumResult = result;
    if (result != ERROR_SUCCESS)
        return false;
    ++SubKeyIndex;
    return true;
}

bool CRegReader::GrowData() noexcept
{
    DWORD capacity = DataSize + 4;
    if (capacity < DataSize) // overflow of a bogus size
        return false;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[capacity]);
    if (!buffer)
        return false;
    HeapData = std::move(buffer);
    Data = HeapData.get();
    DataCapacity = capacity;
    return true;
}

bool CRegReader::GrowValueName() noexcept
{
    if (ValueNameCapacity >= kMaxValueNameChars)
        return false;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[kMaxValueNameChars]);
    if (!buffer)
        return false;
    buffer[0] = L'\0';
    HeapValueName = std::move(buffer);
    ValueName = HeapValueName.get();
    ValueNameCapacity = kMaxValueNameChars;
    return true;
}

bool CRegReader::GrowAfterMoreData(DWORD needed) noexcept
{
    if (needed > DataCapacity)
    {
        DataSize = needed;
        return GrowData();
    }
    // The data fits, so it was the name: read names up to the registry's own
    // limit rather than dropping the value (and every value after it).
    return GrowValueName();
}

bool CRegReader::NextValue()
{
    Text.clear();
    bool ok = false;
    LastEnumResult = ERROR_INVALID_HANDLE;
    if (Key)
    {
        // At most one growth of each buffer, plus a spare round for a value
        // that grew between the two reads.
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            DWORD nameLength = ValueNameCapacity;
            DWORD size = DataCapacity;
            LONG result =
                RegEnumValueW(Key, ValueIndex, ValueName, &nameLength, nullptr, &ValueType, Data, &size);
            LastEnumResult = result;
            if (result == ERROR_MORE_DATA)
            {
                if (!GrowAfterMoreData(size))
                {
                    LastEnumResult = ERROR_NOT_ENOUGH_MEMORY;
                    break;
                }
                continue;
            }
            if (result == ERROR_SUCCESS)
            {
                DataSize = size;
                ok = true;
            }
            break;
        }
    }
    ++ValueIndex;
    if (!ok)
    {
        ValueName[0] = L'\0';
        DataSize = 0;
    }
    return ok;
}

std::wstring CRegReader::FullPath() const
{
    if (Parent)
        return Parent->FullPath() + L"\\" + (SubKeyPath ? SubKeyPath : L"");
    return FullPathText ? std::wstring(FullPathText) : std::wstring();
}

const std::wstring& CRegReader::DataText()
{
    if (DataSize == 0)
    {
        Text.clear();
        return Text;
    }
    if (Text.empty())
        Text = ValueDataText(ValueType, Data, DataSize);
    return Text;
}
