// A read-only tree of keys: what walking a tree needs and nothing more.
// The live registry is one source (LiveRegistry); a registry script, a
// snapshot file or a hive file can stand behind the same interface, so that
// search, export, compare and the undo snapshots read them all alike.
//
// Every call answers with a Win32 error code, whatever the source:
// ERROR_SUCCESS; ERROR_NO_MORE_ITEMS at the end of a listing;
// ERROR_MORE_DATA for one entry that cannot be read (the next may be);
// ERROR_FILE_NOT_FOUND for a key or value that is not there; anything else
// (ERROR_ACCESS_DENIED, ERROR_KEY_DELETED, ERROR_FILE_CORRUPT ...) for a key
// that cannot be read - its listing ends there, and the caller reports it.
//
// Entries are filled into buffers the caller keeps across a walk: a source
// adds no copy of names or data per key, and the live registry's source no
// request beyond the registry's own.
#pragma once

#include "registry/RegReader.h"

#include <windows.h>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a key is opened for, so that a source asks for no more rights.
enum class KeyUse : unsigned
{
    SubKeys = 1,
    Values = 2,
    Info = 4,     // class, counts and last-write time
    Security = 8, // owner, group and access list
    Read = SubKeys | Values | Info,
};
constexpr KeyUse operator|(KeyUse a, KeyUse b) noexcept
{
    return static_cast<KeyUse>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool Has(KeyUse set, KeyUse part) noexcept
{
    return (static_cast<unsigned>(set) & static_cast<unsigned>(part)) != 0;
}

// How the last name of a path is opened: through a link to what it stands
// for (what the user named), or as the key itself.
enum class LinkRule
{
    Follow,
    Itself,
};

// One sub-key name as the source spells it.
struct SubKeyEntry
{
    wchar_t name[kSubKeyNameChars] = {};
    DWORD length = 0;
    std::wstring_view Name() const noexcept { return {name, length}; }
};

// One value: its name as spelled, its type and exact bytes. The buffers
// grow as needed and are kept for the next value.
struct ValueEntry
{
    ValueEntry() : name(kMaxValueNameChars), data(4096) {}
    std::vector<wchar_t> name; // NUL-terminated at nameLength
    DWORD nameLength = 0;
    DWORD type = 0;
    std::vector<BYTE> data;
    DWORD size = 0;

    std::wstring_view Name() const noexcept { return {name.data(), nameLength}; }
    const BYTE* Bytes() const noexcept { return data.data(); }
};

struct KeyInfo
{
    std::wstring className;
    FILETIME lastWrite = {};
    DWORD subKeys = 0;
    DWORD values = 0;
};

class KeySource;

// An open key of a source; closes itself. Move-only, and no heap of its own.
class SourceKey
{
  public:
    SourceKey() noexcept = default;
    SourceKey(SourceKey&& other) noexcept;
    SourceKey& operator=(SourceKey&& other) noexcept;
    SourceKey(const SourceKey&) = delete;
    SourceKey& operator=(const SourceKey&) = delete;
    ~SourceKey();

    explicit operator bool() const noexcept { return m_source != nullptr; }
    const KeySource* Source() const noexcept { return m_source; }

    // The index-th sub-key name.
    LONG SubKeyAt(DWORD index, SubKeyEntry& entry) const;
    // The index-th value.
    LONG ValueAt(DWORD index, ValueEntry& entry) const;
    // The value named name (NUL-terminated; any case), spelled as stored
    // only when the source knows the spelling at no cost (see ValueAt).
    LONG Value(const wchar_t* name, ValueEntry& entry) const;
    LONG Info(KeyInfo& info) const;
    // The owner, group and access list as a self-relative descriptor.
    LONG Security(std::vector<BYTE>& descriptor) const;
    // Whether the sub-key name is a link. Only a key holding a REG_LINK
    // value named "SymbolicLinkValue" can be one: walks ask when they meet
    // that value in a sub-key opened as itself, so ordinary keys cost nothing.
    bool ChildIsLink(const wchar_t* name) const;
    // The sub-key name (NUL-terminated), opened as itself: links are never
    // followed inside a walk. An empty name or one holding a backslash is
    // refused (ERROR_INVALID_NAME).
    SourceKey OpenSubKey(const wchar_t* name, KeyUse use, LONG& error) const;

  private:
    friend class KeySource;
    SourceKey(const KeySource* source, std::uintptr_t key) noexcept : m_source(source), m_key(key) {}
    void Reset() noexcept;

    const KeySource* m_source = nullptr;
    std::uintptr_t m_key = 0;
};

class KeySource
{
  public:
    virtual ~KeySource() = default;

    // Opens path: a root's short name, then sub-key names after backslashes
    // ("LOCAL_MACHINE\Software"). Links on the way are followed, the last
    // name as rule says.
    SourceKey Open(std::wstring_view path, KeyUse use, LONG& error, LinkRule rule = LinkRule::Follow) const;
    // Whether the source is the live registry (only that one can be edited).
    virtual bool IsLive() const noexcept { return false; }

  protected:
    friend class SourceKey;
    // key values are the source's own (a handle, an offset, a node).
    virtual LONG OpenPath(std::wstring_view path, KeyUse use, LinkRule rule, std::uintptr_t& key) const = 0;
    virtual LONG OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse use,
                           std::uintptr_t& key) const = 0;
    virtual void Close(std::uintptr_t key) const noexcept = 0;
    virtual LONG SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const = 0;
    virtual LONG ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const = 0;
    virtual LONG Value(std::uintptr_t key, const wchar_t* name, ValueEntry& entry) const = 0;
    virtual LONG Info(std::uintptr_t key, KeyInfo& info) const = 0;
    virtual LONG Security(std::uintptr_t key, std::vector<BYTE>& descriptor) const = 0;
    virtual bool ChildIsLink(std::uintptr_t parent, const wchar_t* name) const = 0;
};

// The live registry, 64-bit view. Thread-safe: it keeps no state.
const KeySource& LiveRegistry();

// Whether a value is the one a link holds: REG_LINK "SymbolicLinkValue".
bool IsLinkValue(const wchar_t* name, DWORD type) noexcept;
