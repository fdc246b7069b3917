// Planning an import against the registry and applying it.
#include "operations/ImportPlan.h"

#include "base/Strings.h"
#include "operations/KeyTransfer.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/LiveRegistry.h"
#include "registry/ValueText.h"

#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace
{
std::wstring Folded(const std::wstring& text)
{
    return zv::ToUpper(text);
}

// The registry as the operations so far would leave it, over the real one.
class Simulation
{
  public:
    // Values set by earlier operations are found in changes (never copied).
    explicit Simulation(const std::vector<ImportChange>& changes) : m_changes(changes) {}
    ~Simulation() { CloseCurrent(); }

    bool KeyExists(const std::wstring& key)
    {
        const std::wstring& folded = FoldedKey(key);
        if (m_created.count(folded))
            return true;
        if (UnderDeleted(folded))
            return false;
        return static_cast<bool>(Current(key, folded));
    }

    // The value as it stands after the operations so far.
    bool Value(const std::wstring& key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data)
    {
        const std::wstring& folded = FoldedKey(key);
        auto planned = m_values.find(folded + L'\n' + Folded(name));
        if (planned != m_values.end())
        {
            if (planned->second == kDeletedValue)
                return false;
            const ImportChange& set = m_changes[planned->second];
            type = set.type;
            data = set.data;
            return true;
        }
        if (UnderDeleted(folded))
            return false;
        const SourceKey& current = Current(key, folded);
        if (!current || current.Value(name.c_str(), m_value) != ERROR_SUCCESS)
            return false;
        type = m_value.type;
        data.assign(m_value.Bytes(), m_value.Bytes() + m_value.size);
        return true;
    }

    void Created(const std::wstring& key)
    {
        // A created key makes its parents exist too; they went in with an
        // earlier key as a rule, so the walk up stops at the first known one.
        const std::wstring& folded = FoldedKey(key);
        for (size_t at = folded.size();;)
        {
            if (!m_created.insert(folded.substr(0, at)).second)
                break;
            size_t slash = folded.rfind(L'\\', at - 1);
            if (slash == std::wstring::npos)
                break;
            at = slash;
        }
    }

    void Deleted(const std::wstring& key)
    {
        const std::wstring& folded = FoldedKey(key);
        m_deleted.insert(folded);
        std::wstring below = folded + L'\\';
        for (auto it = m_created.begin(); it != m_created.end();)
            it = (*it == folded || it->compare(0, below.size(), below) == 0) ? m_created.erase(it)
                                                                             : std::next(it);
        for (auto it = m_values.begin(); it != m_values.end();)
        {
            std::wstring owner = it->first.substr(0, it->first.find(L'\n'));
            it = (owner == folded || owner.compare(0, below.size(), below) == 0) ? m_values.erase(it)
                                                                                 : std::next(it);
        }
    }

    // The value now holds what changes[index] sets.
    void SetValue(const std::wstring& key, const std::wstring& name, size_t index)
    {
        Created(key);
        m_values[FoldedKey(key) + L'\n' + Folded(name)] = index;
    }

    void DeleteValue(const std::wstring& key, const std::wstring& name)
    {
        m_values[FoldedKey(key) + L'\n' + Folded(name)] = kDeletedValue;
    }

    // The real key's tree size, when it is there and not deleted already.
    void TreeSize(const std::wstring& key, DWORD& keys, DWORD& values)
    {
        if (UnderDeleted(FoldedKey(key)))
            return;
        // The key as such: a link is deleted by itself, so its target is not counted.
        KeyTreeCount count = CountKeyTree(m_source, key);
        keys += count.keys;
        values += count.values;
    }

  private:
    // A file names the same key for many operations in a row: it is folded once.
    const std::wstring& FoldedKey(const std::wstring& key)
    {
        if (key != m_lastKey)
        {
            m_lastKey = key;
            m_lastFolded = Folded(key);
        }
        return m_lastFolded;
    }

    bool UnderDeleted(const std::wstring& folded) const
    {
        if (m_deleted.empty())
            return false;
        // A key re-created after its delete holds only what the file puts there.
        for (size_t at = folded.size(); at != std::wstring::npos && at > 0; at = folded.rfind(L'\\', at - 1))
            if (m_deleted.count(folded.substr(0, at)))
                return true;
        return false;
    }

    // The real key, opened once for the run of operations on it. A key below
    // one the registry does not have is not there either: a file that makes
    // a new tree is compared without asking the registry about every key.
    const SourceKey& Current(const std::wstring& key, const std::wstring& folded)
    {
        if (folded != m_currentPath)
        {
            CloseCurrent();
            m_currentPath = folded;
            if (!BelowMissing(folded))
            {
                LONG error = ERROR_SUCCESS;
                m_current = m_source.Open(key, KeyUse::Values, error);
                if (error == ERROR_FILE_NOT_FOUND)
                    m_missing.insert(folded);
            }
        }
        return m_current;
    }

    bool BelowMissing(const std::wstring& folded) const
    {
        if (m_missing.empty())
            return false;
        for (size_t at = folded.rfind(L'\\'); at != std::wstring::npos && at > 0;
             at = folded.rfind(L'\\', at - 1))
            if (m_missing.count(folded.substr(0, at)))
                return true;
        return false;
    }

    void CloseCurrent()
    {
        m_current = SourceKey();
        m_currentPath.clear();
    }

    std::unordered_set<std::wstring> m_created;
    std::unordered_set<std::wstring> m_missing; // keys the real registry does not have
    std::set<std::wstring> m_deleted;
    static constexpr size_t kDeletedValue = static_cast<size_t>(-1);
    const std::vector<ImportChange>& m_changes;
    std::unordered_map<std::wstring, size_t> m_values;
    const KeySource& m_source = LiveRegistry();
    SourceKey m_current;
    ValueEntry m_value;
    std::wstring m_currentPath;
    std::wstring m_lastKey, m_lastFolded;
};

std::wstring DataText(DWORD type, const std::vector<BYTE>& data)
{
    return ValueDataText(type, data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size()));
}
} // namespace

ImportPlan PlanImport(std::vector<ScriptOperation>&& operations, const zv::StopToken& stop,
                      const std::function<void(size_t, size_t)>& progress)
{
    ImportPlan plan;
    plan.changes.reserve(operations.size());
    Simulation state(plan.changes);
    size_t total = operations.size();
    for (size_t i = 0; i < total; ++i)
    {
        ScriptOperation& op = operations[i];
        if (i % 1024 == 0)
        {
            if (stop.StopRequested())
            {
                plan.cancelled = true;
                plan.changes.clear();
                return plan;
            }
            if (progress)
                progress(i, total);
        }
        ImportChange change;
        change.line = op.line;
        change.key = std::move(op.key);
        change.name = std::move(op.name);
        change.type = op.type;
        change.data = std::move(op.data);
        switch (op.kind)
        {
        case ScriptOperation::CreateKey:
            change.kind =
                state.KeyExists(change.key) ? ImportChangeKind::KeyExists : ImportChangeKind::CreateKey;
            state.Created(change.key);
            break;
        case ScriptOperation::DeleteKey:
            if (state.KeyExists(change.key))
            {
                change.kind = ImportChangeKind::DeleteKey;
                state.TreeSize(change.key, change.removedKeys, change.removedValues);
            }
            else
                change.kind = ImportChangeKind::KeyAbsent;
            state.Deleted(change.key);
            break;
        case ScriptOperation::SetValue:
            if (!state.Value(change.key, change.name, change.oldType, change.oldData))
                change.kind = ImportChangeKind::AddValue;
            else if (change.oldType == change.type && change.oldData == change.data)
                change.kind = ImportChangeKind::SameValue;
            else
                change.kind = ImportChangeKind::ChangeValue;
            state.SetValue(change.key, change.name, plan.changes.size());
            break;
        case ScriptOperation::DeleteValue:
            change.kind = state.Value(change.key, change.name, change.oldType, change.oldData)
                              ? ImportChangeKind::DeleteValue
                              : ImportChangeKind::ValueAbsent;
            state.DeleteValue(change.key, change.name);
            break;
        case ScriptOperation::SkipLine:
            change.kind = ImportChangeKind::SkippedLine;
            change.reason = std::move(op.reason);
            change.selected = false;
            break;
        }
        plan.changes.push_back(std::move(change));
    }
    if (progress)
        progress(total, total);
    return plan;
}

void SelectImportChange(ImportPlan& plan, size_t index, bool selected)
{
    if (index >= plan.changes.size() || plan.changes[index].kind == ImportChangeKind::SkippedLine)
        return;
    plan.changes[index].selected = selected;
    if (!plan.changes[index].IsKeyRow())
        return;
    for (size_t i = index + 1; i < plan.changes.size() && !plan.changes[i].IsKeyRow(); ++i)
        if (plan.changes[i].kind != ImportChangeKind::SkippedLine)
            plan.changes[i].selected = selected;
}

std::wstring ImportPlanSummary(const ImportPlan& plan)
{
    DWORD counts[static_cast<int>(ImportChangeKind::SkippedLine) + 1] = {};
    for (const ImportChange& change : plan.changes)
        ++counts[static_cast<int>(change.kind)];
    auto count = [&](ImportChangeKind kind) { return counts[static_cast<int>(kind)]; };
    std::wstring text = zv::Format(
        L"Keys: %lu to create, %lu to delete. Values: %lu to add, %lu to change, %lu to delete, %lu "
        L"already as the file has them (written nowhere).",
        count(ImportChangeKind::CreateKey), count(ImportChangeKind::DeleteKey),
        count(ImportChangeKind::AddValue), count(ImportChangeKind::ChangeValue),
        count(ImportChangeKind::DeleteValue), count(ImportChangeKind::SameValue));
    if (DWORD skipped = count(ImportChangeKind::SkippedLine))
        text += L" " + zv::Counted(skipped, L"line", L"lines") +
                L" of the file will be skipped (listed with the "
                L"reason).";
    return text;
}

std::wstring ImportReport(const ImportOutcome& outcome)
{
    using zv::Counted;
    std::wstring text = L"Imported: " + Counted(outcome.keysCreated, L"key", L"keys") + L" created, " +
                        Counted(outcome.keysDeleted, L"key", L"keys") + L" deleted, " +
                        Counted(outcome.valuesWritten, L"value", L"values") + L" written, " +
                        Counted(outcome.valuesDeleted, L"value", L"values") +
                        zv::Format(L" deleted, %lu left unchanged, %lu failed.", outcome.unchanged,
                                   static_cast<unsigned long>(outcome.failures.size()));
    if (outcome.skipped)
        text += L" " + Counted(outcome.skipped, L"change was", L"changes were") + L" left out.";
    if (outcome.skippedLines)
        text += L" " + Counted(outcome.skippedLines, L"line", L"lines") + L" of the file " +
                (outcome.skippedLines == 1 ? L"was" : L"were") + L" skipped.";
    constexpr size_t kShown = 10;
    for (size_t i = 0; i < outcome.failures.size() && i < kShown; ++i)
        text += L"\n" + outcome.failures[i];
    if (outcome.failures.size() > kShown)
        text += zv::Format(L"\n... and %zu more.", outcome.failures.size() - kShown);
    return text;
}

std::wstring ImportChangeText(const ImportChange& change)
{
    switch (change.kind)
    {
    case ImportChangeKind::CreateKey:
        return L"Create key";
    case ImportChangeKind::KeyExists:
        return L"Key";
    case ImportChangeKind::DeleteKey:
        return L"Delete key (" + zv::Counted(change.removedKeys, L"subkey", L"subkeys") + L", " +
               zv::Counted(change.removedValues, L"value", L"values") + L")";
    case ImportChangeKind::KeyAbsent:
        return L"Delete key (not there)";
    case ImportChangeKind::AddValue:
        return L"Add value";
    case ImportChangeKind::ChangeValue:
        return L"Change value";
    case ImportChangeKind::SameValue:
        return L"Unchanged";
    case ImportChangeKind::DeleteValue:
        return L"Delete value";
    case ImportChangeKind::ValueAbsent:
        return L"Delete value (not there)";
    case ImportChangeKind::SkippedLine:
        return zv::Format(L"Skipped line %zu: ", change.line) + change.reason;
    }
    return {};
}

std::wstring ImportOldText(const ImportChange& change)
{
    bool hasOld = change.kind == ImportChangeKind::ChangeValue ||
                  change.kind == ImportChangeKind::SameValue || change.kind == ImportChangeKind::DeleteValue;
    return hasOld ? DataText(change.oldType, change.oldData) : std::wstring();
}

std::wstring ImportNewText(const ImportChange& change)
{
    bool hasNew = change.kind == ImportChangeKind::AddValue || change.kind == ImportChangeKind::ChangeValue ||
                  change.kind == ImportChangeKind::SameValue;
    return hasNew ? DataText(change.type, change.data) : std::wstring();
}
