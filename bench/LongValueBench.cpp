// Long-value import benchmark: a binary value of 16 MB exported by us (its
// bytes over continuation lines of 80 columns, about 650,000 of them) and the
// same bytes written on one line, each parsed, compared with the registry and
// written, in interleaved rounds; the platform's "reg import" of the exported
// file beside them. Reading must be linear in the file's size: the continued
// file may take at most twice the time of the one-line file. Prints medians
// and the ratio.
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
const wchar_t kKey[] = L"Software\\ZorvaneLongValueBench";
constexpr DWORD kBytes = 16u << 20;

DWORD Run(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
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

bool WriteUtf16(const std::wstring& path, const std::wstring& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::wstring withMark = L"\xFEFF" + text;
    DWORD written = 0;
    bool ok = WriteFile(file, withMark.data(), static_cast<DWORD>(withMark.size() * sizeof(wchar_t)),
                        &written, nullptr) != FALSE;
    CloseHandle(file);
    return ok;
}

// Parse, compare and write one file; false when anything failed.
bool ImportFile(const std::wstring& path)
{
    ScriptParseResult parsed = ParseRegScriptFile(path);
    if (!parsed.ok)
    {
        std::printf("parse failed: %ls\n", parsed.error.c_str());
        return false;
    }
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    return ApplyImport(plan).failures.empty();
}

void DeleteValue()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS)
    {
        RegDeleteValueW(key, L"Big");
        RegCloseKey(key);
    }
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    int rounds = argc > 1 ? _wtoi(argv[1]) : 3;
    std::vector<BYTE> bytes(kBytes);
    for (DWORD i = 0; i < kBytes; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + (i >> 9));
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, L"Big", 0, REG_BINARY, bytes.data(), kBytes);
    RegCloseKey(key);

    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring continued = std::wstring(folder) + L"zorvane-long-continued.reg";
    std::wstring oneLine = std::wstring(folder) + L"zorvane-long-one-line.reg";
    CEzReg exported(std::wstring(L"CURRENT_USER\\") + kKey);
    if (!ExportKey(exported, continued))
    {
        std::printf("export failed\n");
        return 1;
    }
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" +
                        std::wstring(kKey) + L"]\r\n\"Big\"=hex:";
    text.reserve(text.size() + kBytes * 3 + 4);
    static const wchar_t digits[] = L"0123456789abcdef";
    for (DWORD i = 0; i < kBytes; ++i)
    {
        if (i)
            text += L',';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    text += L"\r\n";
    if (!WriteUtf16(oneLine, text))
        return 1;

    std::vector<double> continuedMs, oneLineMs, platformMs;
    for (int round = 0; round < rounds; ++round)
    {
        DeleteValue();
        double t = Now();
        if (!ImportFile(continued))
            return 1;
        continuedMs.push_back(Now() - t);
        DeleteValue();
        t = Now();
        if (!ImportFile(oneLine))
            return 1;
        oneLineMs.push_back(Now() - t);
        DeleteValue();
        t = Now();
        Run(L"reg.exe import \"" + continued + L"\"");
        platformMs.push_back(Now() - t);
    }
    DeleteFileW(continued.c_str());
    DeleteFileW(oneLine.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    double ratio = Median(continuedMs) / Median(oneLineMs);
    std::printf(
        "16 MB value over continuation lines: %.0f ms; on one line: %.0f ms; ratio %.2f (target <= 2)\n",
        Median(continuedMs), Median(oneLineMs), ratio);
    std::printf("platform's reg import of the continued file: %.0f ms\n", Median(platformMs));
    return ratio <= 2.0 ? 0 : 1;
}
