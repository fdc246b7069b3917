// Reading the parts of a snapshot: security, values and names.
#include "operations/SnapshotParts.h"

#include "base/Strings.h"
#include "registry/LiveRegistry.h"

#include <sddl.h>

namespace snapshot
{
std::wstring ParentOf(const std::wstring& path)
{
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring LeafOf(const std::wstring& path)
{
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Quoted(const std::wstring& name)
{
    return name.empty() ? L"(Default)" : L"\"" + name + L"\"";
}

// The parts of a security descriptor as SDDL ("" when unreadable).
std::wstring SecurityText(PSECURITY_DESCRIPTOR descriptor, SECURITY_INFORMATION parts)
{
    LPWSTR text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, parts, &text,
                                                              nullptr))
        return {};
    std::wstring result(text);
    LocalFree(text);
    return result;
}

std::wstring ReadSecurity(HKEY key)
{
    DWORD size = 0;
    if (RegGetKeySecurity(key, kSecurityParts, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return {};
    std::vector<BYTE> buffer(size);
    if (RegGetKeySecurity(key, kSecurityParts, buffer.data(), &size) != ERROR_SUCCESS)
        return {};
    return SecurityText(buffer.data(), kSecurityParts);
}

LONG ReadValues(HKEY key, std::vector<SavedValue>& values)
{
    std::vector<wchar_t> name(16384 + 1);
    std::vector<BYTE> data(4096);
    for (DWORD i = 0;;)
    {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG result = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result == ERROR_MORE_DATA)
        {
            data.resize(std::max<size_t>(size, data.size() * 2));
            continue; // the same index again
        }
        if (result != ERROR_SUCCESS)
            return result;
        values.push_back({std::wstring(name.data(), nameLength), type,
                          std::vector<BYTE>(data.data(), data.data() + size)});
        ++i;
    }
}

LONG ReadChildNames(HKEY key, std::vector<std::wstring>& names)
{
    wchar_t name[256];
    for (DWORD i = 0;; ++i)
    {
        DWORD length = 256;
        LONG result = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS)
            return result;
        names.emplace_back(name, length);
    }
}

LONG ReadValues(const SourceKey& key, std::vector<SavedValue>& values, ValueEntry& value)
{
    for (DWORD i = 0;; ++i)
    {
        // A value that cannot be read fails the whole read: a snapshot
        // without it would lose it when put back.
        LONG result = key.ValueAt(i, value);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS)
            return result;
        values.push_back({std::wstring(value.Name()), value.type,
                          std::vector<BYTE>(value.Bytes(), value.Bytes() + value.size)});
    }
}

LONG ReadChildNames(const SourceKey& key, std::vector<std::wstring>& names, SubKeyEntry& child)
{
    for (DWORD i = 0;; ++i)
    {
        LONG result = key.SubKeyAt(i, child);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS)
            return result;
        names.emplace_back(child.Name());
    }
}

// How the registry spells the child of parentPath named (any case) name.
std::wstring SpelledChild(const std::wstring& parentPath, const std::wstring& name)
{
    LONG error = ERROR_SUCCESS;
    SourceKey parent =
        parentPath.empty() ? SourceKey() : LiveRegistry().Open(parentPath, KeyUse::SubKeys, error);
    if (!parent)
        return name;
    SubKeyEntry child;
    for (DWORD i = 0; parent.SubKeyAt(i, child) == ERROR_SUCCESS; ++i)
        if (zv::EqualsNoCase(child.Name(), name))
            return std::wstring(child.Name());
    return name;
}

const SavedValue* FindValue(const std::vector<SavedValue>& values, const std::wstring& name)
{
    for (const SavedValue& value : values)
        if (zv::EqualsNoCase(value.name, name))
            return &value;
    return nullptr;
}

const SavedKey* FindChild(const std::vector<SavedKey>& children, const std::wstring& name)
{
    for (const SavedKey& child : children)
        if (zv::EqualsNoCase(child.name, name))
            return &child;
    return nullptr;
}

} // namespace snapshot
