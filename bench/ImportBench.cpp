// Import benchmark: the search benchmark's tree (about 98,000 keys and
// 390,000 values; search_bench makes it) exported by us, its key paths moved
// to a fresh place, then imported into an empty place, in interleaved
// rounds: the platform's "reg import" of the file against our parse, preview
// (the comparison with the registry) and apply; and the preview against a
// raw walk reading every name and value of the same tree, both into the
// empty place and again over the tree the import made. Prints medians and
// ratios.
#include "BenchClock.h"
#include "operations/RegExport.h"
#include "operations/ImportPlan.h"
#include "operations/RegScriptParser.h"
#include "registry/EzReg.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
const wchar_t kSource[] = L"Software\\ZorvaneSearchBench";
const wchar_t kTarget[] = L"Software\\ZorvaneImportBench";

DWORD Run(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

size_t RawWalk(HKEY key, std::vector<BYTE>& data, std::vector<wchar_t>& name)
{
    size_t keys = 1;
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
    }
    wchar_t child[256];
    for (DWORD i = 0;; ++i)
    {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, child, 0, KEY_READ, &sub) == ERROR_SUCCESS)
        {
            keys += RawWalk(sub, data, name);
            RegCloseKey(sub);
        }
    }
    return keys;
}

// Our export of the source, its sections moved to the target, as a file.
bool MakeFile(const std::wstring& file)
{
    std::wstring exported = file + L".source";
    CEzReg source(L"CURRENT_USER\\" + std::wstring(kSource));
    if (!ExportKey(source, exported))
        return false;
    HANDLE in = CreateFileW(exported.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size = {};
    GetFileSizeEx(in, &size);
    std::wstring text(static_cast<size_t>(size.QuadPart / 2), L'\0');
    DWORD got = 0;
    ReadFile(in, text.data(), static_cast<DWORD>(size.QuadPart), &got, nullptr);
    CloseHandle(in);
    DeleteFileW(exported.c_str());
    std::wstring from = L"[HKEY_CURRENT_USER\\" + std::wstring(kSource);
    std::wstring to = L"[HKEY_CURRENT_USER\\" + std::wstring(kTarget);
    std::wstring moved;
    moved.reserve(text.size() + text.size() / 20);
    size_t at = 0;
    for (size_t hit; (hit = text.find(from, at)) != std::wstring::npos; at = hit + from.size())
        moved.append(text, at, hit - at).append(to);
    moved.append(text, at, std::wstring::npos);
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, moved.data(), static_cast<DWORD>(moved.size() * 2), &written, nullptr);
    CloseHandle(out);
    return true;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    int rounds = argc > 1 ? _wtoi(argv[1]) : 3;
    HKEY source = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSource, 0, KEY_READ, &source) != ERROR_SUCCESS)
    {
        std::printf("run search_bench first: it makes the tree\n");
        return 1;
    }
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring file = std::wstring(folder) + L"zorvane-import-bench.reg";
    double t = Now();
    if (!MakeFile(file))
        return 1;
    std::printf("file made in %.0f ms\n", Now() - t);

    std::vector<double> platform, ours, preview, raw, parsing, writing, again;
    std::vector<BYTE> data(4096);
    std::vector<wchar_t> name(16384);
    size_t keys = 0;
    ImportOutcome outcome;
    for (int round = 0; round < rounds; ++round)
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kTarget);
        t = Now();
        DWORD code = Run(L"reg.exe import \"" + file + L"\"");
        platform.push_back(Now() - t);
        HKEY imported = nullptr;
        size_t importedKeys = 0;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kTarget, 0, KEY_READ, &imported) == ERROR_SUCCESS)
        {
            importedKeys = RawWalk(imported, data, name);
            RegCloseKey(imported);
        }
        if (code != 0 || importedKeys == 0)
            std::printf("round %d: reg import ended with %lu and made %zu keys\n", round + 1, code,
                        importedKeys);

        RegDeleteTreeW(HKEY_CURRENT_USER, kTarget);
        t = Now();
        ScriptParseResult parsed = ParseRegScriptFile(file);
        parsing.push_back(Now() - t);
        ImportPlan plan = PlanImport(std::move(parsed.operations));
        preview.push_back(Now() - t);
        double applying = Now();
        outcome = ApplyImport(plan);
        writing.push_back(Now() - applying);
        ours.push_back(Now() - t);

        // The same file against the tree it just made: every value compared.
        t = Now();
        ScriptParseResult reread = ParseRegScriptFile(file);
        ImportPlan unchanged = PlanImport(std::move(reread.operations));
        again.push_back(Now() - t);

        t = Now();
        keys = RawWalk(source, data, name);
        raw.push_back(Now() - t);
        std::printf(
            "round %d: reg import %.0f, ours %.0f (writing %.0f), preview over the tree %.0f, raw walk %.0f "
            "ms\n",
            round + 1, platform.back(), ours.back(), writing.back(), again.back(), raw.back());
        std::fflush(stdout);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kTarget);
    RegCloseKey(source);
    DeleteFileW(file.c_str());
    std::printf("%d rounds, %zu keys; ours wrote %lu values, %lu keys created, %zu failures\n", rounds, keys,
                outcome.valuesWritten, outcome.keysCreated, outcome.failures.size());
    std::printf(
        "reg import %.0f ms; our import (read, preview, apply) %.0f ms; ratio %.2f (target <= 1.00)\n",
        Median(platform), Median(ours), Median(ours) / Median(platform));
    std::printf(
        "preview (read and compare) %.0f ms; raw walk of the same keys %.0f ms; ratio %.2f (target <= "
        "1.10)\n",
        Median(preview), Median(raw), Median(preview) / Median(raw));
    std::printf(
        "preview against the imported tree (every value compared) %.0f ms; ratio to the raw walk %.2f "
        "(target <= 1.10)\n",
        Median(again), Median(again) / Median(raw));
    std::printf("of ours: reading the file %.0f ms, comparing %.0f ms, writing %.0f ms\n", Median(parsing),
                Median(preview) - Median(parsing), Median(writing));
    return 0;
}
