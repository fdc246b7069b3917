// Undo and redo of the program's registry changes.
#include "operations/ChangeJournal.h"

#include "base/Strings.h"

namespace
{
const std::wstring kNoLabel;

std::vector<std::wstring> Conflicts(const JournalEntry& entry, const std::vector<RegionState>& expected,
                                    size_t limit)
{
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < entry.regions.size() && lines.size() < limit; ++i)
        for (std::wstring& line : RegionDifferences(entry.regions[i], expected[i], limit - lines.size()))
            lines.push_back(std::move(line));
    return lines;
}
} // namespace

std::wstring JournalValueName(const std::wstring& name)
{
    return name.empty() ? L"(Default)" : L"\"" + name + L"\"";
}

size_t JournalEntry::Bytes() const noexcept
{
    size_t bytes = label.size() * 2;
    for (const RegRegion& region : regions)
        bytes += sizeof(RegRegion) + (region.key.size() + region.value.size()) * 2;
    for (const std::vector<RegionState>* states : {&before, &after})
        for (const RegionState& state : *states)
            bytes += sizeof(RegionState) + state.value.name.size() * 2 + state.value.data.size() +
                     state.MemoryBytes() + state.FileBytes();
    return bytes;
}

// Big trees go to their files; copies read back for a use are dropped.
void ChangeJournal::Settle(JournalEntry& entry) const
{
    for (std::vector<RegionState>* states : {&entry.before, &entry.after})
        for (RegionState& state : *states)
            state.Spill(m_limits.spillBytes);
}

void ChangeJournal::Add(JournalEntry&& entry)
{
    m_redo.clear();
    Settle(entry);
    m_undo.push_back(std::move(entry));
    Trim();
}

void ChangeJournal::Trim()
{
    size_t bytes = Bytes();
    while (m_undo.size() > 1 && (m_undo.size() > m_limits.entries || bytes > m_limits.bytes))
    {
        bytes -= m_undo.front().Bytes();
        m_undo.pop_front(); // its temporary files go with its states
    }
}

size_t ChangeJournal::Bytes() const noexcept
{
    size_t bytes = 0;
    for (const JournalEntry& entry : m_undo)
        bytes += entry.Bytes();
    for (const JournalEntry& entry : m_redo)
        bytes += entry.Bytes();
    return bytes;
}

const std::wstring& ChangeJournal::UndoLabel() const
{
    return m_undo.empty() ? kNoLabel : m_undo.back().label;
}

const std::wstring& ChangeJournal::RedoLabel() const
{
    return m_redo.empty() ? kNoLabel : m_redo.back().label;
}

std::vector<std::wstring> ChangeJournal::UndoConflicts(size_t limit) const
{
    if (m_undo.empty())
        return {};
    std::vector<std::wstring> lines = Conflicts(m_undo.back(), m_undo.back().after, limit);
    Settle(const_cast<JournalEntry&>(m_undo.back()));
    return lines;
}

std::vector<std::wstring> ChangeJournal::RedoConflicts(size_t limit) const
{
    if (m_redo.empty())
        return {};
    std::vector<std::wstring> lines = Conflicts(m_redo.back(), m_redo.back().before, limit);
    Settle(const_cast<JournalEntry&>(m_redo.back()));
    return lines;
}

namespace
{
// Whether every state can be read back; each one that cannot is a failure.
// A step is never restored in part because one of its states is lost.
bool AllReadable(const JournalEntry& entry, const std::vector<RegionState>& states,
                 std::vector<std::wstring>& failures)
{
    bool readable = true;
    for (size_t i = 0; i < entry.regions.size(); ++i)
        if (entry.regions[i].kind != RegRegion::Value && states[i].exists && !states[i].LoadTree())
        {
            failures.push_back(entry.regions[i].key +
                               L": what undo kept of it cannot be read back (its temporary file is damaged "
                               L"or gone); nothing was changed");
            readable = false;
        }
    return readable;
}
} // namespace

bool ChangeJournal::Undo(std::vector<std::wstring>& failures)
{
    if (m_undo.empty())
        return false;
    JournalEntry& entry = m_undo.back();
    if (!AllReadable(entry, entry.before, failures))
    {
        Settle(entry);
        return false;
    }
    size_t before = failures.size();
    // Newest region first: the command changed them in the order they came.
    for (size_t i = entry.regions.size(); i-- > 0;)
        RestoreRegion(entry.regions[i], entry.before[i], failures);
    Settle(entry);
    if (failures.size() != before)
        return false;
    m_redo.push_back(std::move(entry));
    m_undo.pop_back();
    return true;
}

bool ChangeJournal::Redo(std::vector<std::wstring>& failures)
{
    if (m_redo.empty())
        return false;
    JournalEntry& entry = m_redo.back();
    if (!AllReadable(entry, entry.after, failures))
    {
        Settle(entry);
        return false;
    }
    size_t before = failures.size();
    for (size_t i = 0; i < entry.regions.size(); ++i)
        RestoreRegion(entry.regions[i], entry.after[i], failures);
    Settle(entry);
    if (failures.size() != before)
        return false;
    m_undo.push_back(std::move(entry));
    m_redo.pop_back();
    Trim();
    return true;
}

void ChangeJournal::Clear()
{
    m_undo.clear();
    m_redo.clear();
}

// JournalRecorder -----------------------------------------------------------

JournalRecorder::JournalRecorder(ChangeJournal* journal, std::wstring label) : m_journal(journal)
{
    m_entry.label = std::move(label);
}

JournalRecorder::~JournalRecorder()
{
    Finish();
}

bool JournalRecorder::Covered(const RegRegion& region) const
{
    // A region inside a tree already recorded was read with that tree.
    std::wstring folded = zv::ToUpper(region.key);
    for (size_t at = folded.size(); at != std::wstring::npos && at > 0; at = folded.rfind(L'\\', at - 1))
        if (m_trees.count(folded.substr(0, at)))
            return true;
    for (const RegRegion& known : m_entry.regions)
        if (known.kind == region.kind && zv::EqualsNoCase(known.key, region.key) &&
            zv::EqualsNoCase(known.value, region.value) && known.deep == region.deep)
            return true;
    return false;
}

void JournalRecorder::Add(const RegRegion& region)
{
    if (!m_journal || m_finished || Covered(region))
        return;
    RegionState state;
    DWORD error = 0;
    if (!CaptureRegion(region, state, error))
    {
        m_incomplete = true;
        return;
    }
    if (region.kind == RegRegion::Tree)
        m_trees.insert(zv::ToUpper(region.key));
    m_entry.regions.push_back(region);
    m_entry.before.push_back(std::move(state));
}

void JournalRecorder::AddMade(const RegRegion& region)
{
    if (!m_journal || m_finished || Covered(region))
        return;
    if (region.kind == RegRegion::Tree)
        m_trees.insert(zv::ToUpper(region.key));
    m_entry.regions.push_back(region);
    m_entry.before.emplace_back(); // was not there
}

void JournalRecorder::WatchNewItems(const std::wstring& key)
{
    if (!m_journal || m_finished)
        return;
    Watched watched{key, {}, {}};
    std::vector<std::wstring> keys, values;
    ReadKeyNames(key, keys, values);
    for (const std::wstring& name : keys)
        watched.keys.insert(zv::ToUpper(name));
    for (const std::wstring& name : values)
        watched.values.insert(zv::ToUpper(name));
    m_watched.push_back(std::move(watched));
}

void JournalRecorder::Finish()
{
    if (!m_journal || m_finished)
        return;
    for (const Watched& watched : m_watched)
    {
        std::vector<std::wstring> keys, values;
        ReadKeyNames(watched.key, keys, values);
        for (const std::wstring& name : keys)
            if (!watched.keys.count(zv::ToUpper(name)))
                AddMade({RegRegion::Tree, watched.key + L"\\" + name});
        for (const std::wstring& name : values)
            if (!watched.values.count(zv::ToUpper(name)))
                AddMade({RegRegion::Value, watched.key, name, false, true});
    }
    m_finished = true;
    if (m_incomplete || m_entry.regions.empty())
        return;
    bool changed = false;
    m_entry.after.resize(m_entry.regions.size());
    for (size_t i = 0; i < m_entry.regions.size(); ++i)
    {
        DWORD error = 0;
        if (!CaptureRegion(m_entry.regions[i], m_entry.after[i], error))
            return; // what the change left cannot be read: no redo could be exact
        if (!changed && !SameRegionState(m_entry.before[i], m_entry.after[i]))
            changed = true;
    }
    if (changed)
        m_journal->Add(std::move(m_entry));
}
