// Path-based key reader: opening (in segments for long paths), queries and
// simple edits, and the background sub-key count.
#include "registry/EzReg.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "registry/RootKeys.h"

#include <cwchar>
#include <memory>
#include <new>

namespace
{
constexpr size_t kSegmentChars = 260;
} // namespace

CEzReg::CEzReg(std::wstring_view path) : CRegReader(nullptr, nullptr), Path(path)
{
    FullPathText = Path.c_str();
    size_t separator = Path.find_first_of(L"\\/");
    if (separator != std::wstring::npos && separator + 1 < Path.size())
    {
        BaseKey = RootHandleFromName(std::wstring_view(Path).substr(0, separator));
        SubKeyPath = Path.c_str() + separator + 1;
        Key = nullptr;
    }
    else
    {
        // A root alone (a trailing separator changes nothing), the computer
        // level, or an unknown name that opens nothing.
        std::wstring_view root =
            std::wstring_view(Path).substr(0, separator == std::wstring::npos ? Path.size() : separator);
        BaseKey = nullptr;
        Key = RootHandleFromName(root);
        SubKeyPath = L"";
    }
}

CEzReg::CEzReg(HKEY base, std::wstring_view subKeyPath)
    : CRegReader(nullptr, nullptr), OwnedSubKeyPath(subKeyPath)
{
    if (OwnedSubKeyPath.empty())
    {
        Key = base;
        BaseKey = nullptr;
    }
    else
    {
        BaseKey = base;
    }
    SubKeyPath = OwnedSubKeyPath.c_str();
}

CEzReg::~CEzReg() = default;

bool CEzReg::IsComputer() const noexcept
{
    return !BaseKey && Path.empty() && (!SubKeyPath || !*SubKeyPath) && !Key;
}

void CEzReg::Close()
{
    CloseOwnedKey();
    OpenAccess = 0;
}

bool CEzReg::Open(REGSAM access)
{
    if (!SubKeyPath || !*SubKeyPath)
        return true;
    if (OpenAccess != 0 && (access & ~OpenAccess) == 0)
        return true;
    // A reopen asks for the rights held so far as well, so that a sequence of
    // operations on one reader (enumerate, then create below it) never loses
    // a right an earlier step needed; when the union is refused the new
    // rights alone are tried.
    REGSAM previous = OpenAccess;
    // Also drops a handle that OpenForEnum opened without recording rights.
    Close();
    if (previous != 0 && OpenWith(access | previous))
        return true;
    return OpenWith(access);
}

bool CEzReg::OpenWith(REGSAM access)
{
    size_t length = wcslen(SubKeyPath);
    if (length > kSegmentChars)
        return OpenInSegments(access);
    if (!BaseKey)
        return Key != nullptr;
    HKEY key = nullptr;
    LastError = RegOpenKeyExW(BaseKey, SubKeyPath, OpenOptions, access | KEY_WOW64_64KEY, &key);
    if (LastError != ERROR_SUCCESS)
        return false;
    Key = key;
    OpenAccess = access;
    return true;
}

bool CEzReg::OpenInSegments(REGSAM access)
{
    if (!BaseKey)
        return false;
    std::wstring path(SubKeyPath);
    const size_t n = path.size();
    HKEY parent = BaseKey;
    zv::unique_hkey ownedParent; // the intermediate key the next segment opens below
    size_t start = 0;
    while (start < n)
    {
        size_t end = start + kSegmentChars;
        if (end < n)
        {
            while (end > start && path[end] != L'\\')
                --end;
            if (end == start)
                return false; // a segment of more than 260 characters without a backslash
        }
        else
        {
            end = n;
        }
        std::wstring segment = path.substr(start, end - start);
        HKEY key = nullptr;
        LastError = RegOpenKeyExW(parent, segment.c_str(), end >= n ? OpenOptions : 0,
                                  access | KEY_WOW64_64KEY, &key);
        if (LastError != ERROR_SUCCESS)
            return false;
        if (end >= n)
        {
            // Keep the last segment below its parent, so a reopen with wider
            // rights opens just that segment.
            Key = key;
            OpenAccess = access;
            if (ownedParent)
            {
                BaseKey = ownedParent.release();
                OwnsBaseKey = true;
            }
            OwnedSubKeyPath = std::move(segment);
            SubKeyPath = OwnedSubKeyPath.c_str();
            return true;
        }
        ownedParent.reset(key);
        parent = key;
        start = end + 1;
    }
    return false;
}

bool CEzReg::FirstValue()
{
    if (!Open(KEY_QUERY_VALUE))
        return false;
    ValueIndex = 0;
    return NextValue();
}

bool CEzReg::FirstSubKey()
{
    if (!Open(KEY_ENUMERATE_SUB_KEYS))
        return false;
    SubKeyIndex = 0;
    return NextSubKey();
}

bool CEzReg::NextSubKey()
{
    if (IsComputer())
    {
        if (SubKeyIndex >= static_cast<DWORD>(kRootCount))
        {
            LastEnumResult = ERROR_NO_MORE_ITEMS;
            return false;
        }
        LastEnumResult = ERROR_SUCCESS;
        wcscpy(SubKeyName, RootName(static_cast<int>(SubKeyIndex)).c_str());
        ++SubKeyIndex;
        return true;
    }
    return CRegReader::NextSubKey();
}

bool CEzReg::QueryValue(const wchar_t* name)
{
    Text.clear();
    if (!Open(KEY_QUERY_VALUE) || !Key)
        return false;
    DWORD size = DataCapacity;
    LONG result = RegQueryValueExW(Key, name, nullptr, &ValueType, Data, &size);
    if (result == ERROR_MORE_DATA)
    {
        DataSize = size;
        if (!GrowData())
            return false;
        size = DataCapacity;
        result = RegQueryValueExW(Key, name, nullptr, &ValueType, Data, &size);
    }
    if (result != ERROR_SUCCESS)
        return false;
    DataSize = size;
    size_t length = name ? wcslen(name) : 0;
    if (length >= ValueNameCapacity)
        GrowValueName();
    length = length < ValueNameCapacity ? length : ValueNameCapacity - 1;
    if (length)
        wmemcpy(ValueName, name, length);
    ValueName[length] = L'\0';
    return true;
}

bool CEzReg::QueryValueAsStored(const wchar_t* name)
{
    if (!QueryValue(name))
        return false;
    if (!name || !*name)
        return true;
    // Only the names are read here; the data stays what QueryValue read.
    std::wstring_view asked(name);
    std::unique_ptr<wchar_t[]> stored(new (std::nothrow) wchar_t[kMaxValueNameChars]);
    if (!stored)
        return true;
    for (DWORD index = 0;; ++index)
    {
        DWORD length = kMaxValueNameChars;
        LONG result = RegEnumValueW(Key, index, stored.get(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        if (length == asked.size() && zv::EqualsNoCase(std::wstring_view(stored.get(), length), asked))
        {
            wmemcpy(ValueName, stored.get(), length);
            break;
        }
    }
    return true;
}

bool CEzReg::HasSubKey(std::wstring_view name)
{
    if (!Open(KEY_ENUMERATE_SUB_KEYS))
        return false;
    SubKeyIndex = 0;
    while (NextSubKey())
        if (zv::EqualsNoCase(SubKeyName, name))
            return true;
    return false;
}

DWORD CEzReg::SubKeyCount()
{
    if (IsComputer())
        return kRootCount;
    if (!Open(KEY_QUERY_VALUE) || !Key)
        return 0;
    DWORD count = 0;
    if (RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

bool CEzReg::HasValues()
{
    if (IsComputer())
        return false;
    if (!Open(KEY_QUERY_VALUE) || !Key)
        return false;
    DWORD values = 0;
    if (RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return values > 0;
}

std::wstring CEzReg::ClassName()
{
    if (!Open(KEY_QUERY_VALUE) || !Key)
        return {};
    wchar_t buffer[260] = {};
    DWORD length = 260;
    if (RegQueryInfoKeyW(Key, buffer, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return {};
    return std::wstring(buffer, length < 260 ? length : 259);
}

FILETIME CEzReg::LastWriteTime()
{
    FILETIME time = {};
    if (Open(KEY_QUERY_VALUE) && Key)
        RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &time);
    return time;
}

std::wstring CEzReg::KeyName() const
{
    if (IsComputer())
        return kComputerName;
    const std::wstring& source = Path.empty() ? OwnedSubKeyPath : Path;
    size_t slash = source.rfind(L'\\');
    return slash == std::wstring::npos ? source : source.substr(slash + 1);
}

bool CEzReg::CreateKey()
{
    if (!BaseKey)
        return false;
    zv::unique_hkey key;
    // The 64-bit view, as every open of this reader: a 32-bit build on 64-bit
    // Windows would otherwise create the key in the 32-bit view.
    LastError = RegCreateKeyExW(BaseKey, SubKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
    return LastError == ERROR_SUCCESS;
}

bool CEzReg::DeleteValue(const wchar_t* name)
{
    if (!Open(KEY_SET_VALUE) || !Key)
        return false;
    LastError = RegDeleteValueW(Key, name);
    return LastError == ERROR_SUCCESS;
}
