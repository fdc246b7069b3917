// String data of odd sizes, one byte above all, is written with exactly the
// bytes given: directly, through import, through a paste and through undo.
// The platform's writer looks at the unit before a single byte and at the
// unit after the data, so the bytes around the buffer decide what it stores
// unless the writer keeps them from it.
#include "base/Strings.h"
#include "operations/ChangeJournal.h"
#include "operations/ImportPlan.h"
#include "operations/KeyTransfer.h"
#include "operations/RegScriptParser.h"
#include "registry/EzReg.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>

namespace
{
const DWORD kStringTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ};

// Data of size bytes for the i-th value: a NUL byte among them now and then,
// since NULs are what the platform takes for a terminator.
std::vector<BYTE> OddData(size_t size, int i)
{
    std::vector<BYTE> data(size);
    for (size_t b = 0; b < size; ++b)
        data[b] = static_cast<BYTE>((i + b) % 3 == 0 ? 0 : 0x41 + (i + b) % 26);
    return data;
}

// The sandbox's key sub holds, per string type and size 1 and 3, count values.
TreeSnapshot Expected(int count)
{
    TreeSnapshot tree;
    for (DWORD type : kStringTypes)
        for (size_t size : {size_t(1), size_t(3)})
            for (int i = 0; i < count; ++i)
                tree[L""][zv::Format(L"t%lu s%zu %03d", type, size, i)] = {type, OddData(size, i)};
    return tree;
}

std::wstring HexList(const std::vector<BYTE>& data)
{
    std::wstring text;
    for (size_t b = 0; b < data.size(); ++b)
        text += zv::Format(b ? L",%02x" : L"%02x", data[b]);
    return text;
}
} // namespace

TEST(ExactStringBytes, TheBytesAroundTheDataNeverReachTheRegistry)
{
    RegistrySandbox box;
    box.CreateKey(L"K");
    CEzReg key(box.PathOf(L"K"));
    ASSERT_TRUE(key.Open(KEY_SET_VALUE | KEY_QUERY_VALUE));
    for (DWORD type : kStringTypes)
    {
        // A non-NUL unit before the data and NUL units after it: what the
        // platform takes for a string that forgot its terminator.
        alignas(8) BYTE buffer[16] = {0x41, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        ASSERT_EQ(SetValueExactly(key.Key, L"one", type, buffer + 2, 1), ERROR_SUCCESS);
        BYTE three[] = {0x41, 0x41, 0x42, 0x00, 0x00, 0x00};
        ASSERT_EQ(SetValueExactly(key.Key, L"three", type, three, 3), ERROR_SUCCESS);
        DWORD readType = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(box.ReadValue(L"K", L"one", readType, data));
        EXPECT_EQ(data, Bytes({0x00})) << "type " << type;
        ASSERT_TRUE(box.ReadValue(L"K", L"three", readType, data));
        EXPECT_EQ(data, Bytes({0x41, 0x41, 0x42})) << "type " << type;
    }
}

TEST(ExactStringBytes, OneAndThreeByteStringsStayExactThroughImportPasteAndUndo)
{
    constexpr int kCount = 100;
    RegistrySandbox box;
    std::wstring script = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + box.SubKey() +
                          L"\\Imported]\r\n";
    for (DWORD type : kStringTypes)
        for (size_t size : {size_t(1), size_t(3)})
            for (int i = 0; i < kCount; ++i)
                script += zv::Format(L"\"t%lu s%zu %03d\"=hex(%lx):", type, size, i, type) +
                          HexList(OddData(size, i)) + L"\r\n";
    ScriptParseResult parsed = ParseRegScriptText(script);
    ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
    ImportOutcome outcome = ApplyImport(PlanImport(std::move(parsed.operations)));
    EXPECT_TRUE(outcome.failures.empty());
    const TreeSnapshot expected = Expected(kCount);
    ASSERT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Imported"), expected) << "import";

    // A paste of the key copies every value as it is.
    box.CreateKey(L"Pasted");
    ScriptedPrompts user;
    CEzReg pasted(box.PathOf(L"Pasted"));
    ASSERT_TRUE(PasteKey(pasted, box.PathOf(L"Imported"), false));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Pasted\\Imported"), expected) << "paste";

    // Undo of its delete writes each value back as it was.
    ChangeJournal journal;
    {
        JournalRecorder record(&journal, L"Delete");
        record.AddTree(box.PathOf(L"Pasted\\Imported"));
        ASSERT_TRUE(DeleteRegistryKey(box.PathOf(L"Pasted\\Imported")));
    }
    std::vector<std::wstring> failures;
    ASSERT_TRUE(journal.Undo(failures));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Pasted\\Imported"), expected) << "undo";
}
