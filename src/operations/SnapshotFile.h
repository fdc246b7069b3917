// Snapshot files: a key's whole tree saved as it is now - every key's name as
// spelled, class and last-write time, every value's name, type and exact
// bytes, the keys that could not be read - with the format version, what was
// saved and when, and a checksum. Written as the walk goes (memory does not
// grow with the tree) under a temporary name that becomes the file's only
// when it is complete; read back as a key source, after the whole file was
// checked. Window-free.
//
// Layout, little-endian: "ZVSNAP" 1A 00, version (u32), time (u64 FILETIME),
// the saved key's path (u32 units, UTF-16); then per key depth-first 'K'
// name (u16 units) class (u32 units) last write (u64), its values 'V' name
// (u16 units) type (u32) size (u32) bytes, 'W' error (u32) when its values
// broke off, its sub-keys, 'E'; a sub-key that could not be read is 'X' error
// (u32) name (u16 units), with an empty name for a listing that broke off; at the end 'Z' keys (u32) values
// (u32) and the FNV-1a of every byte before it (u64).
#pragma once

#include "base/WorkerThread.h"
#include "registry/KeySource.h"

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

constexpr DWORD kSnapshotVersion = 1;
extern const wchar_t kSnapshotFileFilter[]; // the save and open dialogs' filter

struct SnapshotResult
{
    bool written = false;
    bool cancelled = false;
    DWORD keys = 0;
    DWORD values = 0;
    DWORD unreadable = 0; // keys saved as "could not be read"
    std::wstring error;   // why nothing was written
};

// Saves path of source to file. progress(keys so far) runs now and then.
// A cancel or a failure leaves no file (an existing file of that name stays
// as it was).
SnapshotResult TakeSnapshot(const KeySource& source, const std::wstring& path, const std::wstring& file,
                            const zv::StopToken& stop = {}, const std::function<void(DWORD)>& progress = {});

// What the status bar says when a snapshot ended.
std::wstring SnapshotReport(const SnapshotResult& result, const std::wstring& file);

// A snapshot file read back: its keys below the saved path, read-only.
class SnapshotFileSource final : public KeySource
{
  public:
    // Reads and checks the whole file; false (error says why) for a file that
    // is not a snapshot, is damaged or cut short, or is of a newer version.
    bool Load(const std::wstring& file, std::wstring& error);
    // The same over bytes in memory.
    bool Parse(std::vector<BYTE> bytes, std::wstring& error);

    const std::wstring& SavedPath() const noexcept { return m_savedPath; }
    FILETIME SavedAt() const noexcept { return m_savedAt; }
    DWORD Keys() const noexcept { return static_cast<DWORD>(m_nodes.size()); }
    DWORD Unreadable() const noexcept { return m_unreadable; }

  protected:
    LONG OpenPath(std::wstring_view path, KeyUse use, LinkRule rule, std::uintptr_t& key) const override;
    LONG OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse use,
                   std::uintptr_t& key) const override;
    void Close(std::uintptr_t key) const noexcept override;
    LONG SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const override;
    LONG ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const override;
    LONG Value(std::uintptr_t key, const wchar_t* name, ValueEntry& entry) const override;
    LONG Info(std::uintptr_t key, KeyInfo& info) const override;
    LONG Security(std::uintptr_t key, std::vector<BYTE>& descriptor) const override;
    bool ChildIsLink(std::uintptr_t parent, const wchar_t* name) const override;

  private:
    struct Node
    {
        size_t name = 0; // offset of the UTF-16 units
        DWORD nameUnits = 0;
        size_t className = 0;
        DWORD classUnits = 0;
        FILETIME lastWrite = {};
        DWORD firstValue = 0;
        DWORD valueCount = 0;
        LONG openError = ERROR_SUCCESS;    // a key the snapshot could not read
        LONG valueError = ERROR_SUCCESS;   // its values broke off after the ones kept
        LONG listingError = ERROR_SUCCESS; // its listing broke off after the children
        std::vector<DWORD> children;       // in file order
        std::vector<DWORD> byName;         // the same, in case-blind name order
    };
    std::wstring Text(size_t at, DWORD units) const;
    int CompareName(const Node& node, std::wstring_view name) const;
    const Node* ChildNamed(const Node& parent, std::wstring_view name) const;
    void FillValue(DWORD index, ValueEntry& entry) const;

    std::vector<BYTE> m_bytes;
    std::vector<Node> m_nodes;
    std::vector<size_t> m_values; // offset of each value's name length
    std::wstring m_savedPath;
    FILETIME m_savedAt = {};
    DWORD m_unreadable = 0;
};
