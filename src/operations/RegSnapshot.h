// Snapshots of parts of the registry, exact enough to put them back: a
// value, or a key with its whole tree (names as they are spelled, values
// with their types and bytes, classes, owners and access lists). What the
// change journal keeps for undo and redo. Window-free.
#pragma once

#include "base/Handles.h"

#include <windows.h>
#include <string>
#include <vector>

struct SavedValue
{
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const SavedValue& other) const
    {
        return name == other.name && type == other.type && data == other.data;
    }
};

struct SavedKey
{
    std::wstring name;      // the key's own name, spelled as the registry has it
    std::wstring className; // set when the key is created; empty for none
    std::wstring security;  // owner, group and access list as SDDL; empty when unreadable
    std::vector<SavedValue> values;
    std::vector<SavedKey> children;
    // A link: values holds its target value; what it points to is not here.
    bool link = false;
};

// What part of the registry a change touches.
struct RegRegion
{
    enum Kind
    {
        Value,    // one value of key
        Tree,     // key with everything below it
        Security, // the owner and access list of key (and of its tree when deep)
    };
    Kind kind = Tree;
    std::wstring key; // "ROOT\path"
    std::wstring value;
    bool deep = false;
    // A Value region: also find how the registry spells the name, so a
    // rename that changed only its case can be put back.
    bool spelling = false;
};

// A region as it stood at one moment. Large trees live in a file of their
// own, removed with the state.
class RegionState
{
  public:
    RegionState() = default;
    RegionState(RegionState&& other) noexcept;
    RegionState& operator=(RegionState&& other) noexcept;
    RegionState(const RegionState&) = delete;
    RegionState& operator=(const RegionState&) = delete;
    ~RegionState();

    bool exists = false;
    SavedValue value; // a Value region
    // Reads a tree kept in a file back into memory; false when the file
    // cannot be read back whole and unchanged (Tree() is then empty, and
    // nothing may be restored from it).
    bool LoadTree() const;
    // A Tree or Security region's key (it may be in a file: LoadTree first
    // where a failure matters).
    const SavedKey& Tree() const;
    void SetTree(SavedKey&& tree);
    // Moves a tree over threshold bytes into a temporary file; false when
    // the file could not be written (the tree stays in memory).
    bool Spill(size_t threshold);
    // What the state holds in memory and in its file, in bytes.
    size_t MemoryBytes() const noexcept { return m_memoryBytes; }
    size_t FileBytes() const noexcept { return m_fileBytes; }
    const std::wstring& FileName() const noexcept { return m_file; }
    // The open file (tests damage it through this to see the damage found).
    HANDLE FileHandle() const noexcept { return m_fileHandle.get(); }

  private:
    void Release() noexcept;
    mutable SavedKey m_tree;
    mutable bool m_loaded = true;
    std::wstring m_file;
    // Open for as long as the state keeps its file, which the system deletes
    // when it closes: also when the program ends without cleaning up.
    zv::unique_hfile m_fileHandle;
    size_t m_memoryBytes = 0;
    size_t m_fileBytes = 0;
};

// Reads the region as it is now. A missing key or value gives a state that
// does not exist; an unreadable one gives false with the error.
bool CaptureRegion(const RegRegion& region, RegionState& state, DWORD& error);

// Puts the region back as state has it, writing only what differs; what was
// not restored is added to failures ("path: why").
void RestoreRegion(const RegRegion& region, const RegionState& state, std::vector<std::wstring>& failures);

// How the region now differs from state, one line each (at most limit).
std::vector<std::wstring> RegionDifferences(const RegRegion& region, const RegionState& state, size_t limit);

// The names of the subkeys and values of the key at path, as the registry
// spells them (nothing when it cannot be read).
void ReadKeyNames(const std::wstring& path, std::vector<std::wstring>& keys,
                  std::vector<std::wstring>& values);

// Whether two states of one region hold the same.
bool SameRegionState(const RegionState& a, const RegionState& b);

// The bytes a snapshot takes, roughly (names, data and structure).
size_t SnapshotBytes(const SavedKey& tree) noexcept;

// The binary form of a snapshot used in temporary files.
void SerializeSnapshot(const SavedKey& tree, std::vector<BYTE>& out);
bool DeserializeSnapshot(const BYTE* bytes, size_t size, SavedKey& tree);
