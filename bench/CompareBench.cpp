// Measures compare and snapshots against the raw registry work, in the same
// run: two trees of about 98,000 keys and 390,000 values (the second a copy
// of the first with known changes), a raw depth-first walk of each reading
// every name and every value's data (the floor), then the compare of the two,
// a snapshot of the first and the compare of that snapshot with its key.
// Rounds are interleaved; medians, ratios, requests per key and the
// snapshot's size against the registry script of the same tree are printed.
// Run through scripts/bench.sh.
#include "BenchClock.h"
#include "operations/RegExport.h"
#include "operations/SnapshotFile.h"
#include "operations/TreeCompare.h"
#include "registry/EzReg.h"
#include "registry/LiveRegistry.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
const wchar_t kBenchKey[] = L"Software\\ZorvaneCompareBench";
const std::wstring kBenchPath = L"CURRENT_USER\\Software\\ZorvaneCompareBench";
constexpr int kBranches = 98;
constexpr int kKeysPerBranch = 999;
constexpr int kRounds = 3;

unsigned long long g_rawRequests = 0;
unsigned g_rawKeys = 0;

void SetString(HKEY key, const wchar_t* name, const std::wstring& text)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Left: four values a key. Right: a copy with a value changed in every
// 1,000th key, a key removed from every tenth branch and one added to it.
void Prepare()
{
    HKEY bench = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &bench, nullptr);
    HKEY left = nullptr;
    DWORD disposition = 0;
    RegCreateKeyExW(bench, L"Left", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &left, &disposition);
    if (disposition == REG_CREATED_NEW_KEY)
    {
        unsigned state = 12345;
        for (int b = 0; b < kBranches; ++b)
        {
            HKEY branch = nullptr;
            RegCreateKeyExW(left, (L"Branch" + std::to_wstring(1000 + b)).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &branch, nullptr);
            for (int k = 0; k < kKeysPerBranch; ++k)
            {
                state = state * 1103515245u + 12345u;
                HKEY key = nullptr;
                RegCreateKeyExW(branch, (L"Key" + std::to_wstring(10000 + k)).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr);
                SetString(key, L"Path",
                          L"C:\\Program Files\\Vendor\\file" + std::to_wstring(state) + L".dll");
                DWORD number = state;
                RegSetValueExW(key, L"Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
                BYTE bytes[16];
                for (BYTE& byte : bytes)
                    byte = static_cast<BYTE>(state >>= 1);
                RegSetValueExW(key, L"Blob", 0, REG_BINARY, bytes, sizeof bytes);
                SetString(key, L"Description", L"Component number " + std::to_wstring(b * 1000 + k));
                RegCloseKey(key);
            }
            RegCloseKey(branch);
        }
    }
    RegDeleteTreeW(bench, L"Right");
    HKEY right = nullptr;
    RegCreateKeyExW(bench, L"Right", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &right, nullptr);
    RegCopyTreeW(left, nullptr, right);
    for (int b = 0; b < kBranches; b += 10)
    {
        std::wstring branch = L"Branch" + std::to_wstring(1000 + b);
        RegDeleteTreeW(right, (branch + L"\\Key10005").c_str());
        RegDeleteKeyW(right, (branch + L"\\Key10005").c_str());
        HKEY added = nullptr;
        RegCreateKeyExW(right, (branch + L"\\Added").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &added,
                        nullptr);
        RegCloseKey(added);
    }
    for (int b = 0; b < kBranches; ++b)
    {
        HKEY key = nullptr;
        std::wstring path = L"Branch" + std::to_wstring(1000 + b) + L"\\Key10500";
        if (RegOpenKeyExW(right, path.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS)
        {
            SetString(key, L"Description", L"changed");
            RegCloseKey(key);
        }
    }
    RegCloseKey(right);
    RegCloseKey(left);
    RegCloseKey(bench);
}

// The floor: every key opened once, every name and every value's data read.
void RawWalk(HKEY key, std::vector<BYTE>& data, std::vector<wchar_t>& name)
{
    ++g_rawKeys;
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        ++g_rawRequests;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
    }
    wchar_t child[256];
    for (DWORD i = 0;; ++i)
    {
        DWORD length = 256;
        ++g_rawRequests;
        if (RegEnumKeyExW(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        ++g_rawRequests;
        if (RegOpenKeyExW(key, child, 0, KEY_READ, &sub) == ERROR_SUCCESS)
        {
            RawWalk(sub, data, name);
            ++g_rawRequests;
            RegCloseKey(sub);
        }
    }
}

double TimeRawWalk(const wchar_t* side)
{
    std::vector<BYTE> data(4096);
    std::vector<wchar_t> name(16384);
    double t = Now();
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kBenchKey) + L"\\" + side).c_str(), 0, KEY_READ, &key);
    RawWalk(key, data, name);
    RegCloseKey(key);
    return Now() - t;
}

class Counting final : public ICompareSink
{
  public:
    void Rows(std::vector<DiffRow>&& rows) override { count += rows.size(); }
    size_t count = 0;
};

ULONGLONG FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
} // namespace

int wmain()
{
    double t = Now();
    Prepare();
    std::printf("prepared in %.0f ms\n", Now() - t);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring snapshotFile = std::wstring(temp) + L"zorvane-bench.zvsnap";
    std::wstring scriptFile = std::wstring(temp) + L"zorvane-bench-compare.reg";
    CompareSide left{LiveRegistry(), kBenchPath + L"\\Left"}, right{LiveRegistry(), kBenchPath + L"\\Right"};

    std::vector<double> raw, compare, snapshot, withSnapshot, rawLeft;
    size_t rows = 0, snapshotRows = 0;
    double rawPerKey = 0, comparePerKey = 0;
    CompareTotals totals;
    for (int round = 0; round < kRounds; ++round)
    {
        g_rawRequests = 0;
        g_rawKeys = 0;
        double leftMs = TimeRawWalk(L"Left");
        raw.push_back(leftMs + TimeRawWalk(L"Right"));
        rawLeft.push_back(leftMs);
        rawPerKey = static_cast<double>(g_rawRequests) / g_rawKeys;

        Counting sink;
        unsigned long long before = LiveRegistryRequests();
        t = Now();
        totals = CompareTrees(left, right, {}, {}, sink);
        compare.push_back(Now() - t);
        rows = sink.count;
        comparePerKey =
            static_cast<double>(LiveRegistryRequests() - before) / (totals.leftKeys + totals.rightKeys);

        t = Now();
        SnapshotResult taken = TakeSnapshot(LiveRegistry(), left.path, snapshotFile);
        snapshot.push_back(Now() - t);
        if (!taken.written)
            std::printf("snapshot FAILED\n");
        SnapshotFileSource saved;
        std::wstring error;
        t = Now();
        saved.Load(snapshotFile, error);
        Counting again;
        CompareTotals same = CompareTrees({saved, left.path}, left, {}, {}, again);
        withSnapshot.push_back(Now() - t);
        snapshotRows = again.count + (same.Same() ? 0 : 1000000);
    }
    CEzReg reader(left.path);
    ExportKey(reader, scriptFile);
    std::printf("raw walks of both trees %.0f ms (%u keys)\n", Median(raw), g_rawKeys);
    std::printf(
        "compare %.0f ms, %zu rows (%lu keys only left, %lu only right, %lu data differs), ratio to the raw "
        "walks %.2f (target <= 1.10)\n",
        Median(compare), rows, totals.counts[static_cast<int>(DiffKind::KeyOnlyLeft)],
        totals.counts[static_cast<int>(DiffKind::KeyOnlyRight)],
        totals.counts[static_cast<int>(DiffKind::DataDiffers)], Median(compare) / Median(raw));
    std::printf("registry requests per key: raw walk %.3f, compare %.3f\n", rawPerKey, comparePerKey);
    std::printf("take snapshot %.0f ms, raw walk of that tree %.0f ms, ratio %.2f (target <= 1.10)\n",
                Median(snapshot), Median(rawLeft), Median(snapshot) / Median(rawLeft));
    std::printf(
        "compare with snapshot %.0f ms (reading the file included), %zu rows, ratio to the raw walk of the "
        "live side %.2f (target <= 1.10)\n",
        Median(withSnapshot), snapshotRows, Median(withSnapshot) / Median(rawLeft));
    std::printf("snapshot file %llu bytes, registry script %llu bytes, ratio %.2f (target <= 0.60)\n",
                FileSize(snapshotFile), FileSize(scriptFile),
                static_cast<double>(FileSize(snapshotFile)) / static_cast<double>(FileSize(scriptFile)));
    DeleteFileW(snapshotFile.c_str());
    DeleteFileW(scriptFile.c_str());
    return 0;
}
