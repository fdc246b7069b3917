// What importing a registry script would change, compared with the registry
// before anything is written, and the writing itself in file order. Each
// change can be left out; a failure on one item is noted and the rest goes
// on. Window-free.
#pragma once

#include "base/WorkerThread.h"
#include "operations/ChangeJournal.h"
#include "operations/RegScriptParser.h"

#include <functional>
#include <string>
#include <vector>

enum class ImportChangeKind
{
    CreateKey,   // the key does not exist yet
    KeyExists,   // a section for a key that exists: no change by itself
    DeleteKey,   // removes the key and its tree (counts below)
    KeyAbsent,   // a delete of a key that does not exist: no change
    AddValue,    // a value that does not exist yet
    ChangeValue, // a value whose type or bytes differ
    SameValue,   // a value that already holds exactly this: written nowhere
    DeleteValue, // a value that exists and goes
    ValueAbsent, // a delete of a value that does not exist: no change
    SkippedLine, // a line of the file written nowhere (reason says why; name holds the line)
};

struct ImportChange
{
    ImportChangeKind kind = ImportChangeKind::KeyExists;
    size_t line = 0;
    std::wstring key;
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    DWORD oldType = REG_NONE;
    std::vector<BYTE> oldData;
    DWORD removedKeys = 0;   // a key delete: keys below the key
    DWORD removedValues = 0; // a key delete: values of the key and below
    std::wstring reason;     // a skipped line: why
    bool selected = true;    // never for a skipped line

    bool IsKeyRow() const noexcept
    {
        return kind == ImportChangeKind::CreateKey || kind == ImportChangeKind::KeyExists ||
               kind == ImportChangeKind::DeleteKey || kind == ImportChangeKind::KeyAbsent;
    }
    // Whether applying it changes the registry.
    bool Changes() const noexcept
    {
        return kind == ImportChangeKind::CreateKey || kind == ImportChangeKind::DeleteKey ||
               kind == ImportChangeKind::AddValue || kind == ImportChangeKind::ChangeValue ||
               kind == ImportChangeKind::DeleteValue;
    }
};

struct ImportPlan
{
    std::vector<ImportChange> changes; // in file order, each value after its key's row
    bool cancelled = false;
};

// Compares the operations with the registry as it is, in order (a value
// after a delete of its key counts as new, a value set twice compares with
// the first setting). progress(done, total) now and then.
ImportPlan PlanImport(std::vector<ScriptOperation>&& operations, const zv::StopToken& stop = {},
                      const std::function<void(size_t, size_t)>& progress = {});

struct ImportOutcome
{
    DWORD keysCreated = 0;
    DWORD keysDeleted = 0;
    DWORD valuesWritten = 0;
    DWORD valuesDeleted = 0;
    DWORD unchanged = 0;                // what already held what the file asks
    DWORD skipped = 0;                  // changes the user left out
    DWORD skippedLines = 0;             // lines of the file written nowhere
    std::vector<std::wstring> failures; // "Line n: what: why"
};

// Ticks or unticks a change; a key's row takes its value rows along.
void SelectImportChange(ImportPlan& plan, size_t index, bool selected);
// "3 keys to create, 1 to delete, 4 values to add, ..." for the preview.
std::wstring ImportPlanSummary(const ImportPlan& plan);

// Writes the selected changes in order; progress(done, total) now and then.
ImportOutcome ApplyImport(const ImportPlan& plan, const std::function<void(size_t, size_t)>& progress = {});

// Reads for undo, before the plan is applied, what its selected changes
// will touch: the trees it deletes or creates and the values it sets or
// deletes.
void RecordImportRegions(const ImportPlan& plan, JournalRecorder& record);

// The end report ("Imported: ..."), with the failures listed.
std::wstring ImportReport(const ImportOutcome& outcome);
// A change's texts for the preview: what happens, the data before and the
// data the file gives (empty where there is none).
std::wstring ImportChangeText(const ImportChange& change);
std::wstring ImportOldText(const ImportChange& change);
std::wstring ImportNewText(const ImportChange& change);
