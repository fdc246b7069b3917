// The journal of the changes this program made to the registry, for undo and
// redo. Each entry holds the regions one command touched as they stood
// before it and after it; undo puts the "before" back, redo the "after".
// Before either, the registry is compared with what the entry expects, so a
// change another program made since is never overwritten unasked. Large
// snapshots live in temporary files. Window-free.
#pragma once

#include "operations/RegSnapshot.h"

#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

// A value's name as an entry's label shows it: quoted, or "(Default)".
std::wstring JournalValueName(const std::wstring& name);

struct JournalEntry
{
    std::wstring label; // "Delete of CURRENT_USER\Software\X"
    std::vector<RegRegion> regions;
    std::vector<RegionState> before;
    std::vector<RegionState> after;
    size_t Bytes() const noexcept;
};

struct JournalLimits
{
    size_t entries = 100;
    size_t bytes = size_t(256) << 20;    // in memory and in files together
    size_t spillBytes = size_t(4) << 20; // a snapshot over this goes to a file
};

class ChangeJournal
{
  public:
    explicit ChangeJournal(JournalLimits limits = {}) : m_limits(limits) {}

    // A new change: the redo list goes, then the oldest entries while the
    // journal is over its limits (the newest always stays).
    void Add(JournalEntry&& entry);

    bool CanUndo() const noexcept { return !m_undo.empty(); }
    bool CanRedo() const noexcept { return !m_redo.empty(); }
    const std::wstring& UndoLabel() const;
    const std::wstring& RedoLabel() const;
    size_t UndoCount() const noexcept { return m_undo.size(); }
    size_t Bytes() const noexcept;
    const JournalLimits& Limits() const noexcept { return m_limits; }
    const std::deque<JournalEntry>& UndoEntries() const noexcept { return m_undo; }

    // Where the registry no longer holds what the newest entry left there
    // (or, for redo, what was there before it): one line each, at most limit.
    std::vector<std::wstring> UndoConflicts(size_t limit = 20) const;
    std::vector<std::wstring> RedoConflicts(size_t limit = 20) const;

    // Puts the regions back. True when everything was restored; otherwise
    // failures says what was not and the entry stays where it was.
    bool Undo(std::vector<std::wstring>& failures);
    bool Redo(std::vector<std::wstring>& failures);

    void Clear();

  private:
    void Trim();
    void Settle(JournalEntry& entry) const;
    JournalLimits m_limits;
    std::deque<JournalEntry> m_undo;  // oldest first
    std::vector<JournalEntry> m_redo; // the next redo last
};

// Records one command: the regions it touches are read before it runs and
// again when it is done; an entry is added when any of them changed.
class JournalRecorder
{
  public:
    // Without a journal nothing is recorded.
    JournalRecorder(ChangeJournal* journal, std::wstring label);
    ~JournalRecorder();
    JournalRecorder(const JournalRecorder&) = delete;
    JournalRecorder& operator=(const JournalRecorder&) = delete;

    // Reads the region as it is now (before the change).
    void Add(const RegRegion& region);
    void AddTree(const std::wstring& key) { Add({RegRegion::Tree, key}); }
    void AddValue(const std::wstring& key, const std::wstring& name, bool spelling = false)
    {
        Add({RegRegion::Value, key, name, false, spelling});
    }
    // A region the change made that was not there before.
    void AddMade(const RegRegion& region);
    // Notes the names of key's subkeys and values now; whatever the change
    // adds there becomes a region of its own (a paste's "Name.2").
    void WatchNewItems(const std::wstring& key);
    // Reads the regions again and adds the entry when anything changed.
    void Finish();
    // Records nothing after all (a change whose end this recorder never sees).
    void Drop() noexcept { m_finished = true; }
    // Whether a region could not be read before the change (no entry then).
    bool Incomplete() const noexcept { return m_incomplete; }

  private:
    bool Covered(const RegRegion& region) const;
    struct Watched
    {
        std::wstring key;
        std::unordered_set<std::wstring> keys, values; // folded names
    };
    std::vector<Watched> m_watched;
    ChangeJournal* m_journal;
    JournalEntry m_entry;
    std::unordered_set<std::wstring> m_trees; // folded keys of the Tree regions
    bool m_incomplete = false;
    bool m_finished = false;
};
