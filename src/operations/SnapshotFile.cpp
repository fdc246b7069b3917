// Writing a snapshot file as the walk goes, and reading one back whole.
#include "operations/SnapshotFile.h"

#include "base/Checksum.h"
#include "base/Handles.h"
#include "base/Strings.h"

#include <algorithm>
#include <cstring>

const wchar_t kSnapshotFileFilter[] = L"Zorvane Snapshots (*.zvsnap)|*.zvsnap|All Files (*.*)|*.*||";

namespace
{
constexpr BYTE kMagic[8] = {'Z', 'V', 'S', 'N', 'A', 'P', 0x1A, 0};
constexpr DWORD kMaxDepth = 512; // deeper than the registry lets keys nest
constexpr DWORD kProgressEvery = 1000;

// Buffered writes to the temporary file, with the running checksum.
class SnapshotWriter
{
  public:
    explicit SnapshotWriter(HANDLE file) : m_file(file) { m_buffer.reserve(kFlushBytes + 64 * 1024); }

    void Bytes(const void* data, size_t size)
    {
        const auto* at = static_cast<const BYTE*>(data);
        m_hash.Add(at, size);
        m_buffer.insert(m_buffer.end(), at, at + size);
        if (m_buffer.size() >= kFlushBytes)
            Flush();
    }
    void Byte(BYTE value) { Bytes(&value, 1); }
    void U16(WORD value) { Bytes(&value, 2); }
    void U32(DWORD value) { Bytes(&value, 4); }
    void U64(ULONGLONG value) { Bytes(&value, 8); }
    void Text16(std::wstring_view text)
    {
        U16(static_cast<WORD>(text.size()));
        Bytes(text.data(), text.size() * sizeof(wchar_t));
    }
    void Text32(std::wstring_view text)
    {
        U32(static_cast<DWORD>(text.size()));
        Bytes(text.data(), text.size() * sizeof(wchar_t));
    }
    ULONGLONG Checksum() const noexcept { return m_hash.Value(); }
    // The checksum itself is not part of what it sums.
    void Raw(const void* data, size_t size)
    {
        const auto* at = static_cast<const BYTE*>(data);
        m_buffer.insert(m_buffer.end(), at, at + size);
    }
    bool Flush()
    {
        if (!m_buffer.empty() && m_error == ERROR_SUCCESS)
        {
            DWORD written = 0;
            if (!WriteFile(m_file, m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &written, nullptr) ||
                written != m_buffer.size())
                m_error = GetLastError() ? GetLastError() : ERROR_HANDLE_DISK_FULL;
        }
        m_buffer.clear();
        return m_error == ERROR_SUCCESS;
    }
    DWORD Error() const noexcept { return m_error; }

  private:
    static constexpr size_t kFlushBytes = 256 * 1024;
    HANDLE m_file;
    std::vector<BYTE> m_buffer;
    zv::Fnv1a m_hash;
    DWORD m_error = ERROR_SUCCESS;
};

class SnapshotWalk
{
  public:
    SnapshotWalk(SnapshotWriter& out, SnapshotResult& result, const zv::StopToken& stop,
                 const std::function<void(DWORD)>& progress)
        : m_out(out), m_result(result), m_stop(stop), m_progress(progress)
    {
    }

    // Writes key (named name) with its values and tree; false when stopped.
    bool Key(const SourceKey& key, std::wstring_view name)
    {
        if (m_stop.StopRequested())
            return false;
        if (m_result.keys++ % kProgressEvery == 0 && m_progress)
            m_progress(m_result.keys);
        KeyInfo info;
        key.Info(info);
        m_out.Byte('K');
        m_out.Text16(name);
        m_out.Text32(info.className);
        m_out.U64((static_cast<ULONGLONG>(info.lastWrite.dwHighDateTime) << 32) |
                  info.lastWrite.dwLowDateTime);
        LONG result = ERROR_SUCCESS;
        for (DWORD index = 0;; ++index)
        {
            result = key.ValueAt(index, m_value);
            if (result != ERROR_SUCCESS)
                break;
            m_out.Byte('V');
            m_out.Text16(m_value.Name());
            m_out.U32(m_value.type);
            m_out.U32(m_value.size);
            m_out.Bytes(m_value.Bytes(), m_value.size);
            ++m_result.values;
        }
        if (result != ERROR_NO_MORE_ITEMS)
        {
            // Its values could not all be read: the rest is marked missing.
            ++m_result.unreadable;
            m_out.Byte('W');
            m_out.U32(static_cast<DWORD>(result));
        }
        for (DWORD index = 0;; ++index)
        {
            result = key.SubKeyAt(index, m_child);
            if (result != ERROR_SUCCESS)
                break;
            std::wstring childName(m_child.Name()); // m_child is reused below
            LONG error = ERROR_SUCCESS;
            if (SourceKey child = key.OpenSubKey(childName.c_str(), KeyUse::Read, error))
            {
                if (!Key(child, childName))
                    return false;
            }
            else
                Unreadable(error, childName);
        }
        if (result != ERROR_NO_MORE_ITEMS)
            Unreadable(result, {});
        m_out.Byte('E');
        return true;
    }

  private:
    void Unreadable(LONG error, std::wstring_view name)
    {
        ++m_result.unreadable;
        m_out.Byte('X');
        m_out.U32(static_cast<DWORD>(error));
        m_out.Text16(name);
    }

    SnapshotWriter& m_out;
    SnapshotResult& m_result;
    const zv::StopToken& m_stop;
    const std::function<void(DWORD)>& m_progress;
    ValueEntry m_value;
    SubKeyEntry m_child;
};

// Reads the file's fields in order; every read is checked against its end.
class Cursor
{
  public:
    Cursor(const std::vector<BYTE>& bytes, size_t end) : m_bytes(bytes), m_end(end) {}
    bool Has(size_t size) const noexcept { return m_at <= m_end && m_end - m_at >= size; }
    bool Skip(size_t size) noexcept
    {
        if (!Has(size))
            return false;
        m_at += size;
        return true;
    }
    template <typename T> bool Read(T& value) noexcept
    {
        if (!Has(sizeof(T)))
            return false;
        std::memcpy(&value, m_bytes.data() + m_at, sizeof(T));
        m_at += sizeof(T);
        return true;
    }
    size_t At() const noexcept { return m_at; }
    bool AtEnd() const noexcept { return m_at == m_end; }

  private:
    const std::vector<BYTE>& m_bytes;
    size_t m_end;
    size_t m_at = 0;
};
} // namespace

SnapshotResult TakeSnapshot(const KeySource& source, const std::wstring& path, const std::wstring& file,
                            const zv::StopToken& stop, const std::function<void(DWORD)>& progress)
{
    SnapshotResult result;
    LONG error = ERROR_SUCCESS;
    SourceKey key = source.Open(path, KeyUse::Read, error);
    if (!key)
    {
        result.error =
            zv::Format(L"%s could not be read (error %ld).", path.c_str(), static_cast<long>(error));
        return result;
    }
    // Written under a name of its own: a file by the name asked for is
    // whole, or is not there (or is the one that was there before).
    std::wstring partial = file + L".partial";
    zv::unique_hfile handle(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
    {
        result.error = zv::Format(L"%s could not be created (error %lu).", partial.c_str(), GetLastError());
        return result;
    }
    SnapshotWriter out(handle.get());
    out.Bytes(kMagic, sizeof kMagic);
    out.U32(kSnapshotVersion);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    out.U64((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    out.Text32(path);
    SnapshotWalk walk(out, result, stop, progress);
    size_t slash = path.rfind(L'\\');
    bool complete = walk.Key(key, slash == std::wstring::npos ? std::wstring_view(path)
                                                              : std::wstring_view(path).substr(slash + 1));
    key = SourceKey();
    if (complete)
    {
        out.Byte('Z');
        out.U32(result.keys);
        out.U32(result.values);
        ULONGLONG sum = out.Checksum();
        out.Raw(&sum, sizeof sum);
    }
    bool flushed = out.Flush();
    handle.reset();
    if (!complete || !flushed || !MoveFileExW(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING))
    {
        DWORD failure = flushed ? GetLastError() : out.Error();
        DeleteFileW(partial.c_str());
        result.cancelled = !complete;
        if (complete)
            result.error = zv::Format(L"%s could not be written (error %lu).", file.c_str(), failure);
        return result;
    }
    result.written = true;
    return result;
}

std::wstring SnapshotReport(const SnapshotResult& result, const std::wstring& file)
{
    if (result.cancelled)
        return L"Snapshot cancelled; no file was written.";
    if (!result.written)
        return result.error;
    std::wstring text = L"Snapshot of " + zv::Counted(result.keys, L"key", L"keys") + L" and " +
                        zv::Counted(result.values, L"value", L"values") + L" saved to " + file + L".";
    if (result.unreadable)
        text += L" " + zv::Counted(result.unreadable, L"key", L"keys") +
                L" could not be read; the snapshot marks them as such.";
    return text;
}

bool SnapshotFileSource::Load(const std::wstring& file, std::wstring& error)
{
    zv::unique_hfile handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!handle || !GetFileSizeEx(handle.get(), &size))
    {
        error = zv::Format(L"%s could not be opened (error %lu).", file.c_str(), GetLastError());
        return false;
    }
    if (size.QuadPart > 0x7FFFFFFF)
    {
        error = file + L" is too large to be a snapshot this program wrote.";
        return false;
    }
    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
    {
        error = zv::Format(L"%s could not be read (error %lu).", file.c_str(), GetLastError());
        return false;
    }
    if (!Parse(std::move(bytes), error))
    {
        error = file + L": " + error;
        return false;
    }
    return true;
}

bool SnapshotFileSource::Parse(std::vector<BYTE> bytes, std::wstring& error)
{
    m_nodes.clear();
    m_values.clear();
    m_unreadable = 0;
    m_bytes = std::move(bytes);
    auto refuse = [&](const wchar_t* why) {
        error = why;
        m_nodes.clear();
        m_values.clear();
        m_bytes.clear();
        return false;
    };
    constexpr size_t kFooter = 1 + 4 + 4 + 8;
    if (m_bytes.size() < sizeof kMagic || std::memcmp(m_bytes.data(), kMagic, sizeof kMagic) != 0)
        return refuse(L"this is not a snapshot file.");
    Cursor header(m_bytes, m_bytes.size());
    DWORD version = 0;
    if (!header.Skip(sizeof kMagic) || !header.Read(version))
        return refuse(L"the snapshot file is cut short.");
    if (version > kSnapshotVersion)
        return refuse(L"the snapshot was written by a newer version of this program (format version is newer "
                      L"than this program reads).");
    if (version == 0)
        return refuse(L"the snapshot file is damaged.");
    if (m_bytes.size() < kFooter + 16)
        return refuse(L"the snapshot file is cut short.");
    ULONGLONG stored = 0;
    std::memcpy(&stored, m_bytes.data() + m_bytes.size() - 8, 8);
    if (zv::Fnv1aOf(m_bytes.data(), m_bytes.size() - 8) != stored)
        return refuse(L"the snapshot file is damaged or cut short (its checksum does not match).");

    // Everything up to the footer is the tree.
    Cursor in(m_bytes, m_bytes.size() - kFooter);
    ULONGLONG when = 0;
    DWORD pathUnits = 0;
    in.Skip(sizeof kMagic + 4);
    if (!in.Read(when) || !in.Read(pathUnits) || pathUnits > 32767 || !in.Has(size_t(pathUnits) * 2))
        return refuse(L"the snapshot file is damaged.");
    m_savedPath = Text(in.At(), pathUnits);
    in.Skip(size_t(pathUnits) * 2);
    m_savedAt.dwLowDateTime = static_cast<DWORD>(when);
    m_savedAt.dwHighDateTime = static_cast<DWORD>(when >> 32);

    std::vector<DWORD> open; // the keys whose 'E' is still to come
    DWORD values = 0;
    while (!in.AtEnd())
    {
        BYTE tag = 0;
        in.Read(tag);
        if (tag == 'K')
        {
            if (open.empty() && !m_nodes.empty())
                return refuse(L"the snapshot file is damaged (a second top key).");
            if (open.size() >= kMaxDepth)
                return refuse(L"the snapshot file is damaged (keys nested too deep).");
            Node node;
            WORD nameUnits = 0;
            DWORD classUnits = 0;
            ULONGLONG written = 0;
            if (!in.Read(nameUnits) || nameUnits > 255 || !in.Has(size_t(nameUnits) * 2))
                return refuse(L"the snapshot file is damaged (a key name).");
            node.name = in.At();
            node.nameUnits = nameUnits;
            in.Skip(size_t(nameUnits) * 2);
            if (!in.Read(classUnits) || classUnits > 32767 || !in.Has(size_t(classUnits) * 2))
                return refuse(L"the snapshot file is damaged (a key class).");
            node.className = in.At();
            node.classUnits = classUnits;
            in.Skip(size_t(classUnits) * 2);
            if (!in.Read(written))
                return refuse(L"the snapshot file is damaged.");
            node.lastWrite.dwLowDateTime = static_cast<DWORD>(written);
            node.lastWrite.dwHighDateTime = static_cast<DWORD>(written >> 32);
            node.firstValue = static_cast<DWORD>(m_values.size());
            if (!open.empty())
            {
                if (m_nodes[open.back()].listingError != ERROR_SUCCESS)
                    return refuse(L"the snapshot file is damaged (a key after a broken listing).");
                m_nodes[open.back()].children.push_back(static_cast<DWORD>(m_nodes.size()));
            }
            open.push_back(static_cast<DWORD>(m_nodes.size()));
            m_nodes.push_back(std::move(node));
        }
        else if (tag == 'V')
        {
            if (open.empty() || !m_nodes[open.back()].children.empty() ||
                m_nodes[open.back()].valueError != ERROR_SUCCESS)
                return refuse(L"the snapshot file is damaged (a value out of place).");
            size_t at = in.At();
            WORD nameUnits = 0;
            DWORD type = 0, size = 0;
            if (!in.Read(nameUnits) || nameUnits >= kMaxValueNameChars || !in.Skip(size_t(nameUnits) * 2) ||
                !in.Read(type) || !in.Read(size) || !in.Skip(size))
                return refuse(L"the snapshot file is damaged (a value).");
            m_values.push_back(at);
            ++m_nodes[open.back()].valueCount;
            ++values;
        }
        else if (tag == 'W')
        {
            DWORD failure = 0;
            if (open.empty() || !m_nodes[open.back()].children.empty() ||
                m_nodes[open.back()].valueError != ERROR_SUCCESS || !in.Read(failure) ||
                failure == ERROR_SUCCESS)
                return refuse(L"the snapshot file is damaged (values that could not be read).");
            m_nodes[open.back()].valueError = static_cast<LONG>(failure);
            ++m_unreadable;
        }
        else if (tag == 'X')
        {
            DWORD failure = 0;
            WORD nameUnits = 0;
            if (open.empty() || !in.Read(failure) || !in.Read(nameUnits) || nameUnits > 255 ||
                !in.Has(size_t(nameUnits) * 2) || failure == ERROR_SUCCESS)
                return refuse(L"the snapshot file is damaged (a key that could not be read).");
            Node& parent = m_nodes[open.back()];
            if (parent.listingError != ERROR_SUCCESS)
                return refuse(L"the snapshot file is damaged (a key after a broken listing).");
            if (nameUnits == 0)
                parent.listingError = static_cast<LONG>(failure);
            else
            {
                Node node;
                node.name = in.At();
                node.nameUnits = nameUnits;
                node.openError = static_cast<LONG>(failure);
                node.firstValue = static_cast<DWORD>(m_values.size());
                parent.children.push_back(static_cast<DWORD>(m_nodes.size()));
                m_nodes.push_back(std::move(node));
            }
            in.Skip(size_t(nameUnits) * 2);
            ++m_unreadable;
        }
        else if (tag == 'E')
        {
            if (open.empty())
                return refuse(L"the snapshot file is damaged (a key ends twice).");
            open.pop_back();
            if (open.empty() && !in.AtEnd())
                return refuse(L"the snapshot file is damaged (bytes after the top key).");
        }
        else
            return refuse(L"the snapshot file is damaged (an unknown record).");
    }
    if (m_nodes.empty() || !open.empty())
        return refuse(L"the snapshot file is cut short.");
    Cursor footer(m_bytes, m_bytes.size());
    footer.Skip(m_bytes.size() - kFooter);
    BYTE tag = 0;
    DWORD keys = 0, valueTotal = 0;
    footer.Read(tag);
    footer.Read(keys);
    footer.Read(valueTotal);
    DWORD readable = static_cast<DWORD>(std::count_if(
        m_nodes.begin(), m_nodes.end(), [](const Node& node) { return node.openError == ERROR_SUCCESS; }));
    if (tag != 'Z' || keys != readable || valueTotal != values)
        return refuse(L"the snapshot file is damaged (its counts do not match).");
    for (Node& node : m_nodes)
    {
        node.byName = node.children;
        std::sort(node.byName.begin(), node.byName.end(), [&](DWORD a, DWORD b) {
            return zv::CompareNoCase(Text(m_nodes[a].name, m_nodes[a].nameUnits),
                                     Text(m_nodes[b].name, m_nodes[b].nameUnits)) < 0;
        });
    }
    return true;
}

std::wstring SnapshotFileSource::Text(size_t at, DWORD units) const
{
    std::wstring text(units, L'\0');
    if (units)
        std::memcpy(text.data(), m_bytes.data() + at, size_t(units) * 2);
    return text;
}

int SnapshotFileSource::CompareName(const Node& node, std::wstring_view name) const
{
    return zv::CompareNoCase(Text(node.name, node.nameUnits), name);
}

const SnapshotFileSource::Node* SnapshotFileSource::ChildNamed(const Node& parent,
                                                               std::wstring_view name) const
{
    auto found = std::lower_bound(
        parent.byName.begin(), parent.byName.end(), name,
        [&](DWORD child, std::wstring_view wanted) { return CompareName(m_nodes[child], wanted) < 0; });
    if (found == parent.byName.end() || CompareName(m_nodes[*found], name) != 0)
        return nullptr;
    return &m_nodes[*found];
}

LONG SnapshotFileSource::OpenPath(std::wstring_view path, KeyUse, LinkRule, std::uintptr_t& key) const
{
    if (m_nodes.empty())
        return ERROR_FILE_NOT_FOUND;
    std::wstring_view saved = m_savedPath;
    if (path.size() < saved.size() || !zv::EqualsNoCase(path.substr(0, saved.size()), saved) ||
        (path.size() > saved.size() && path[saved.size()] != L'\\'))
        return ERROR_FILE_NOT_FOUND;
    const Node* node = &m_nodes[0];
    std::wstring_view rest = path.substr(saved.size());
    while (!rest.empty())
    {
        rest.remove_prefix(1);
        size_t slash = rest.find(L'\\');
        node = ChildNamed(*node, rest.substr(0, slash));
        if (!node)
            return ERROR_FILE_NOT_FOUND;
        if (node->openError != ERROR_SUCCESS)
            return node->openError;
        rest = slash == std::wstring_view::npos ? std::wstring_view() : rest.substr(slash);
    }
    key = reinterpret_cast<std::uintptr_t>(node);
    return ERROR_SUCCESS;
}

LONG SnapshotFileSource::OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse,
                                   std::uintptr_t& key) const
{
    const Node* node = ChildNamed(*reinterpret_cast<const Node*>(parent), name);
    if (!node)
        return ERROR_FILE_NOT_FOUND;
    if (node->openError != ERROR_SUCCESS)
        return node->openError;
    key = reinterpret_cast<std::uintptr_t>(node);
    return ERROR_SUCCESS;
}

void SnapshotFileSource::Close(std::uintptr_t) const noexcept {}

LONG SnapshotFileSource::SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const
{
    const Node* node = reinterpret_cast<const Node*>(key);
    if (index >= node->children.size())
        return node->listingError != ERROR_SUCCESS ? node->listingError : ERROR_NO_MORE_ITEMS;
    const Node& child = m_nodes[node->children[index]];
    std::memcpy(entry.name, m_bytes.data() + child.name, size_t(child.nameUnits) * 2);
    entry.name[child.nameUnits] = L'\0';
    entry.length = child.nameUnits;
    return ERROR_SUCCESS;
}

void SnapshotFileSource::FillValue(DWORD index, ValueEntry& entry) const
{
    size_t at = m_values[index];
    WORD nameUnits = 0;
    DWORD type = 0, size = 0;
    std::memcpy(&nameUnits, m_bytes.data() + at, 2);
    at += 2;
    std::memcpy(entry.name.data(), m_bytes.data() + at, size_t(nameUnits) * 2);
    entry.name[nameUnits] = L'\0';
    entry.nameLength = nameUnits;
    at += size_t(nameUnits) * 2;
    std::memcpy(&type, m_bytes.data() + at, 4);
    std::memcpy(&size, m_bytes.data() + at + 4, 4);
    at += 8;
    entry.type = type;
    if (entry.data.size() < size)
        entry.data.resize(size);
    if (size)
        std::memcpy(entry.data.data(), m_bytes.data() + at, size);
    entry.size = size;
}

LONG SnapshotFileSource::ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const
{
    const Node* node = reinterpret_cast<const Node*>(key);
    if (index >= node->valueCount)
        return node->valueError != ERROR_SUCCESS ? node->valueError : ERROR_NO_MORE_ITEMS;
    FillValue(node->firstValue + index, entry);
    return ERROR_SUCCESS;
}

LONG SnapshotFileSource::Value(std::uintptr_t key, const wchar_t* name, ValueEntry& entry) const
{
    const Node* node = reinterpret_cast<const Node*>(key);
    for (DWORD i = 0; i < node->valueCount; ++i)
    {
        FillValue(node->firstValue + i, entry);
        if (zv::EqualsNoCase(entry.Name(), name))
            return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG SnapshotFileSource::Info(std::uintptr_t key, KeyInfo& info) const
{
    const Node* node = reinterpret_cast<const Node*>(key);
    info.className = Text(node->className, node->classUnits);
    info.lastWrite = node->lastWrite;
    info.subKeys = static_cast<DWORD>(node->children.size());
    info.values = node->valueCount;
    return ERROR_SUCCESS;
}

LONG SnapshotFileSource::Security(std::uintptr_t, std::vector<BYTE>&) const
{
    return ERROR_NOT_SUPPORTED;
}

bool SnapshotFileSource::ChildIsLink(std::uintptr_t, const wchar_t*) const
{
    return false; // a link was saved as the key it is, with its target value
}
