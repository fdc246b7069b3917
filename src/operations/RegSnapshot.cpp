// Capturing registry regions and putting them back.
#include "operations/RegSnapshot.h"

#include "base/Strings.h"
#include "operations/KeyTransfer.h"
#include "operations/RegLinks.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/RootKeys.h"

#include <sddl.h>

#include <algorithm>
#include <cstring>

namespace
{
constexpr REGSAM kView = KEY_WOW64_64KEY;
// Restoring asks for what the key allows: a key whose own list denies
// setting values still has its tree and permissions put back, and only a
// write that is really needed fails.
constexpr REGSAM kRestoreAccess = MAXIMUM_ALLOWED | kView;
constexpr SECURITY_INFORMATION kSecurityParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

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
        HKEY writable = nullptr;
        REGSAM access = READ_CONTROL | (parts == DACL_SECURITY_INFORMATION ? WRITE_DAC : WRITE_OWNER);
        result = RegOpenKeyExW(key, L"", 0, access, &writable);
        if (result == ERROR_SUCCESS)
        {
            result = RegSetKeySecurity(writable, parts, descriptor);
            RegCloseKey(writable);
        }
        if (result != ERROR_SUCCESS)
            break;
    }
    LocalFree(descriptor);
    return result;
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
        HKEY child = nullptr;
        std::wstring childPath = path + L"\\" + name;
        // A link is read as itself (its target value), never followed.
        result = RegOpenKeyExW(key, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | kView, &child);
        if (result != ERROR_SUCCESS)
        {
            failedPath = childPath;
            return result;
        }
        tree.children.emplace_back();
        SavedKey& saved = tree.children.back();
        saved.name = std::move(name);
        result = ReadTree(child, saved, securityOnly, deep, failedPath, childPath);
        RegCloseKey(child);
        if (result != ERROR_SUCCESS)
            return result;
        saved.link = !saved.values.empty() &&
                     IsLinkValue(saved.values[0].name.c_str(), saved.values[0].type) &&
                     IsLinkKey(key, saved.name.c_str());
    }
    return ERROR_SUCCESS;
}

// How the registry spells the child of parentPath named (any case) name.
std::wstring SpelledChild(const std::wstring& parentPath, const std::wstring& name)
{
    CEzReg parent(parentPath);
    if (parentPath.empty() || !parent.Open(KEY_ENUMERATE_SUB_KEYS) || !parent.Key)
        return name;
    std::vector<std::wstring> names;
    ReadChildNames(parent.Key, names);
    for (const std::wstring& child : names)
        if (zv::EqualsNoCase(child, name))
            return child;
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

// Why a region kept in a file cannot be restored or compared.
const wchar_t kUnreadableState[] =
    L"what undo kept of it cannot be read back (its temporary file is damaged or gone)";

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
    if (!stale.DeleteTree() && stale.LastError != ERROR_FILE_NOT_FOUND)
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
                if (!extra.DeleteTree())
                    Fail(failures, extra.Path, extra.LastError);
            }
            else if (wanted->name != name)
            {
                CEzReg parent(path);
                if (!parent.RenameSubkey(name, wanted->name))
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
            HKEY childKey = nullptr;
            DWORD disposition = 0;
            std::wstring childPath = path + L"\\" + child.name;
            LONG result = securityOnly ? RegOpenKeyExW(key, child.name.c_str(), 0, kRestoreAccess, &childKey)
                                       : RegCreateKeyExW(key, child.name.c_str(), 0,
                                                         child.className.empty()
                                                             ? nullptr
                                                             : const_cast<wchar_t*>(child.className.c_str()),
                                                         0, kRestoreAccess, nullptr, &childKey, &disposition);
            if (result != ERROR_SUCCESS)
            {
                Fail(failures, childPath, result);
                continue;
            }
            RestoreKey(childKey, childPath, child, disposition == REG_CREATED_NEW_KEY, securityOnly, deep,
                       failures);
            RegCloseKey(childKey);
        }
    LONG result = WriteSecurity(key, tree.security);
    if (result != ERROR_SUCCESS)
        Fail(failures, path + L" (permissions)", result);
}

void TreeDifferences(const SavedKey& wanted, const SavedKey& now, const std::wstring& path, bool securityOnly,
                     std::vector<std::wstring>& lines, size_t limit)
{
    auto add = [&](const std::wstring& line) {
        if (lines.size() < limit)
            lines.push_back(line);
    };
    if (wanted.name != now.name)
        add(path + L" is spelled " + now.name + L" instead of " + wanted.name);
    if (wanted.security != now.security)
        add(path + L": its permissions differ");
    if (!securityOnly)
    {
        if (wanted.className != now.className)
            add(path + L": its class differs");
        for (const SavedValue& value : wanted.values)
        {
            const SavedValue* found = FindValue(now.values, value.name);
            if (!found)
                add(path + L": the value " + Quoted(value.name) + L" is gone");
            else if (!(*found == value))
                add(path + L": the value " + Quoted(value.name) + L" differs");
        }
        for (const SavedValue& value : now.values)
            if (!FindValue(wanted.values, value.name))
                add(path + L": the value " + Quoted(value.name) + L" was added");
    }
    for (const SavedKey& child : wanted.children)
    {
        if (lines.size() >= limit)
            return;
        const SavedKey* found = FindChild(now.children, child.name);
        if (!found)
            add(path + L"\\" + child.name + L" is gone");
        else
            TreeDifferences(child, *found, path + L"\\" + child.name, securityOnly, lines, limit);
    }
    for (const SavedKey& child : now.children)
        if (!FindChild(wanted.children, child.name))
            add(path + L"\\" + child.name + L" was added");
}

// The binary form: counts and lengths as 32-bit numbers, text as UTF-16.
void PutNumber(std::vector<BYTE>& out, size_t number)
{
    auto value = static_cast<uint32_t>(number);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    out.insert(out.end(), bytes, bytes + 4);
}

void PutText(std::vector<BYTE>& out, const std::wstring& text)
{
    PutNumber(out, text.size());
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    out.insert(out.end(), bytes, bytes + text.size() * sizeof(wchar_t));
}

class SnapshotReader
{
  public:
    SnapshotReader(const BYTE* bytes, size_t size) : m_at(bytes), m_end(bytes + size) {}
    bool Number(size_t& number)
    {
        uint32_t value = 0;
        if (m_end - m_at < 4)
            return false;
        std::memcpy(&value, m_at, 4);
        m_at += 4;
        number = value;
        return true;
    }
    bool Text(std::wstring& text)
    {
        size_t length = 0;
        if (!Number(length) || static_cast<size_t>(m_end - m_at) / sizeof(wchar_t) < length)
            return false;
        text.assign(length, L'\0');
        std::memcpy(text.data(), m_at, length * sizeof(wchar_t));
        m_at += length * sizeof(wchar_t);
        return true;
    }
    bool Bytes(std::vector<BYTE>& data)
    {
        size_t length = 0;
        if (!Number(length) || static_cast<size_t>(m_end - m_at) < length)
            return false;
        data.assign(m_at, m_at + length);
        m_at += length;
        return true;
    }
    bool Key(SavedKey& tree, int depth)
    {
        size_t values = 0, children = 0, link = 0;
        if (depth > 512 || !Text(tree.name) || !Text(tree.className) || !Text(tree.security) ||
            !Number(link) || link > 1 || !Number(values))
            return false;
        tree.link = link == 1;
        for (size_t i = 0; i < values; ++i)
        {
            SavedValue value;
            size_t type = 0;
            if (!Text(value.name) || !Number(type) || !Bytes(value.data))
                return false;
            value.type = static_cast<DWORD>(type);
            tree.values.push_back(std::move(value));
        }
        if (!Number(children))
            return false;
        for (size_t i = 0; i < children; ++i)
        {
            tree.children.emplace_back();
            if (!Key(tree.children.back(), depth + 1))
                return false;
        }
        return true;
    }
    bool AtEnd() const noexcept { return m_at == m_end; }

  private:
    const BYTE* m_at;
    const BYTE* m_end;
};
} // namespace

namespace
{
bool SameTree(const SavedKey& a, const SavedKey& b)
{
    if (a.name != b.name || a.link != b.link || a.className != b.className || a.security != b.security ||
        a.values != b.values || a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.children.size(); ++i)
        if (!SameTree(a.children[i], b.children[i]))
            return false;
    return true;
}
} // namespace

bool SameRegionState(const RegionState& a, const RegionState& b)
{
    if (a.exists != b.exists)
        return false;
    if (!a.exists)
        return true;
    return a.value == b.value && SameTree(a.Tree(), b.Tree());
}

void ReadKeyNames(const std::wstring& path, std::vector<std::wstring>& keys,
                  std::vector<std::wstring>& values)
{
    HKEY root = nullptr, key = nullptr;
    std::wstring sub;
    if (!SplitRootPath(path, root, sub) ||
        RegOpenKeyExW(root, sub.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | kView, &key) !=
            ERROR_SUCCESS)
        return;
    ReadChildNames(key, keys);
    std::vector<wchar_t> name(16384 + 1);
    for (DWORD i = 0;; ++i)
    {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        values.emplace_back(name.data(), length);
    }
    RegCloseKey(key);
}

size_t SnapshotBytes(const SavedKey& tree) noexcept
{
    size_t bytes = sizeof(SavedKey) + (tree.name.size() + tree.className.size() + tree.security.size()) * 2;
    for (const SavedValue& value : tree.values)
        bytes += sizeof(SavedValue) + value.name.size() * 2 + value.data.size();
    for (const SavedKey& child : tree.children)
        bytes += SnapshotBytes(child);
    return bytes;
}

void SerializeSnapshot(const SavedKey& tree, std::vector<BYTE>& out)
{
    PutText(out, tree.name);
    PutText(out, tree.className);
    PutText(out, tree.security);
    PutNumber(out, tree.link ? 1 : 0);
    PutNumber(out, tree.values.size());
    for (const SavedValue& value : tree.values)
    {
        PutText(out, value.name);
        PutNumber(out, value.type);
        PutNumber(out, value.data.size());
        out.insert(out.end(), value.data.begin(), value.data.end());
    }
    PutNumber(out, tree.children.size());
    for (const SavedKey& child : tree.children)
        SerializeSnapshot(child, out);
}

bool DeserializeSnapshot(const BYTE* bytes, size_t size, SavedKey& tree)
{
    SnapshotReader reader(bytes, size);
    tree = {};
    return reader.Key(tree, 0) && reader.AtEnd();
}

// RegionState ---------------------------------------------------------------

RegionState::RegionState(RegionState&& other) noexcept
    : exists(other.exists), value(std::move(other.value)), m_tree(std::move(other.m_tree)),
      m_loaded(other.m_loaded), m_file(std::move(other.m_file)), m_fileHandle(std::move(other.m_fileHandle)),
      m_memoryBytes(other.m_memoryBytes), m_fileBytes(other.m_fileBytes)
{
    other.m_file.clear();
}

RegionState& RegionState::operator=(RegionState&& other) noexcept
{
    if (this != &other)
    {
        Release();
        exists = other.exists;
        value = std::move(other.value);
        m_tree = std::move(other.m_tree);
        m_loaded = other.m_loaded;
        m_file = std::move(other.m_file);
        m_fileHandle = std::move(other.m_fileHandle);
        m_memoryBytes = other.m_memoryBytes;
        m_fileBytes = other.m_fileBytes;
        other.m_file.clear();
    }
    return *this;
}

RegionState::~RegionState()
{
    Release();
}

void RegionState::Release() noexcept
{
    // Closing the only handle deletes the file.
    m_fileHandle.reset();
    m_file.clear();
}

void RegionState::SetTree(SavedKey&& tree)
{
    m_tree = std::move(tree);
    m_loaded = true;
    m_memoryBytes = SnapshotBytes(m_tree);
}

namespace
{
// FNV-1a over a spilled tree's bytes, kept after them in its file, so that a
// file changed on disk is refused instead of restoring what it now says.
ULONGLONG SpillChecksum(const BYTE* bytes, size_t size) noexcept
{
    ULONGLONG hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}
} // namespace

bool RegionState::LoadTree() const
{
    if (m_loaded)
        return true;
    // Read back for this use only: the file stays the state's keeping.
    m_tree = {};
    m_loaded = true;
    if (!m_fileHandle || m_fileBytes < sizeof(ULONGLONG) || m_fileBytes > 0xFFFFFFF0u)
        return false;
    std::vector<BYTE> bytes(m_fileBytes);
    DWORD got = 0;
    LARGE_INTEGER start = {};
    bool read = SetFilePointerEx(m_fileHandle.get(), start, nullptr, FILE_BEGIN) &&
                ReadFile(m_fileHandle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                got == bytes.size();
    size_t treeBytes = bytes.size() - sizeof(ULONGLONG);
    ULONGLONG stored = 0;
    if (read)
        std::memcpy(&stored, bytes.data() + treeBytes, sizeof stored);
    if (!read || stored != SpillChecksum(bytes.data(), treeBytes) ||
        !DeserializeSnapshot(bytes.data(), treeBytes, m_tree))
    {
        m_tree = {};
        // The next use tries the file again rather than trusting this copy.
        m_loaded = false;
        return false;
    }
    return true;
}

const SavedKey& RegionState::Tree() const
{
    LoadTree();
    return m_tree;
}

bool RegionState::Spill(size_t threshold)
{
    if (!m_loaded || m_memoryBytes <= threshold)
    {
        if (m_loaded && !m_file.empty())
        {
            // Back from a use: drop the copy read from the file.
            m_tree = {};
            m_loaded = false;
        }
        return true;
    }
    if (!m_file.empty())
    {
        m_tree = {};
        m_loaded = false;
        return true;
    }
    std::vector<BYTE> bytes;
    bytes.reserve(m_memoryBytes + sizeof(ULONGLONG));
    SerializeSnapshot(m_tree, bytes);
    ULONGLONG checksum = SpillChecksum(bytes.data(), bytes.size());
    bytes.insert(bytes.end(), reinterpret_cast<const BYTE*>(&checksum),
                 reinterpret_cast<const BYTE*>(&checksum) + sizeof checksum);
    if (bytes.size() > 0xFFFFFFF0u)
        return false;
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"zvu", 0, name))
        return false;
    zv::unique_hfile file(CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file)
    {
        DeleteFileW(name);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return false; // the handle's close deletes the file
    m_file = name;
    m_fileHandle = std::move(file);
    m_fileBytes = bytes.size();
    m_memoryBytes = 0;
    m_tree = {};
    m_loaded = false;
    return true;
}

// Capture, restore, compare -------------------------------------------------

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
    HKEY key = nullptr;
    REGSAM access = region.kind == RegRegion::Value ? KEY_QUERY_VALUE | kView : KEY_READ | kView;
    // A tree that is a link is kept as the link, not as what it points to.
    LONG result = RegOpenKeyExW(root, sub.c_str(), region.kind == RegRegion::Value ? 0 : REG_OPTION_OPEN_LINK,
                                access, &key);
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
        RegCloseKey(key);
        return error == ERROR_SUCCESS;
    }
    SavedKey tree;
    tree.name = sub.empty() ? region.key : SpelledChild(ParentOf(region.key), LeafOf(region.key));
    std::wstring failedPath;
    result = ReadTree(key, tree, region.kind == RegRegion::Security,
                      region.deep || region.kind == RegRegion::Tree, failedPath, region.key);
    RegCloseKey(key);
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
        HKEY key = nullptr;
        LONG result =
            state.exists ? RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0,
                                           KEY_QUERY_VALUE | KEY_SET_VALUE | kView, nullptr, &key, nullptr)
                         : RegOpenKeyExW(root, sub.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE | kView, &key);
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
        RegCloseKey(key);
        return;
    }
    if (!state.exists)
    {
        if (region.kind == RegRegion::Security)
            return;
        CEzReg key(region.key);
        if (!key.DeleteTree() && key.LastError != ERROR_FILE_NOT_FOUND)
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
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG result =
        securityOnly
            ? RegOpenKeyExW(root, sub.c_str(), 0, kRestoreAccess, &key)
            : RegCreateKeyExW(root, sub.c_str(), 0,
                              tree.className.empty() ? nullptr : const_cast<wchar_t*>(tree.className.c_str()),
                              0, kRestoreAccess, nullptr, &key, &disposition);
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
            RegCloseKey(key);
            CEzReg parent(ParentOf(region.key));
            if (!parent.RenameSubkey(spelled, tree.name))
            {
                Fail(failures, region.key, parent.LastError ? parent.LastError : ERROR_CANCELLED);
                return;
            }
            if ((result = RegOpenKeyExW(root, sub.c_str(), 0, kRestoreAccess, &key)) != ERROR_SUCCESS)
            {
                Fail(failures, region.key, result);
                return;
            }
        }
    }
    RestoreKey(key, region.key, tree, disposition == REG_CREATED_NEW_KEY, securityOnly, region.deep,
               failures);
    RegCloseKey(key);
}

std::vector<std::wstring> RegionDifferences(const RegRegion& region, const RegionState& state, size_t limit)
{
    std::vector<std::wstring> lines;
    RegionState now;
    DWORD error = 0;
    if (!CaptureRegion(region, now, error))
    {
        lines.push_back(region.key + L" cannot be read: " + SystemErrorText(error));
        return lines;
    }
    std::wstring what =
        region.kind == RegRegion::Value ? region.key + L" " + Quoted(region.value) : region.key;
    if (state.exists != now.exists)
    {
        lines.push_back(what + (now.exists ? L" exists again" : L" is gone"));
        return lines;
    }
    if (!state.exists)
        return lines;
    if (region.kind != RegRegion::Value && !state.LoadTree())
    {
        lines.push_back(what + L": " + kUnreadableState);
        return lines;
    }
    if (region.kind == RegRegion::Value)
    {
        if (state.value.type != now.value.type || state.value.data != now.value.data)
            lines.push_back(what + L" holds other data");
        else if (region.spelling && state.value.name != now.value.name)
            lines.push_back(what + L" is spelled " + Quoted(now.value.name));
        return lines;
    }
    TreeDifferences(state.Tree(), now.Tree(), region.key, region.kind == RegRegion::Security, lines, limit);
    return lines;
}
