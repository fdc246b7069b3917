// Undo and redo against the test prefix's registry: for each kind of change
// the program makes, a full dump (names as spelled, types, bytes, classes,
// owners and access lists) after change-then-undo equals the dump before,
// and after redo the dump after. Also the check for other writers, the
// journal's limits and temporary files, and an undo that fails half-way.
#include "base/Strings.h"
#include "operations/ChangeJournal.h"
#include "operations/ImportPlan.h"
#include "operations/KeyTransfer.h"
#include "operations/Ownership.h"
#include "operations/RegScriptParser.h"
#include "registry/EzReg.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"
#include "app/RegItemList.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <functional>
#include <map>

namespace
{
std::wstring Sddl(HKEY key)
{
    DWORD size = 0;
    SECURITY_INFORMATION parts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    RegGetKeySecurity(key, parts, nullptr, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (RegGetKeySecurity(key, parts, buffer.data(), &size) != ERROR_SUCCESS)
        return L"?";
    LPWSTR text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(buffer.data(), SDDL_REVISION_1, parts, &text,
                                                         nullptr);
    std::wstring result = text ? text : L"?";
    LocalFree(text);
    return result;
}

// Every key below (and including) sub, by its path as spelled: its class,
// security and values (name, type, bytes) in the registry's order.
using Dump = std::map<std::wstring, std::wstring>;

void DumpKey(HKEY key, const std::wstring& path, Dump& dump)
{
    wchar_t className[512];
    DWORD classLength = 512;
    RegQueryInfoKeyW(key, className, &classLength, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    std::wstring text = L"class=" + std::wstring(className, classLength) + L" sd=" + Sddl(key) + L"\n";
    std::vector<wchar_t> name(16384 + 1);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        text += std::wstring(name.data(), nameLength) + zv::Format(L" %lu:", type);
        for (DWORD b = 0; b < size; ++b)
            text += zv::Format(L"%02x", data[b]);
        text += L"\n";
    }
    dump[path] = text;
    wchar_t child[256];
    for (DWORD i = 0;; ++i)
    {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, child, 0, KEY_READ, &sub) == ERROR_SUCCESS)
        {
            DumpKey(sub, path + L"\\" + child, dump);
            RegCloseKey(sub);
        }
    }
}

Dump DumpOf(HKEY root, const std::wstring& sub)
{
    Dump dump;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS)
    {
        DumpKey(key, L"", dump);
        RegCloseKey(key);
    }
    return dump;
}

Dump DumpOf(const RegistrySandbox& box)
{
    return DumpOf(HKEY_CURRENT_USER, box.SubKey());
}

// Runs change as one journal entry, then checks undo, redo and undo again
// with dumps.
void ExpectUndoAndRedo(const std::function<Dump()>& dump, ChangeJournal& journal,
                       const std::function<void()>& change, const char* what)
{
    SCOPED_TRACE(what);
    Dump before = dump();
    size_t entries = journal.UndoCount();
    change();
    Dump after = dump();
    ASSERT_NE(before, after) << "the change changed nothing";
    ASSERT_EQ(journal.UndoCount(), entries + 1);
    EXPECT_TRUE(journal.UndoConflicts().empty());
    std::vector<std::wstring> failures;
    ASSERT_TRUE(journal.Undo(failures)) << (failures.empty() ? "" : zv::ToUtf8(failures.front()));
    EXPECT_EQ(dump(), before);
    EXPECT_TRUE(journal.RedoConflicts().empty());
    ASSERT_TRUE(journal.Redo(failures)) << (failures.empty() ? "" : zv::ToUtf8(failures.front()));
    EXPECT_EQ(dump(), after);
    // Undone once more, so the next change starts from where this one did.
    ASSERT_TRUE(journal.Undo(failures)) << (failures.empty() ? "" : zv::ToUtf8(failures.front()));
    EXPECT_EQ(dump(), before);
}
} // namespace

TEST(ChangeJournal, EveryKindOfChangeIsUndoneAndRedoneExactly)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"T");
    box.SetString(L"T\\Child", L"v", L"x");
    box.CreateKey(L"Target");
    HKEY classed = nullptr;
    wchar_t className[] = L"Its Class";
    RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\T\\Classy").c_str(), 0, className, 0,
                    KEY_ALL_ACCESS, nullptr, &classed, nullptr);
    RegCloseKey(classed);
    LockDown(box, L"T\\Child", true, false);
    ScriptedPrompts user;
    ChangeJournal journal;
    auto dump = [&] { return DumpOf(box); };
    const std::wstring t = box.PathOf(L"T");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Delete of " + t);
            record.AddTree(t);
            ASSERT_TRUE(DeleteRegistryKey(t));
        },
        "delete of a tree with every type, a class and its own access list");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Edit");
            record.AddValue(t, L"Plain", true);
            CEzReg key(t);
            ASSERT_TRUE(key.SetValueText(L"Plain", L"other", REG_SZ));
        },
        "a value set");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Delete");
            record.AddValue(t, L"Unterminated", true);
            CEzReg key(t);
            ASSERT_TRUE(key.DeleteValue(L"Unterminated"));
        },
        "a value delete");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Rename");
            record.AddValue(t, L"Binary", true);
            record.AddValue(t, L"BINARY", true);
            CEzReg key(t);
            ASSERT_TRUE(RenameValue(key, L"Binary", L"BINARY"));
        },
        "a value renamed by case only");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Rename");
            record.AddTree(t + L"\\Child");
            record.AddTree(t + L"\\CHILD");
            CEzReg key(t);
            ASSERT_TRUE(RenameSubkey(key, L"Child", L"CHILD"));
        },
        "a key renamed by case only");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Rename");
            record.AddTree(t + L"\\Classy");
            record.AddTree(t + L"\\Renamed");
            CEzReg key(t);
            ASSERT_TRUE(RenameSubkey(key, L"Classy", L"Renamed"));
        },
        "a key renamed");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"New Key");
            CEzReg parent(t);
            std::wstring made;
            ASSERT_TRUE(CreateUniqueSubkey(parent, L"New Key", made));
            record.AddMade({RegRegion::Tree, t + L"\\" + made});
        },
        "a key created");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            // Copied into its own key and parent: the copies are "Child.2" and "Plain.copy".
            CRegItemList list;
            list.AddKey(t, L"Child");
            list.Add(t, L"Plain", 1);
            JournalRecorder record(&journal, L"Copy");
            record.WatchNewItems(t);
            user.Answer(IDYES); // the copy of Child becomes "Child.2"
            ASSERT_TRUE(TransferItems(list, t, false, false));
            record.Finish();
            ASSERT_TRUE(box.Exists(L"T\\Child.2"));
            ASSERT_FALSE(box.ValueNames(L"T").empty());
        },
        "a paste that renamed what it pasted");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            std::wstring base = L"HKEY_" + t;
            std::wstring script = L"Windows Registry Editor Version 5.00\r\n\r\n[" + base +
                                  L"\\Imported\\Deep]\r\n\"a\"=\"b\"\r\n[" + base +
                                  L"]\r\n\"Plain\"=dword:00000001\r\n\"Empty\"=-\r\n[-" + base +
                                  L"\\Empty Key]\r\n";
            ScriptParseResult parsed = ParseRegScriptText(script);
            ASSERT_TRUE(parsed.ok);
            ImportPlan plan = PlanImport(std::move(parsed.operations));
            JournalRecorder record(&journal, L"Import");
            RecordImportRegions(plan, record);
            ImportOutcome outcome = ApplyImport(plan);
            ASSERT_TRUE(outcome.failures.empty());
        },
        "an import");

    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Permissions");
            record.Add({RegRegion::Security, t});
            LockDown(box, L"T", true, false);
        },
        "a permissions save");

    LockDown(box, L"T\\Empty Key", false, true); // owned by SYSTEM first
    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Take Ownership");
            record.Add({RegRegion::Security, t, L"", true});
            ASSERT_TRUE(TakeOwnership(t, true, false));
        },
        "taking ownership of a tree");

    const std::wstring longName(16383, L'n');
    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"New Value");
            record.AddValue(t, longName, true);
            box.SetString(L"T", longName, L"long");
        },
        "a value with the longest name");
}

TEST(ChangeJournal, AMoveAcrossRootsComesBackWhole)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Moved");
    const std::wstring machine =
        L"Software\\ZorvaneTests\\JournalMove" + std::to_wstring(GetCurrentProcessId());
    HKEY target = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, machine.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &target, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(target);
    ScriptedPrompts user;
    ChangeJournal journal;
    auto dump = [&] {
        Dump both = DumpOf(box);
        for (auto& [path, text] : DumpOf(HKEY_LOCAL_MACHINE, machine))
            both[L"machine" + path] = text;
        return both;
    };
    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            CRegItemList list;
            list.AddKey(box.Path(), L"Moved");
            JournalRecorder record(&journal, L"Move");
            RecordItems(list, record);
            record.WatchNewItems(L"LOCAL_MACHINE\\" + machine);
            ASSERT_TRUE(TransferItems(list, L"LOCAL_MACHINE\\" + machine, true, false));
            record.Finish();
            ASSERT_FALSE(box.Exists(L"Moved"));
        },
        "a move from CURRENT_USER to LOCAL_MACHINE");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, machine.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, machine.c_str());
}

TEST(ChangeJournal, ALargeTreeGoesToATemporaryFileAndComesBackFromIt)
{
    RegistrySandbox box;
    for (int i = 0; i < 5000; ++i)
    {
        std::wstring sub = zv::Format(L"Big\\G%d\\K%d", i / 100, i);
        box.SetValue(sub, L"bin", REG_BINARY, Bytes({i & 0xFF, 1, 2, 3}));
        box.SetDword(sub, L"d", static_cast<DWORD>(i));
        box.SetString(sub, L"", L"default");
        box.SetValue(sub, L"multi", REG_MULTI_SZ, StringBytes(std::wstring(L"a\0b\0", 4)));
        box.SetValue(sub, L"q", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    }
    JournalLimits limits;
    limits.spillBytes = 64 * 1024;
    ChangeJournal journal(limits);
    auto dump = [&] { return DumpOf(box); };
    std::wstring file;
    ExpectUndoAndRedo(
        dump, journal,
        [&] {
            JournalRecorder record(&journal, L"Delete");
            record.AddTree(box.PathOf(L"Big"));
            ASSERT_TRUE(DeleteRegistryKey(box.PathOf(L"Big")));
            record.Finish();
            ASSERT_FALSE(record.Incomplete());
            ASSERT_TRUE(journal.CanUndo());
            const RegionState& state = journal.UndoEntries().back().before.front();
            EXPECT_FALSE(state.FileName().empty()) << "a large snapshot lives in a file";
            EXPECT_EQ(state.MemoryBytes(), 0u);
            EXPECT_NE(GetFileAttributesW(state.FileName().c_str()), INVALID_FILE_ATTRIBUTES);
            file = state.FileName();
        },
        "the delete of 5,000 keys");
    ASSERT_TRUE(journal.CanRedo());
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << "the step waits to be redone";
    journal.Clear();
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES)
        << "a dropped entry takes its file along";
}

TEST(ChangeJournal, AnotherWritersChangeIsFoundAndStaysWhenTheUndoIsNotDone)
{
    RegistrySandbox box;
    box.SetString(L"K", L"v", L"mine");
    ChangeJournal journal;
    {
        JournalRecorder record(&journal, L"Edit");
        record.AddValue(box.PathOf(L"K"), L"v");
        box.SetString(L"K", L"v", L"edited");
    }
    ASSERT_TRUE(journal.CanUndo());
    box.SetString(L"K", L"v", L"theirs");
    std::vector<std::wstring> conflicts = journal.UndoConflicts();
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0], box.PathOf(L"K") + L" \"v\" holds other data");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"K", L"v", type, data));
    EXPECT_EQ(data, StringBytes(L"theirs")) << "looking changes nothing";

    // A tree another program added to and took from.
    box.SetString(L"Tree\\A", L"a", L"1");
    {
        JournalRecorder record(&journal, L"Delete");
        record.AddTree(box.PathOf(L"Tree"));
        box.SetString(L"Tree\\A", L"a", L"2");
    }
    box.SetString(L"Tree\\B", L"b", L"new");
    box.SetString(L"Tree\\A", L"extra", L"x");
    conflicts = journal.UndoConflicts();
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_EQ(conflicts[0], box.PathOf(L"Tree\\A") + L": the value \"extra\" was added");
    EXPECT_EQ(conflicts[1], box.PathOf(L"Tree") + L"\\B was added");

    // Undone anyway (the user said Yes): the tree is as it was, nothing more.
    std::vector<std::wstring> failures;
    ASSERT_TRUE(journal.Undo(failures));
    EXPECT_EQ(box.SubKeys(L"Tree"), std::vector<std::wstring>{L"A"});
    EXPECT_EQ(box.ValueNames(L"Tree\\A"), std::vector<std::wstring>{L"a"});
    ASSERT_TRUE(box.ReadValue(L"Tree\\A", L"a", type, data));
    EXPECT_EQ(data, StringBytes(L"1"));
}

TEST(ChangeJournal, ARegionBesideARecordedTreeIsKeptOnItsOwn)
{
    RegistrySandbox box;
    box.SetString(L"K\\A", L"v", L"a");
    box.SetString(L"K\\AB", L"v", L"ab");
    ChangeJournal journal;
    {
        JournalRecorder record(&journal, L"Two");
        record.AddTree(box.PathOf(L"K\\A"));
        record.AddValue(box.PathOf(L"K\\AB"), L"v"); // a sibling sharing the start, not inside A
        record.AddValue(box.PathOf(L"K\\A"), L"v");  // inside A: read with it
        box.SetString(L"K\\A", L"v", L"changed");
        box.SetString(L"K\\AB", L"v", L"changed");
    }
    ASSERT_EQ(journal.UndoEntries().back().regions.size(), 2u);
    std::vector<std::wstring> failures;
    ASSERT_TRUE(journal.Undo(failures));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"K\\AB", L"v", type, data));
    EXPECT_EQ(data, StringBytes(L"ab"));
    ASSERT_TRUE(box.ReadValue(L"K\\A", L"v", type, data));
    EXPECT_EQ(data, StringBytes(L"a"));
}

TEST(ChangeJournal, TheLimitsDropTheOldestEntriesWithTheirFilesAndANewChangeEndsRedo)
{
    RegistrySandbox box;
    for (int i = 0; i < 40; ++i)
        box.SetString(L"Tree", zv::Format(L"value%d", i), std::wstring(200, L'x'));
    JournalLimits limits;
    limits.entries = 3;
    limits.spillBytes = 1024;
    ChangeJournal journal(limits);
    std::vector<std::wstring> files;
    for (int i = 0; i < 5; ++i)
    {
        JournalRecorder record(&journal, zv::Format(L"Step %d", i));
        record.AddTree(box.PathOf(L"Tree"));
        box.SetDword(L"Tree", L"step", static_cast<DWORD>(i));
        record.Finish();
        files.push_back(journal.UndoEntries().back().before.front().FileName());
        ASSERT_FALSE(files.back().empty());
    }
    EXPECT_EQ(journal.UndoCount(), 3u);
    EXPECT_EQ(journal.UndoLabel(), L"Step 4");
    EXPECT_EQ(journal.UndoEntries().front().label, L"Step 2");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(GetFileAttributesW(files[i].c_str()), INVALID_FILE_ATTRIBUTES) << i;
    for (int i = 2; i < 5; ++i)
        EXPECT_NE(GetFileAttributesW(files[i].c_str()), INVALID_FILE_ATTRIBUTES) << i;

    std::vector<std::wstring> failures;
    ASSERT_TRUE(journal.Undo(failures));
    EXPECT_TRUE(journal.CanRedo());
    EXPECT_EQ(journal.RedoLabel(), L"Step 4");
    {
        JournalRecorder record(&journal, L"Other");
        record.AddValue(box.PathOf(L"Tree"), L"other");
        box.SetDword(L"Tree", L"other", 1);
    }
    EXPECT_FALSE(journal.CanRedo()) << "a new change ends what could be redone";
    EXPECT_EQ(GetFileAttributesW(files[4].c_str()), INVALID_FILE_ATTRIBUTES);

    // By bytes: one entry over the whole budget stays alone.
    limits.entries = 100;
    limits.bytes = 2000;
    ChangeJournal small(limits);
    for (int i = 0; i < 3; ++i)
    {
        JournalRecorder record(&small, L"Big");
        record.AddTree(box.PathOf(L"Tree"));
        box.SetDword(L"Tree", L"step", static_cast<DWORD>(10 + i));
    }
    EXPECT_EQ(small.UndoCount(), 1u);
    EXPECT_GT(small.Bytes(), limits.bytes);

    // A command that changed nothing leaves no entry.
    size_t count = journal.UndoCount();
    {
        JournalRecorder record(&journal, L"Nothing");
        record.AddValue(box.PathOf(L"Tree"), L"value1");
    }
    EXPECT_EQ(journal.UndoCount(), count);
}

TEST(ChangeJournal, AnUndoThatFailsHalfWaySaysWhatAndCanBeRetried)
{
    RegistrySandbox box;
    box.SetString(L"Open", L"v", L"1");
    box.SetString(L"Locked", L"v", L"1");
    ChangeJournal journal;
    {
        JournalRecorder record(&journal, L"Two");
        record.AddValue(box.PathOf(L"Open"), L"v");
        record.AddValue(box.PathOf(L"Locked"), L"v");
        box.SetString(L"Open", L"v", L"2");
        box.SetString(L"Locked", L"v", L"2");
    }
    box.DenyReading(L"Locked");
    std::vector<std::wstring> failures;
    EXPECT_FALSE(journal.Undo(failures));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].rfind(box.PathOf(L"Locked") + L" \"v\": ", 0), 0u) << zv::ToUtf8(failures[0]);
    EXPECT_TRUE(journal.CanUndo()) << "the entry stays for another try";
    EXPECT_FALSE(journal.CanRedo());
    box.AllowReading(L"Locked");
    failures.clear();
    EXPECT_TRUE(journal.Undo(failures));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"Locked", L"v", type, data));
    EXPECT_EQ(data, StringBytes(L"1"));
    ASSERT_TRUE(box.ReadValue(L"Open", L"v", type, data));
    EXPECT_EQ(data, StringBytes(L"1"));
}

TEST(ChangeJournal, SnapshotsSurviveTheirFileFormAndRefuseDamagedFiles)
{
    SavedKey tree;
    tree.name = L"Top";
    tree.className = L"c";
    tree.security = L"O:BAD:(A;;KA;;;WD)";
    tree.values.push_back({L"", REG_SZ, {1, 0}});
    tree.values.push_back({std::wstring(16383, L'x'), 0x12345, std::vector<BYTE>(70000, 7)});
    tree.children.emplace_back();
    tree.children.back().name = L"Child";
    std::vector<BYTE> bytes;
    SerializeSnapshot(tree, bytes);
    SavedKey back;
    ASSERT_TRUE(DeserializeSnapshot(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back.name, tree.name);
    EXPECT_EQ(back.values, tree.values);
    ASSERT_EQ(back.children.size(), 1u);
    EXPECT_EQ(back.children[0].name, L"Child");
    for (size_t cut : {size_t(0), size_t(3), bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(DeserializeSnapshot(bytes.data(), cut, back)) << cut;
    bytes.push_back(0);
    EXPECT_FALSE(DeserializeSnapshot(bytes.data(), bytes.size(), back)) << "trailing bytes";
}

TEST(ChangeJournal, ASpilledSnapshotsFileGoesWithAProgramThatEndsWithoutCleaningUp)
{
    // The child spills a tree, says where, and ends at once: no destructor
    // runs, the system still removes the file.
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring handoff = std::wstring(folder) + L"zorvane-spill-handoff.txt";
    DeleteFileW(handoff.c_str());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SavedKey tree;
            tree.name = L"Big";
            for (int i = 0; i < 200; ++i)
                tree.values.push_back({zv::Format(L"v%d", i), REG_BINARY, std::vector<BYTE>(512, 7)});
            static RegionState state; // never destroyed: the process ends first
            state.SetTree(std::move(tree));
            if (!state.Spill(0) || state.FileName().empty())
                _exit(1);
            HANDLE out = CreateFileW(handoff.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(out, state.FileName().data(),
                      static_cast<DWORD>(state.FileName().size() * sizeof(wchar_t)), &written, nullptr);
            CloseHandle(out);
            // The file is there and readable while the state keeps it.
            if (state.Tree().values.size() != 200)
                _exit(2);
            _exit(7);
        },
        ::testing::ExitedWithCode(7), "");
    HANDLE in = CreateFileW(handoff.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(in, INVALID_HANDLE_VALUE);
    wchar_t name[MAX_PATH + 1] = {};
    DWORD got = 0;
    ReadFile(in, name, sizeof(name) - sizeof(wchar_t), &got, nullptr);
    CloseHandle(in);
    DeleteFileW(handoff.c_str());
    ASSERT_GT(got, 0u);
    EXPECT_EQ(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES) << zv::ToUtf8(name);
}

TEST(ChangeJournal, AKeptStateThatCannotBeReadBackFailsTheUndoAndChangesNothing)
{
    RegistrySandbox box;
    JournalLimits limits;
    limits.spillBytes = 1024;
    // The file is cut short, or one byte in it changed: either way undo
    // must not restore what the file now says, nor the step's other part.
    for (bool truncate : {true, false})
    {
        SCOPED_TRACE(truncate ? "truncated" : "one byte changed");
        for (int i = 0; i < 200; ++i)
            box.SetValue(zv::Format(L"Big\\K%d", i), L"bin", REG_BINARY, Bytes({i & 0xFF, 1, 2, 3}));
        box.SetString(L"Small", L"v", L"before");
        ChangeJournal journal(limits);
        {
            JournalRecorder record(&journal, L"Two changes");
            record.AddValue(box.PathOf(L"Small"), L"v");
            record.AddTree(box.PathOf(L"Big"));
            CEzReg small(box.PathOf(L"Small"));
            ASSERT_TRUE(small.SetValueText(L"v", L"after", REG_SZ));
            ASSERT_TRUE(DeleteRegistryKey(box.PathOf(L"Big")));
        }
        ASSERT_TRUE(journal.CanUndo());
        const RegionState& kept = journal.UndoEntries().back().before.at(1);
        ASSERT_NE(kept.FileHandle(), nullptr) << "the tree went to a file";
        LARGE_INTEGER size = {};
        ASSERT_TRUE(GetFileSizeEx(kept.FileHandle(), &size));
        LARGE_INTEGER middle = {};
        middle.QuadPart = size.QuadPart / 2;
        if (truncate)
        {
            ASSERT_TRUE(SetFilePointerEx(kept.FileHandle(), middle, nullptr, FILE_BEGIN));
            ASSERT_TRUE(SetEndOfFile(kept.FileHandle()));
        }
        else
        {
            // One byte of a value's data (the 2 of a 01 02 03 run): the file
            // still reads as a tree, only with other data.
            std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
            DWORD done = 0;
            LARGE_INTEGER start = {};
            SetFilePointerEx(kept.FileHandle(), start, nullptr, FILE_BEGIN);
            ASSERT_TRUE(
                ReadFile(kept.FileHandle(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr));
            const BYTE run[] = {1, 2, 3};
            auto at = std::search(bytes.begin() + static_cast<ptrdiff_t>(bytes.size() / 2), bytes.end(),
                                  std::begin(run), std::end(run));
            ASSERT_NE(at, bytes.end());
            LARGE_INTEGER where = {};
            where.QuadPart = (at - bytes.begin()) + 1;
            BYTE changed = 0x07;
            SetFilePointerEx(kept.FileHandle(), where, nullptr, FILE_BEGIN);
            ASSERT_TRUE(WriteFile(kept.FileHandle(), &changed, 1, &done, nullptr));
        }
        Dump before = DumpOf(box);
        std::vector<std::wstring> failures;
        EXPECT_FALSE(journal.Undo(failures));
        EXPECT_EQ(DumpOf(box), before) << "nothing of the step was restored";
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_NE(failures[0].find(box.PathOf(L"Big") + L": what undo kept of it cannot be read back"),
                  std::wstring::npos)
            << zv::ToUtf8(failures[0]);
        EXPECT_TRUE(journal.CanUndo()) << "the step stays where it was";
        box.SetString(L"Small", L"v", L"before");
    }
}

TEST(ChangeJournal, ATypeOnlyChangeOrAChildOfANeighboursNameIsAConflict)
{
    RegistrySandbox box;
    ChangeJournal journal;
    // A value whose type another program changed, its bytes the same.
    box.SetValue(L"V", L"v", REG_BINARY, Bytes({1, 0, 0, 0}));
    {
        JournalRecorder record(&journal, L"Edit");
        record.AddValue(box.PathOf(L"V"), L"v");
        box.SetValue(L"V", L"v", REG_BINARY, Bytes({2, 0, 0, 0}));
    }
    box.SetValue(L"V", L"v", REG_DWORD, Bytes({2, 0, 0, 0}));
    std::vector<std::wstring> conflicts = journal.UndoConflicts();
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0], box.PathOf(L"V") + L" \"v\" holds other data");
    journal.Clear();

    // The same inside a tree, and a child gone while one whose name starts
    // with its name came: both are seen, each by its own name.
    box.SetValue(L"T\\In", L"t", REG_BINARY, Bytes({1, 0, 0, 0}));
    box.CreateKey(L"T\\Ab");
    {
        JournalRecorder record(&journal, L"Edit");
        record.AddTree(box.PathOf(L"T"));
        box.SetValue(L"T\\In", L"other", REG_SZ, StringBytes(L"x"));
    }
    box.SetValue(L"T\\In", L"t", REG_DWORD, Bytes({1, 0, 0, 0}));
    RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\T\\Ab").c_str());
    box.CreateKey(L"T\\Abc");
    conflicts = journal.UndoConflicts();
    std::vector<std::wstring> expected = {box.PathOf(L"T\\In") + L": the value \"t\" differs",
                                          box.PathOf(L"T") + L"\\Ab is gone",
                                          box.PathOf(L"T") + L"\\Abc was added"};
    std::sort(conflicts.begin(), conflicts.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(conflicts, expected);
}
