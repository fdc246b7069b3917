// Measures the tree's registry commands against the raw registry work and
// the platform's own tool, in the same run: Export of a synthetic tree of
// about 98,000 keys against "reg export" of the same key (and whether the
// two files are byte-identical), and Paste (a copy) and Delete of a tree of
// 10,000 keys against a raw copy walk and a raw delete walk. Rounds are
// interleaved; medians are printed with their ratios. Run through
// scripts/bench.sh.
#include "BenchClock.h"
#include "operations/KeyTransfer.h"
#include "operations/RegExport.h"
#include "registry/LiveRegistry.h"
#include "registry/EzReg.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
const wchar_t kBenchKey[] = L"Software\\ZorvaneTreeBench";
constexpr int kBranches = 98;
constexpr int kKeysPerBranch = 999; // plus the branch: 98,000 keys
constexpr int kPasteKeys = 10000;
constexpr int kRounds = 3;

// An ordinary key's values: every common type, nothing an exporter writes
// in another form than the platform's.
void FillValues(HKEY key, int n)
{
    std::wstring text = L"value " + std::to_wstring(n);
    RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    DWORD number = static_cast<DWORD>(n);
    RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    BYTE binary[24];
    for (size_t i = 0; i < sizeof binary; ++i)
        binary[i] = static_cast<BYTE>(n + i);
    RegSetValueExW(key, L"Bytes", 0, REG_BINARY, binary, sizeof binary);
    if (n % 10 == 0)
    {
        const wchar_t multi[] = L"one\0two\0";
        RegSetValueExW(key, L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
        const wchar_t expand[] = L"%SystemRoot%\\system32";
        RegSetValueExW(key, L"Path", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);
    }
}

HKEY CreateTree(HKEY parent, const wchar_t* name, int branches, int perBranch)
{
    HKEY top = nullptr;
    DWORD disposition = 0;
    RegCreateKeyExW(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &top, &disposition);
    if (disposition == REG_OPENED_EXISTING_KEY)
        return top;
    for (int b = 0; b < branches; ++b)
    {
        HKEY branch = nullptr;
        RegCreateKeyExW(top, (L"Branch" + std::to_wstring(1000 + b)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &branch, nullptr);
        FillValues(branch, b);
        for (int k = 0; k < perBranch; ++k)
        {
            HKEY key = nullptr;
            RegCreateKeyExW(branch, (L"Key" + std::to_wstring(10000 + k)).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
            FillValues(key, k);
            RegCloseKey(key);
        }
        RegCloseKey(branch);
    }
    return top;
}

// The raw work a copy has to do: every key created, every value read and written.
void RawCopy(HKEY from, HKEY to)
{
    std::vector<BYTE> data(4096);
    wchar_t name[16384];
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = 16384, size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(from, i, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        RegSetValueExW(to, name, 0, type, data.data(), size);
    }
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(from, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY childFrom = nullptr, childTo = nullptr;
        RegOpenKeyExW(from, name, 0, KEY_READ, &childFrom);
        RegCreateKeyExW(to, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &childTo, nullptr);
        RawCopy(childFrom, childTo);
        RegCloseKey(childFrom);
        RegCloseKey(childTo);
    }
}

std::vector<char> FileBytes(const std::wstring& path)
{
    std::vector<char> bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.insert(bytes.end(), buffer, buffer + read);
    CloseHandle(file);
    return bytes;
}

bool RunAndWait(std::wstring commandLine)
{
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code == 0;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    // "paste": only the paste and delete rounds.
    bool exportToo = !(argc > 1 && std::wstring(argv[1]) == L"paste");
    HKEY bench = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &bench, nullptr);
    double start = Now();
    HKEY big = CreateTree(bench, L"Export", kBranches, kKeysPerBranch);
    RegCloseKey(big);
    HKEY source = CreateTree(bench, L"PasteSource", 10, kPasteKeys / 10 - 1);
    std::printf("prepared in %.0f ms\n", Now() - start);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring ours = std::wstring(temp) + L"zorvane-bench-ours.reg";
    std::wstring theirs = std::wstring(temp) + L"zorvane-bench-theirs.reg";
    std::wstring exportPath = L"CURRENT_USER\\Software\\ZorvaneTreeBench\\Export";

    std::vector<double> ourExport, theirExport, paste, rawCopy, erase, rawErase;
    bool identical = true;
    double exportPerKey = 0, floorPerKey = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        double t = Now();
        if (exportToo)
        {
            CEzReg reader(exportPath);
            ExportReport report;
            unsigned long long requestsBefore = LiveRegistryRequests();
            bool written = ExportKey(reader, ours, &report);
            ourExport.push_back(Now() - t);
            // The floor of any walk: each key opened and closed, one request
            // per value and per sub-key name, and one ending each listing.
            exportPerKey = static_cast<double>(LiveRegistryRequests() - requestsBefore) / report.keys;
            floorPerKey = (5.0 * report.keys + report.values - 1) / report.keys;
            t = Now();
            bool exported = RunAndWait(L"reg.exe export \"HKEY_" + exportPath + L"\" \"" + theirs + L"\" /y");
            theirExport.push_back(Now() - t);
            identical = identical && written && exported && report.IsComplete() &&
                        FileBytes(ours) == FileBytes(theirs);
        }

        // Paste (a copy of the whole tree into a fresh key) against a raw copy walk.
        std::wstring target = L"CURRENT_USER\\Software\\ZorvaneTreeBench\\Target";
        RegDeleteTreeW(bench, L"Target");
        RegDeleteTreeW(bench, L"RawTarget");
        HKEY made = nullptr;
        RegCreateKeyExW(bench, L"Target", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr);
        RegCloseKey(made);
        t = Now();
        CEzReg destination(target);
        bool pasted = PasteKey(destination, L"CURRENT_USER\\Software\\ZorvaneTreeBench\\PasteSource", false);
        paste.push_back(Now() - t);
        t = Now();
        HKEY raw = nullptr;
        RegCreateKeyExW(bench, L"RawTarget", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
        RawCopy(source, raw);
        RegCloseKey(raw);
        rawCopy.push_back(Now() - t);

        // Delete of the pasted tree against a raw delete of the raw copy.
        t = Now();
        bool deleted = DeleteRegistryKey(target + L"\\PasteSource");
        erase.push_back(Now() - t);
        t = Now();
        RegDeleteTreeW(bench, L"RawTarget");
        rawErase.push_back(Now() - t);
        if (!pasted || !deleted)
            std::printf("round %d: paste %s, delete %s\n", round, pasted ? "ok" : "FAILED",
                        deleted ? "ok" : "FAILED");
    }
    RegDeleteTreeW(bench, L"Target");
    DeleteFileW(ours.c_str());
    DeleteFileW(theirs.c_str());
    RegCloseKey(source);
    RegCloseKey(bench);

    if (exportToo)
        std::printf("export of %d keys: %.0f ms, reg export %.0f ms, ratio %.2f, files %s\n",
                    kBranches * (kKeysPerBranch + 1), Median(ourExport), Median(theirExport),
                    Median(ourExport) / Median(theirExport), identical ? "byte-identical" : "DIFFER");
    if (exportToo)
        std::printf("registry requests per key: export through the key source %.3f, a walk's floor %.3f\n",
                    exportPerKey, floorPerKey);
    std::printf("paste of %d keys: %.0f ms, raw copy walk %.0f ms, ratio %.2f\n", kPasteKeys, Median(paste),
                Median(rawCopy), Median(paste) / Median(rawCopy));
    std::printf("delete of %d keys: %.0f ms, raw delete %.0f ms, ratio %.2f\n", kPasteKeys, Median(erase),
                Median(rawErase), Median(erase) / Median(rawErase));
    return 0;
}
