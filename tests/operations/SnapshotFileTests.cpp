// Snapshot files: taken from the registry, compared with it later, refused
// when damaged (fuzzed with seeded damage), and never left half written.
#include "base/Handles.h"
#include "base/Strings.h"
#include "operations/RegExport.h"
#include "operations/SnapshotFile.h"
#include "operations/TreeCompare.h"
#include "registry/EzReg.h"
#include "registry/LiveRegistry.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <random>
#include <set>

namespace
{
class Collected final : public ICompareSink
{
  public:
    void Rows(std::vector<DiffRow>&& batch) override
    {
        for (DiffRow& row : batch)
            all.insert(std::wstring(DiffKindText(row.kind)) + L"|" + row.path + L"|" + row.name);
    }
    std::set<std::wstring> all;
};

ULONGLONG FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The bytes of a snapshot of a small tree holding every value type.
std::vector<BYTE> SmallSnapshot(const RegistrySandbox& box)
{
    BuildEveryTypeTree(box, L"Tree");
    box.SetString(L"Tree\\Child\\Grandchild", L"g", L"1");
    std::wstring file = TempFilePath(L"small.zvsnap");
    EXPECT_TRUE(TakeSnapshot(LiveRegistry(), box.PathOf(L"Tree"), file).written);
    std::vector<BYTE> bytes = ReadFileBytes(file);
    DeleteFileW(file.c_str());
    return bytes;
}

// Sets the checksum after bytes changed, so that the parser itself is tried.
void Reseal(std::vector<BYTE>& bytes)
{
    if (bytes.size() < 8)
        return;
    ULONGLONG sum = 14695981039346656037ull;
    for (size_t i = 0; i < bytes.size() - 8; ++i)
        sum = (sum ^ bytes[i]) * 1099511628211ull;
    std::memcpy(bytes.data() + bytes.size() - 8, &sum, 8);
}
// A snapshot written by hand: depth keys nested in each other under "X".
std::vector<BYTE> NestedSnapshot(DWORD depth)
{
    std::vector<BYTE> bytes = {'Z', 'V', 'S', 'N', 'A', 'P', 0x1A, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    auto u16 = [&](WORD v) { bytes.insert(bytes.end(), {BYTE(v), BYTE(v >> 8)}); };
    auto u32 = [&](DWORD v) { u16(WORD(v)), u16(WORD(v >> 16)); };
    u32(1);
    u16(L'X');
    for (DWORD i = 0; i < depth; ++i)
    {
        bytes.push_back('K');
        u16(1);
        u16(L'k');
        u32(0);
        bytes.insert(bytes.end(), 8, 0);
    }
    bytes.insert(bytes.end(), depth, 'E');
    bytes.push_back('Z');
    u32(depth);
    u32(0);
    bytes.insert(bytes.end(), 8, 0);
    Reseal(bytes);
    return bytes;
}
} // namespace

TEST(SnapshotFile, ASnapshotComparesEqualToItsKeyAndThenShowsExactlyWhatChanged)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Tree");
    box.SetString(L"Tree\\Child\\Grandchild", L"g", L"1");
    box.SetString(L"Tree\\Gone", L"x", L"1");
    std::wstring file = TempFilePath(L"tree.zvsnap");
    SnapshotResult taken = TakeSnapshot(LiveRegistry(), box.PathOf(L"Tree"), file);
    ASSERT_TRUE(taken.written) << zv::ToUtf8(taken.error);
    SnapshotFileSource snapshot;
    std::wstring error;
    ASSERT_TRUE(snapshot.Load(file, error)) << zv::ToUtf8(error);
    EXPECT_EQ(snapshot.SavedPath(), box.PathOf(L"Tree"));
    EXPECT_EQ(snapshot.Keys(), taken.keys);

    CompareSide saved{snapshot, box.PathOf(L"Tree")}, live{LiveRegistry(), box.PathOf(L"Tree")};
    Collected same;
    CompareOptions options;
    CompareTotals totals = CompareTrees(saved, live, options, {}, same);
    EXPECT_TRUE(totals.Same()) << zv::ToUtf8(CompareEndReport(totals));
    EXPECT_EQ(totals.leftKeys, taken.keys);

    // Far smaller than the script of the same tree.
    std::wstring script = TempFilePath(L"tree.reg");
    CEzReg reader(box.PathOf(L"Tree"));
    ASSERT_TRUE(ExportKey(reader, script));
    EXPECT_LE(FileSize(file) * 10, FileSize(script) * 6) << FileSize(file) << " vs " << FileSize(script);
    DeleteFileW(script.c_str());

    box.SetString(L"Tree\\Child\\Grandchild", L"g", L"2");
    box.SetString(L"Tree\\New", L"n", L"1");
    RegDeleteTreeW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Tree\\Gone").c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Tree\\Gone").c_str());
    Collected changes;
    totals = CompareTrees(saved, live, options, {}, changes);
    EXPECT_EQ(changes.all, (std::set<std::wstring>{L"Data differs|Child\\Grandchild|g",
                                                   L"Key only right||New", L"Key only left||Gone"}));
    DeleteFileW(file.c_str());
}

TEST(SnapshotFile, KeysThatCouldNotBeReadAreSavedAsSuchAndReportedByACompare)
{
    RegistrySandbox box;
    box.SetString(L"Tree\\Open", L"v", L"1");
    box.SetString(L"Tree\\Locked\\Inner", L"v", L"1");
    box.DenyReading(L"Tree\\Locked");
    std::wstring file = TempFilePath(L"locked.zvsnap");
    SnapshotResult taken = TakeSnapshot(LiveRegistry(), box.PathOf(L"Tree"), file);
    box.AllowReading(L"Tree\\Locked");
    ASSERT_TRUE(taken.written);
    EXPECT_EQ(taken.unreadable, 1u);
    SnapshotFileSource snapshot;
    std::wstring error;
    ASSERT_TRUE(snapshot.Load(file, error)) << zv::ToUtf8(error);
    Collected rows;
    CompareTotals totals =
        CompareTrees({snapshot, box.PathOf(L"Tree")}, {LiveRegistry(), box.PathOf(L"Tree")}, {}, {}, rows);
    EXPECT_TRUE(rows.all.empty());
    EXPECT_EQ(totals.unreadable, 1u);
    ASSERT_EQ(totals.unreadablePaths.size(), 1u);
    EXPECT_EQ(totals.unreadablePaths[0].rfind(L"left: Locked", 0), 0u)
        << zv::ToUtf8(totals.unreadablePaths[0]);
    DeleteFileW(file.c_str());
}

TEST(SnapshotFile, ACancelledSnapshotLeavesNoFileAndKeepsTheOneThatWasThere)
{
    RegistrySandbox box;
    box.SetString(L"Tree\\A", L"v", L"1");
    std::wstring file = TempFilePath(L"cancel.zvsnap");
    {
        zv::unique_hfile old(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(old.get(), "old", 3, &written, nullptr);
    }
    std::atomic<zv::WorkerThread*> self{nullptr};
    zv::unique_handle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SnapshotResult result;
    zv::WorkerThread worker = zv::StartWorkerThread([&](const zv::StopToken& stop) -> unsigned {
        WaitForSingleObject(go.get(), INFINITE);
        result = TakeSnapshot(LiveRegistry(), box.PathOf(L"Tree"), file, stop,
                              [&](DWORD) { self.load()->RequestStop(); });
        return 0;
    });
    self = &worker;
    SetEvent(go.get());
    worker.Join();
    EXPECT_FALSE(result.written);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(ReadFileBytes(file), (std::vector<BYTE>{'o', 'l', 'd'}));
    EXPECT_EQ(GetFileAttributesW((file + L".partial").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(file.c_str());
}

TEST(SnapshotFile, DamagedNewerAndForeignFilesAreRefusedWithTheirReason)
{
    RegistrySandbox box;
    std::vector<BYTE> good = SmallSnapshot(box);
    SnapshotFileSource source;
    std::wstring error;
    ASSERT_TRUE(source.Parse(good, error)) << zv::ToUtf8(error);

    std::vector<BYTE> newer = good;
    newer[8] = 2;
    EXPECT_FALSE(source.Parse(newer, error));
    EXPECT_NE(error.find(L"newer"), std::wstring::npos) << zv::ToUtf8(error);
    std::vector<BYTE> foreign = {'r', 'e', 'g', 'f', 0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_FALSE(source.Parse(foreign, error));
    EXPECT_NE(error.find(L"not a snapshot"), std::wstring::npos);
    std::vector<BYTE> cut(good.begin(), good.end() - 20);
    EXPECT_FALSE(source.Parse(cut, error));
    std::vector<BYTE> miscounted = good;
    miscounted.at(good.size() - 16) ^= 1; // the footer's key count
    Reseal(miscounted);
    EXPECT_FALSE(source.Parse(miscounted, error));
    EXPECT_NE(error.find(L"counts"), std::wstring::npos) << zv::ToUtf8(error);
    std::vector<BYTE> flipped = good;
    flipped[good.size() / 2] ^= 1;
    EXPECT_FALSE(source.Parse(flipped, error));
    EXPECT_NE(error.find(L"checksum"), std::wstring::npos);
    LONG openError = ERROR_SUCCESS;
    EXPECT_FALSE(source.Open(box.PathOf(L"Tree"), KeyUse::Read, openError)) << "a refused file shows nothing";

    // Keys nested deeper than the registry allows would take a walk's stack.
    EXPECT_TRUE(source.Parse(NestedSnapshot(500), error)) << zv::ToUtf8(error);
    EXPECT_FALSE(source.Parse(NestedSnapshot(100000), error));
    EXPECT_NE(error.find(L"too deep"), std::wstring::npos) << zv::ToUtf8(error);
}

TEST(SnapshotFile, HundredThousandDamagedFilesNeverCrashHangOrPartlySucceed)
{
    RegistrySandbox box;
    std::vector<BYTE> good = SmallSnapshot(box);
    std::mt19937 random(20261210);
    size_t accepted = 0;
    for (int round = 0; round < 100000; ++round)
    {
        std::vector<BYTE> bytes = good;
        switch (random() % 5)
        {
        case 0:
            bytes.resize(random() % bytes.size());
            break;
        case 1:
            for (unsigned n = 1 + random() % 4; n; --n)
                bytes[random() % bytes.size()] = static_cast<BYTE>(random());
            break;
        case 2:
            bytes.insert(bytes.begin() + random() % bytes.size(), static_cast<BYTE>(random()));
            break;
        case 3:
            bytes.erase(bytes.begin() + random() % bytes.size());
            break;
        default:
            // A length or count field set large.
            std::memset(bytes.data() + random() % (bytes.size() - 4), 0xFF, 2 + random() % 3);
            break;
        }
        // Most damage is caught by the checksum; resealed, the parser itself is tried.
        if (random() % 4 != 0)
            Reseal(bytes);
        SnapshotFileSource source;
        std::wstring error;
        if (!source.Parse(bytes, error))
        {
            ASSERT_FALSE(error.empty());
            continue;
        }
        ++accepted;
        // Whatever was accepted is a whole tree a compare can walk to its end.
        Collected rows;
        CompareTotals totals =
            CompareTrees({source, source.SavedPath()}, {source, source.SavedPath()}, {}, {}, rows);
        EXPECT_EQ(totals.Differences(), 0u);
    }
    EXPECT_LT(accepted, 100000u);
}
