// Import of registry scripts against the test prefix's registry: our export
// and the platform's read back byte for byte, old-format files with 8-bit
// text, the preview's changes matching what Apply then does, left-out and
// failing items, every kind of bad input refused with its line, and a
// seeded stream of damaged scripts that never crashes and never yields a
// change from a script that does not parse.
#include "base/Strings.h"
#include "operations/ImportPlan.h"
#include "operations/RegExport.h"
#include "operations/RegScriptParser.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"
#include "support/RegistrySandbox.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace
{
ImportOutcome ImportFile(const std::wstring& file)
{
    ScriptParseResult parsed = ParseRegScriptFile(file);
    EXPECT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    return ApplyImport(plan);
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += static_cast<char>(c);
    return out;
}

ScriptParseResult ParseBytes(const std::string& bytes)
{
    CRegScriptReader reader;
    reader.OpenBytes(bytes);
    return ParseRegScript(reader);
}

// "kind key|name" of each change, in order.
std::vector<std::wstring> Kinds(const ImportPlan& plan, const std::wstring& base)
{
    std::vector<std::wstring> out;
    for (const ImportChange& change : plan.changes)
    {
        std::wstring key =
            change.key.substr(0, base.size()) == base ? change.key.substr(base.size()) : change.key;
        out.push_back(ImportChangeText(change) + L" " + key + (change.IsKeyRow() ? L"" : L"|" + change.name));
    }
    return out;
}
} // namespace

TEST(RegImport, OurExportAndThePlatformsComeBackByteForByte)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Tree");
    const std::wstring sub = box.SubKey() + L"\\Tree";
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, sub);
    ASSERT_GT(original.size(), 1u);

    std::wstring ours = TempFilePath(L"import-ours.reg");
    CEzReg tree(box.PathOf(L"Tree"));
    ASSERT_TRUE(ExportKey(tree, ours));
    std::wstring theirs = TempFilePath(L"import-theirs.reg");
    ASSERT_EQ(RunProgram(L"reg.exe export \"HKEY_" + box.PathOf(L"Tree") + L"\" \"" + theirs + L"\" /y"), 0u);

    // Ours, read back by us: every byte.
    ASSERT_TRUE(DeleteTree(CEzReg(box.PathOf(L"Tree"))));
    EXPECT_TRUE(ImportFile(ours).failures.empty());
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, sub), original);
    // Importing it again over itself changes nothing and says so.
    ScriptParseResult again = ParseRegScriptFile(ours);
    ImportPlan plan = PlanImport(std::move(again.operations));
    for (const ImportChange& change : plan.changes)
        EXPECT_FALSE(change.Changes())
            << zv::ToUtf8(ImportChangeText(change) + L" " + change.key + L"|" + change.name);

    // The platform's file loses what its quoted and dword forms cannot hold
    // (bytes after a NUL, short numbers); we make of it exactly what the
    // platform's own importer makes.
    ASSERT_TRUE(DeleteTree(CEzReg(box.PathOf(L"Tree"))));
    ASSERT_EQ(RunProgram(L"reg.exe import \"" + theirs + L"\""), 0u);
    TreeSnapshot platform = SnapshotTree(HKEY_CURRENT_USER, sub);
    ASSERT_TRUE(DeleteTree(CEzReg(box.PathOf(L"Tree"))));
    EXPECT_TRUE(ImportFile(theirs).failures.empty());
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, sub), platform);

    // The platform's importer of our file: the same registry, but for a
    // string without its terminating NUL, which that importer completes.
    ASSERT_TRUE(DeleteTree(CEzReg(box.PathOf(L"Tree"))));
    ASSERT_EQ(RunProgram(L"reg.exe import \"" + ours + L"\""), 0u);
    TreeSnapshot theirsOfOurs = SnapshotTree(HKEY_CURRENT_USER, sub);
    TreeSnapshot expected = original;
    expected[L""][L"Unterminated"].data = StringBytes(L"open");
    EXPECT_EQ(theirsOfOurs, expected);
    DeleteFileW(ours.c_str());
    DeleteFileW(theirs.c_str());
}

TEST(RegImport, OldFormatFilesReadTheirEightBitText)
{
    RegistrySandbox box;
    std::string key = "[HKEY_" + Narrow(box.PathOf(L"Old")) + "]\r\n";
    // café = naïve, and an expandable string given as 8-bit bytes.
    std::string file = "REGEDIT4\r\n\r\n" + key +
                       "\"caf\xe9\"=\"na\xefve\"\r\n\"Path\"=hex(2):25,53,59,53,\\\r\n  25,00\r\n";
    ScriptParseResult parsed = ParseBytes(file);
    ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
    EXPECT_EQ(parsed.encoding, ScriptEncoding::Ansi);
    ApplyImport(PlanImport(std::move(parsed.operations)));
    wchar_t name[8] = {}, text[8] = {};
    MultiByteToWideChar(CP_ACP, 0, "caf\xe9", -1, name, 8);
    MultiByteToWideChar(CP_ACP, 0, "na\xefve", -1, text, 8);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"Old", name, type, data));
    EXPECT_EQ(data, StringBytes(text));
    ASSERT_TRUE(box.ReadValue(L"Old", L"Path", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(data, StringBytes(L"%SYS%"));

    // The same with UTF-8 and a byte-order mark, and UTF-16.
    std::string utf8 =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n" + key + "\"caf\xc3\xa9\"=\"x\"\n";
    ScriptParseResult parsed8 = ParseBytes(utf8);
    ASSERT_TRUE(parsed8.ok) << zv::ToUtf8(parsed8.error);
    EXPECT_EQ(parsed8.operations.back().name, L"caf\u00e9");
    std::wstring wide =
        L"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n@=\"\u4e2d\"\r\n";
    std::string bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    ScriptParseResult parsed16 = ParseBytes(bytes);
    ASSERT_TRUE(parsed16.ok) << zv::ToUtf8(parsed16.error);
    EXPECT_EQ(parsed16.encoding, ScriptEncoding::Utf16);
    EXPECT_EQ(parsed16.operations.back().data, StringBytes(L"\u4e2d"));
}

TEST(RegImport, ThePreviewListsExactlyWhatApplyChangesAndCancelWritesNothing)
{
    RegistrySandbox box;
    box.SetString(L"P\\Existing", L"same", L"1");
    box.SetString(L"P\\Existing", L"changed", L"old");
    box.SetString(L"P\\Existing", L"gone", L"x");
    box.SetDword(L"P\\Doomed\\A", L"v", 1);
    box.SetDword(L"P\\Doomed\\B", L"w", 2);
    box.SetDword(L"P\\Doomed", L"top", 3);
    box.SetString(L"P\\Reborn", L"old", L"stays gone");
    box.SetString(L"P\\New\\Deep2", L"v", L"old"); // shares its start with a key the registry lacks
    const std::wstring base = L"HKEY_" + box.Path();
    std::wstring script = L"Windows Registry Editor Version 5.00\r\n\r\n"
                          L"[" +
                          base +
                          L"\\P\\Existing]\r\n"
                          L"\"same\"=\"1\"\r\n"
                          L"\"changed\"=\"new\"\r\n"
                          L"\"added\"=dword:0000002a\r\n"
                          L"\"gone\"=-\r\n"
                          L"\"never\"=-\r\n"
                          L"[-" +
                          base +
                          L"\\P\\Doomed]\r\n"
                          L"[-" +
                          base +
                          L"\\P\\Nowhere]\r\n"
                          L"[" +
                          base +
                          L"\\P\\New\\Deep]\r\n"
                          L"@=hex(0):\r\n"
                          L"[" +
                          base +
                          L"\\P\\New\\Deep2]\r\n"
                          L"\"v\"=\"old\"\r\n"
                          L"[-" +
                          base +
                          L"\\P\\Reborn]\r\n"
                          L"[" +
                          base +
                          L"\\P\\Reborn]\r\n"
                          L"\"old\"=\"stays gone\"\r\n"
                          L"[" +
                          base +
                          L"\\P\\Existing]\r\n"
                          L"\"added\"=dword:0000002a\r\n";
    ScriptParseResult parsed = ParseRegScriptText(script);
    ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
    const std::wstring at = box.Path() + L"\\P\\";
    TreeSnapshot before = SnapshotTree(HKEY_CURRENT_USER, box.SubKey());
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    EXPECT_EQ(Kinds(plan, at), (std::vector<std::wstring>{
                                   L"Key Existing",
                                   L"Unchanged Existing|same",
                                   L"Change value Existing|changed",
                                   L"Add value Existing|added",
                                   L"Delete value Existing|gone",
                                   L"Delete value (not there) Existing|never",
                                   L"Delete key (2 subkeys, 3 values) Doomed",
                                   L"Delete key (not there) Nowhere",
                                   L"Create key New\\Deep",
                                   L"Add value New\\Deep|",
                                   L"Key New\\Deep2",
                                   L"Unchanged New\\Deep2|v",
                                   L"Delete key (0 subkeys, 1 value) Reborn",
                                   L"Create key Reborn",
                                   L"Add value Reborn|old",
                                   L"Key Existing",
                                   L"Unchanged Existing|added",
                               }));
    EXPECT_EQ(ImportOldText(plan.changes[2]), L"old");
    EXPECT_EQ(ImportNewText(plan.changes[2]), L"new");
    // Nothing is written until Apply: a plan left alone is a Cancel.
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey()), before);

    ImportOutcome outcome = ApplyImport(plan);
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(outcome.keysCreated, 2u) << "New\\Deep and Reborn";
    EXPECT_EQ(outcome.keysDeleted, 2u);
    EXPECT_EQ(outcome.valuesWritten, 4u);
    EXPECT_EQ(outcome.valuesDeleted, 1u);
    EXPECT_EQ(outcome.unchanged, 5u);

    // The registry moved exactly as the preview said.
    TreeSnapshot expected = before;
    const std::wstring p = L"P\\";
    expected[p + L"Existing"][L"changed"] = {REG_SZ, StringBytes(L"new")};
    DWORD answer = 42;
    expected[p + L"Existing"][L"added"] = {
        REG_DWORD, std::vector<BYTE>(reinterpret_cast<BYTE*>(&answer), reinterpret_cast<BYTE*>(&answer) + 4)};
    expected[p + L"Existing"].erase(L"gone");
    for (const wchar_t* gone : {L"Doomed", L"Doomed\\A", L"Doomed\\B"})
        expected.erase(p + gone);
    expected[p + L"New"];
    expected[p + L"New\\Deep"][L""] = {REG_NONE, {}};
    TreeSnapshot after = SnapshotTree(HKEY_CURRENT_USER, box.SubKey());
    EXPECT_EQ(after, expected);
    EXPECT_EQ(
        ImportReport(outcome).rfind(L"Imported: 2 keys created, 2 keys deleted, 4 values written, 1 value "
                                    L"deleted, 5 left unchanged, 0 failed.",
                                    0),
        0u)
        << zv::ToUtf8(ImportReport(outcome));
}

TEST(RegImport, LeftOutChangesStayAndAFailureIsListedWhileTheRestGoesOn)
{
    RegistrySandbox box;
    box.SetString(L"Locked", L"v", L"1");
    box.SetString(L"Open", L"keep", L"mine");
    const std::wstring base = L"HKEY_" + box.Path();
    ScriptParseResult parsed = ParseRegScriptText(L"Windows Registry Editor Version 5.00\r\n\r\n[" + base +
                                                  L"\\Locked]\r\n\"v\"=\"2\"\r\n[" + base +
                                                  L"\\Open]\r\n\"keep\"=\"theirs\"\r\n\"new\"=\"n\"\r\n");
    ASSERT_TRUE(parsed.ok);
    box.DenyReading(L"Locked");
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    // The user leaves out the change to "keep".
    for (ImportChange& change : plan.changes)
        if (change.name == L"keep")
            change.selected = false;
    ImportOutcome outcome = ApplyImport(plan);
    box.AllowReading(L"Locked");
    ASSERT_EQ(outcome.failures.size(), 2u) << "the key's section and its value";
    EXPECT_EQ(outcome.failures[1].rfind(L"Line 4: " + box.PathOf(L"Locked") + L"\\v: ", 0), 0u)
        << zv::ToUtf8(outcome.failures[1]);
    EXPECT_EQ(outcome.skipped, 1u);
    EXPECT_EQ(outcome.valuesWritten, 1u);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"Open", L"keep", type, data));
    EXPECT_EQ(data, StringBytes(L"mine"));
    ASSERT_TRUE(box.ReadValue(L"Open", L"new", type, data));
    ASSERT_TRUE(box.ReadValue(L"Locked", L"v", type, data));
    EXPECT_EQ(data, StringBytes(L"1"));
    EXPECT_NE(ImportReport(outcome).find(L"1 change was left out."), std::wstring::npos);
}

// Keys are opened ahead of the writes; a delete of a tree must still come
// before anything the file puts back into it, and a key named in two runs
// ends with what the later run sets.
TEST(RegImport, KeysOpenedAheadNeverCrossADeleteOfTheirTreeAndLaterRunsWin)
{
    RegistrySandbox box;
    box.SetString(L"A", L"a", L"old");
    const std::wstring base = L"HKEY_" + box.Path();
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < 150; ++i)
        text += zv::Format(L"[%s\\T\\K%d]\r\n\"v\"=dword:%08x\r\n", base.c_str(), i, i);
    text += L"[-" + base + L"\\T\\K3]\r\n";
    text += L"[" + base + L"\\T\\K3\\Again]\r\n\"w\"=\"x\"\r\n";
    text += L"[" + base + L"\\T\\K3]\r\n\"v2\"=\"y\"\r\n";
    text += L"[" + base + L"\\A]\r\n\"a\"=\"1\"\r\n";
    text += L"[" + base + L"\\B]\r\n\"b\"=\"1\"\r\n[" + base + L"\\B]\r\n";
    text += L"[" + base + L"\\A]\r\n\"a\"=\"2\"\r\n\"gone\"=\"z\"\r\n\"gone\"=-\r\n";
    ScriptParseResult parsed = ParseRegScriptText(text);
    ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    ImportOutcome outcome = ApplyImport(plan);
    EXPECT_TRUE(outcome.failures.empty()) << zv::ToUtf8(outcome.failures.front());
    EXPECT_EQ(outcome.keysCreated, 152u) << "150 keys, K3\\Again and B";
    EXPECT_EQ(outcome.keysDeleted, 1u);
    EXPECT_EQ(outcome.valuesWritten, 156u);
    EXPECT_EQ(outcome.valuesDeleted, 1u);

    DWORD type = 0;
    std::vector<BYTE> data;
    for (int i : {0, 2, 4, 63, 64, 65, 149})
    {
        ASSERT_TRUE(box.ReadValue(zv::Format(L"T\\K%d", i), L"v", type, data)) << i;
        EXPECT_EQ(data, Bytes({i, 0, 0, 0}));
    }
    EXPECT_FALSE(box.ReadValue(L"T\\K3", L"v", type, data)) << "the delete came after the first section";
    ASSERT_TRUE(box.ReadValue(L"T\\K3\\Again", L"w", type, data)) << "the key put back after the delete";
    ASSERT_TRUE(box.ReadValue(L"T\\K3", L"v2", type, data));
    ASSERT_TRUE(box.ReadValue(L"A", L"a", type, data));
    EXPECT_EQ(data, StringBytes(L"2"));
    EXPECT_EQ(box.ValueNames(L"A"), std::vector<std::wstring>{L"a"});
}

TEST(RegImport, ScriptsWhoseStructureDoesNotParseAreRefusedWithTheirLineAndNothingElse)
{
    const struct
    {
        std::wstring script;
        size_t line;
        const wchar_t* says;
    } cases[] = {
        {L"Windows Registry Editor Version 4.00\r\n", 1, L"no known header"},
        {L"", 1, L"empty"},
        {L"REGEDIT4\r\n[HKEY_CURRENT_USER\\X\r\n\"v\"=\"x\"\r\n", 2, L"without \"]\""},
        {L"REGEDIT4\r\n[HKEY_CURRENT_USERS\\X]\r\n", 2, L"unknown root \"HKEY_CURRENT_USERS\""},
        {L"REGEDIT4\r\n[HKEY_CURRENT_USER\\" + std::wstring(256, L'k') + L"]\r\n", 2, L"longer than 255"},
        {L"REGEDIT4\r\n[-HKEY_CURRENT_USER]\r\n", 2, L"root key cannot be deleted"},
    };
    for (const auto& bad : cases)
    {
        ScriptParseResult result = ParseRegScriptText(bad.script);
        EXPECT_FALSE(result.ok) << zv::ToUtf8(bad.script);
        EXPECT_TRUE(result.operations.empty());
        EXPECT_EQ(result.errorLine, bad.line) << zv::ToUtf8(result.error);
        EXPECT_EQ(result.error.rfind(zv::Format(L"Line %zu: ", bad.line), 0), 0u) << zv::ToUtf8(result.error);
        EXPECT_NE(result.error.find(bad.says), std::wstring::npos) << zv::ToUtf8(result.error);
    }
    // Nesting deeper than the registry allows.
    std::wstring deep = L"REGEDIT4\r\n[HKEY_CURRENT_USER";
    for (int i = 0; i < 513; ++i)
        deep += L"\\k";
    EXPECT_NE(ParseRegScriptText(deep + L"]\r\n").error.find(L"512 levels"), std::wstring::npos);
    // Text that is not UTF-8 names its line; a UTF-16 file cut inside a character.
    ScriptParseResult notUtf8 =
        ParseBytes("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"\xff\"=\"x\"\n");
    EXPECT_FALSE(notUtf8.ok);
    EXPECT_NE(notUtf8.error.find(L"Line 4 is not valid UTF-8"), std::wstring::npos)
        << zv::ToUtf8(notUtf8.error);
    EXPECT_FALSE(ParseBytes(std::string("\xFF\xFER\0E\0G\0", 9)).ok);
    // What does parse: comments, blank lines, LF ends, spellings, a trailing backslash.
    ScriptParseResult fine =
        ParseRegScriptText(L"REGEDIT4\n; note\n\n[hklm\\Software\\]\n  @=\"x\"\n[HKCU\\a]\n");
    ASSERT_TRUE(fine.ok) << zv::ToUtf8(fine.error);
    ASSERT_EQ(fine.operations.size(), 3u);
    EXPECT_EQ(fine.operations[0].key, L"LOCAL_MACHINE\\Software");
    EXPECT_EQ(fine.operations[1].line, 5u);
    EXPECT_EQ(fine.operations[2].key, L"CURRENT_USER\\a");
}

TEST(RegImport, ValueLinesThatDoNotParseOrMeanNoBytesAreSkippedWithTheirReasonAndTheRestStands)
{
    const std::wstring head =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZvBad]\r\n";
    const struct
    {
        std::wstring line;
        const wchar_t* says;
    } cases[] = {
        {L"\"v\"=hex:0g", L"no hex digit"},
        {L"\"v\"=hex:00,1", L"single digit"},
        {L"\"v\"=hex:00,,01", L"missing"},
        {L"\"v\"=dword:123456789", L"more than 8"},
        {L"\"v\"=dword:", L"without digits"},
        {L"\"v\"=dword:5 x", L"no hex digit"},
        {L"\"v\"=\"open", L"closing quote"},
        {L"\"v=\"x\"", L"without \"=\""},
        {L"\"v\"=\"x\" trailing", L"after a string"},
        {L"\"v\"=hex(7x):00", L"bad type number"},
        {L"\"v\"=sz:hello", L"no known form"},
        {L"just words", L"neither a section"},
        // Bytes the file's author cannot have meant.
        {L"\"v\"=\"a\\xb\"", L"unknown escape \"\\x\""},
        {L"\"pro\\be\"=\"1\"", L"unknown escape \"\\b\""},
        {L"\"v\"=\"a\\0b\"", L"unknown escape \"\\0\""},
        {std::wstring(L"\"v\"=\"a\0b\"", 9), L"NUL character"},
        {std::wstring(L"\"v\0w\"=\"x\"", 9), L"NUL character"},
    };
    for (const auto& bad : cases)
    {
        SCOPED_TRACE(zv::ToUtf8(bad.line));
        ScriptParseResult result = ParseRegScriptText(head + bad.line + L"\r\n\"after\"=\"kept\"\r\n");
        ASSERT_TRUE(result.ok) << zv::ToUtf8(result.error);
        ASSERT_EQ(result.operations.size(), 3u);
        const ScriptOperation& skipped = result.operations[1];
        EXPECT_EQ(skipped.kind, ScriptOperation::SkipLine);
        EXPECT_EQ(skipped.line, 4u);
        EXPECT_EQ(skipped.key, L"CURRENT_USER\\Software\\ZvBad");
        EXPECT_NE(skipped.reason.find(bad.says), std::wstring::npos) << zv::ToUtf8(skipped.reason);
        EXPECT_EQ(result.operations[2].kind, ScriptOperation::SetValue);
        EXPECT_EQ(result.operations[2].name, L"after");
        EXPECT_EQ(result.operations[2].line, 5u);
    }
    // A CR alone inside a string ends the line there: both pieces are
    // skipped, and the preview says why; the next line stands.
    ScriptParseResult broken = ParseRegScriptText(head + L"\"v\"=\"a\rb\"\r\n\"after\"=\"kept\"\r\n");
    ASSERT_TRUE(broken.ok);
    ASSERT_EQ(broken.operations.size(), 4u);
    EXPECT_NE(broken.operations[1].reason.find(L"carriage return alone"), std::wstring::npos);
    EXPECT_NE(broken.operations[2].reason.find(L"rest of a line"), std::wstring::npos);
    EXPECT_EQ(broken.operations[3].name, L"after");
    // A value line before any section has no key to go to.
    ScriptParseResult early = ParseRegScriptText(L"REGEDIT4\r\n\"v\"=\"x\"\r\n[HKEY_CURRENT_USER\\A]\r\n");
    ASSERT_TRUE(early.ok);
    ASSERT_EQ(early.operations.size(), 2u);
    EXPECT_NE(early.operations[0].reason.find(L"before any section"), std::wstring::npos);

    // The plan lists skipped lines in file order, unticked and without a
    // write; the summary and the end report count them.
    RegistrySandbox box;
    std::wstring script = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + box.SubKey() +
                          L"]\r\n\"a\"=\"1\"\r\n\"b\"=\"x\\ty\"\r\n\"c\"=\"3\"\r\n";
    ScriptParseResult parsed = ParseRegScriptText(script);
    ASSERT_TRUE(parsed.ok);
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    ASSERT_EQ(plan.changes.size(), 4u);
    const ImportChange& skip = plan.changes[2];
    EXPECT_EQ(skip.kind, ImportChangeKind::SkippedLine);
    EXPECT_FALSE(skip.selected);
    EXPECT_FALSE(skip.Changes());
    EXPECT_EQ(skip.name, L"\"b\"=\"x\\ty\"");
    EXPECT_EQ(ImportChangeText(skip).rfind(L"Skipped line 5: an unknown escape", 0), 0u)
        << zv::ToUtf8(ImportChangeText(skip));
    SelectImportChange(plan, 0, false);
    SelectImportChange(plan, 0, true);
    SelectImportChange(plan, 2, true);
    EXPECT_FALSE(plan.changes[2].selected) << "a skipped line can never be ticked";
    EXPECT_NE(ImportPlanSummary(plan).find(L"1 line of the file will be skipped"), std::wstring::npos);
    ImportOutcome outcome = ApplyImport(plan);
    EXPECT_EQ(outcome.valuesWritten, 2u);
    EXPECT_EQ(outcome.skippedLines, 1u);
    EXPECT_NE(ImportReport(outcome).find(L"1 line of the file was skipped"), std::wstring::npos);
    EXPECT_EQ(box.ValueNames(L""), (std::vector<std::wstring>{L"a", L"c"}));
}

TEST(RegImport, FilesThePlatformImportsAreReadAsItReadsThem)
{
    // Each file is imported by the platform's reg.exe into one key and by us
    // into another: the two trees must be the same.
    RegistrySandbox box;
    const struct
    {
        const char* what;
        std::wstring body; // after the section line, with {END} for the line end
        const wchar_t* end;
    } cases[] = {
        {"comments after string, dword and hex data",
         L"\"a\"=\"y\" ; note{END}\"b\"=dword:00000005 ; c{END}\"c\"=hex:01,02 ; c{END}\"d\"=\"z\";n{END}"
         L"\"e\"=dword:7;c{END}",
         L"\r\n"},
        {"a trailing comma in a hex list", L"\"a\"=hex:01,02,{END}\"b\"=hex(2):41,00,00,00,{END}", L"\r\n"},
        {"blank and comment lines inside a continuation",
         L"\"a\"=hex:01,\\{END}{END}  02,\\{END}; note{END}  03{END}\"b\"=\"after\"{END}", L"\r\n"},
        {"a continuation at the end of the file", L"\"a\"=\"x\"{END}\"z\"=hex:01,\\{END}", L"\r\n"},
        {"quotes around nothing name the default value", L"\"\"=\"def\"{END}", L"\r\n"},
        {"lines ending in a CR alone", L"\"a\"=\"1\"{END}\"b\"=hex:01,\\{END} 02{END}", L"\r"},
        {"lines ending in CR CR LF", L"\"a\"=\"1\"{END}\"b\"=hex:01,\\{END} 02{END}", L"\r\r\n"},
    };
    int n = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::wstring platformKey = box.SubKey() + zv::Format(L"\\Platform%d", n);
        std::wstring oursKey = box.SubKey() + zv::Format(L"\\Ours%d", n);
        ++n;
        auto script = [&](const std::wstring& key) {
            std::wstring text = std::wstring(L"Windows Registry Editor Version 5.00") + c.end + c.end +
                                L"[HKEY_CURRENT_USER\\" + key + L"]" + c.end + c.body;
            for (size_t at; (at = text.find(L"{END}")) != std::wstring::npos;)
                text.replace(at, 5, c.end);
            return text;
        };
        std::wstring file = TempFilePath(L"platform-form.reg");
        std::wstring text = L"\xFEFF" + script(platformKey);
        HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr);
        CloseHandle(handle);
        ASSERT_EQ(RunProgram(L"reg.exe import \"" + file + L"\""), 0u);
        DeleteFileW(file.c_str());
        TreeSnapshot platform = SnapshotTree(HKEY_CURRENT_USER, platformKey);
        ASSERT_FALSE(platform.empty());

        ScriptParseResult parsed = ParseRegScriptText(script(oursKey));
        ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
        for (const ScriptOperation& op : parsed.operations)
            EXPECT_NE(op.kind, ScriptOperation::SkipLine) << op.line << ": " << zv::ToUtf8(op.reason);
        EXPECT_TRUE(ApplyImport(PlanImport(std::move(parsed.operations))).failures.empty());
        EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, oursKey), platform);
    }
    // An empty name between backslashes names nothing, as in the platform.
    ScriptParseResult doubled =
        ParseRegScriptText(L"REGEDIT4\r\n[HKEY_CURRENT_USER\\\\Software\\\\\\x\\]\r\n");
    ASSERT_TRUE(doubled.ok) << zv::ToUtf8(doubled.error);
    EXPECT_EQ(doubled.operations.at(0).key, L"CURRENT_USER\\Software\\x");
}

TEST(RegImport, DamagedScriptsNeverCrashAndNeverYieldChangesWhenTheyDoNotParse)
{
    const std::string valid =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\ZvFuzz]\r\n"
        "@=\"default \\\"quoted\\\" \\\\ text\"\r\n"
        "\"dw\"=dword:0000002a\r\n"
        "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19\r\n"
        "\"multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"odd\"=hex(123):ff\r\n"
        "\"gone\"=-\r\n"
        "; a comment\r\n"
        "[-HKEY_CURRENT_USER\\Software\\ZvFuzz\\Old]\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\ZvFuzz\\Sub]\r\n"
        "\"s\"=\"x\"\r\n";
    ASSERT_TRUE(ParseBytes(valid).ok);
    std::mt19937 random(20261210);
    int parsed = 0, refused = 0, skipped = 0;
    for (int round = 0; round < 100000; ++round)
    {
        std::string damaged = valid;
        int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !damaged.empty(); ++e)
        {
            size_t at = random() % damaged.size();
            switch (random() % 5)
            {
            case 0: // a byte flipped
                damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
                break;
            case 1: // cut here
                damaged.resize(at);
                break;
            case 2: // a line end or a continuation removed
                if (size_t end = damaged.find_first_of("\r\\", at); end != std::string::npos)
                    damaged.erase(end, 1);
                break;
            case 3: // a random byte put in
                damaged.insert(at, 1, static_cast<char>(random() % 256));
                break;
            default: // a line doubled
                if (size_t end = damaged.find('\n', at); end != std::string::npos)
                {
                    size_t start = damaged.rfind('\n', at);
                    start = start == std::string::npos ? 0 : start + 1;
                    damaged.insert(end + 1, damaged.substr(start, end + 1 - start));
                }
                break;
            }
        }
        ScriptParseResult result = ParseBytes(damaged);
        if (!result.ok)
        {
            ++refused;
            ASSERT_TRUE(result.operations.empty()) << "a refused script yields nothing";
            ASSERT_FALSE(result.error.empty());
            continue;
        }
        ++parsed;
        for (const ScriptOperation& op : result.operations)
        {
            if (op.kind == ScriptOperation::SkipLine)
            {
                ++skipped;
                ASSERT_FALSE(op.reason.empty());
                ASSERT_GT(op.line, 1u);
                continue;
            }
            ASSERT_FALSE(op.key.empty());
            ASSERT_TRUE(op.key.rfind(L"CURRENT_USER", 0) == 0 || op.key.rfind(L"LOCAL_MACHINE", 0) == 0 ||
                        op.key.rfind(L"CLASSES_ROOT", 0) == 0 || op.key.rfind(L"USERS", 0) == 0 ||
                        op.key.rfind(L"CURRENT_CONFIG", 0) == 0)
                << zv::ToUtf8(op.key);
        }
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(parsed, 1000) << "damage that leaves a valid script parses";
    EXPECT_GT(skipped, 1000) << "damage inside a value line skips that line";
}

TEST(RegImport, ValuesOverHundredsOfThousandsOfContinuationLinesParseInOnePass)
{
    // Bytes over 200,000 continuation lines, as a 16 MB value is exported;
    // damaged in the ways a file gets damaged. A reader that copies the
    // joined line for each continuation needs hours for one of these (the
    // run's time limit ends it); one pass over the text needs a moment.
    constexpr size_t kLines = 200000;
    std::wstring body;
    body.reserve(kLines * 80);
    for (size_t i = 0; i < kLines; ++i)
        body += L"  00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n";
    body += L"  ff\r\n";
    const std::wstring head =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZvLong]\r\n"
        L"\"big\"=hex:\\\r\n";
    std::mt19937 random(4242);
    for (int round = 0; round < 6; ++round)
    {
        std::wstring script = head + body;
        size_t at = head.size() + (random() % kLines) * 80;
        switch (round)
        {
        case 0: // whole
            break;
        case 1: // cut in the middle: the value takes what came
            script.resize(at);
            break;
        case 2: // a blank line in the list
            script.insert(at, L"\r\n");
            break;
        case 3: // a byte that is no hex
            script[at + 2] = L'z';
            break;
        case 4: // a section line in the middle ends the list
            script.insert(at, L"[HKEY_CURRENT_USER\\Software\\ZvLong\\In]\r\n");
            break;
        default: // CR alone as every line end
            for (wchar_t& c : script)
                if (c == L'\n')
                    c = L'\r';
            break;
        }
        SCOPED_TRACE(round);
        ScriptParseResult result = ParseRegScriptText(script);
        ASSERT_TRUE(result.ok) << zv::ToUtf8(result.error);
        ASSERT_GE(result.operations.size(), 2u);
        const ScriptOperation& big = result.operations[1];
        if (round == 3)
        {
            EXPECT_EQ(big.kind, ScriptOperation::SkipLine);
            continue;
        }
        ASSERT_EQ(big.kind, ScriptOperation::SetValue) << zv::ToUtf8(big.reason);
        if (round == 0 || round == 2 || round == 5)
        {
            ASSERT_EQ(big.data.size(), kLines * 25 + 1);
            EXPECT_EQ(big.data[kLines * 25 - 1], 0x18);
            EXPECT_EQ(big.data.back(), 0xff);
        }
        else
        {
            EXPECT_LT(big.data.size(), kLines * 25);
        }
        if (round == 4)
        {
            EXPECT_TRUE(std::any_of(result.operations.begin(), result.operations.end(),
                                    [](const ScriptOperation& op) {
                                        return op.kind == ScriptOperation::CreateKey &&
                                               op.key == L"CURRENT_USER\\Software\\ZvLong\\In";
                                    }))
                << "the section line that ended the list stands";
        }
    }
}

TEST(RegImport, ATypeOnlyChangeIsAChangeAndACommentEndingInABackslashContinuesNothing)
{
    RegistrySandbox box;
    box.SetValue(L"K", L"t", REG_BINARY, Bytes({1, 0, 0, 0}));
    std::wstring script =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_" + box.PathOf(L"K") +
        L"]\r\n\"t\"=dword:00000001\r\n; a note that ends in a backslash \\\r\n\"after\"=\"x\"\r\n";
    ScriptParseResult parsed = ParseRegScriptText(script);
    ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    ASSERT_EQ(plan.changes.size(), 3u);
    EXPECT_EQ(plan.changes[1].kind, ImportChangeKind::ChangeValue) << "the same bytes as another type";
    EXPECT_EQ(plan.changes[2].kind, ImportChangeKind::AddValue) << "the line after the comment stands";
    EXPECT_EQ(plan.changes[2].name, L"after");
    ApplyImport(plan);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"K", L"t", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}
