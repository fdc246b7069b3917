// The file form of a snapshot, and region states that keep large trees in
// a temporary file.
#include "operations/RegSnapshot.h"

#include "base/Handles.h"
#include "base/Strings.h"

#include <algorithm>
#include <cstring>

namespace
{
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
