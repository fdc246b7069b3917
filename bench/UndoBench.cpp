// Undo benchmark: a tree of 5,000 keys holding every value type is pasted
// (copied) to a fresh place, and the copy is deleted through the journal and
// brought back by Undo, in interleaved rounds. Prints the medians of the
// paste, of reading the tree before the delete, and of the undo, and the
// undo's ratio to the paste (target <= 1.20).
#include "BenchClock.h"
#include "operations/ChangeJournal.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
const wchar_t kBase[] = L"Software\\ZorvaneUndoBench";

void SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
}

// Source\G<n>\K<i>: 50 groups of 100 keys, each key with every value type.
bool MakeSource()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
    std::vector<BYTE> binary(300);
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<BYTE>(i * 13);
    for (int i = 0; i < 5000; ++i)
    {
        std::wstring path =
            std::wstring(kBase) + L"\\Source\\G" + std::to_wstring(i / 100) + L"\\K" + std::to_wstring(i);
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        DWORD dword = static_cast<DWORD>(i);
        ULONGLONG qword = 0x0102030405060708ull + i;
        SetValue(key, L"", REG_SZ, L"default text", 26);
        SetValue(key, L"expand", REG_EXPAND_SZ, L"%PATH%\\x", 18);
        SetValue(key, L"multi", REG_MULTI_SZ, L"one\0two\0", 18);
        SetValue(key, L"dword", REG_DWORD, &dword, 4);
        SetValue(key, L"qword", REG_QWORD, &qword, 8);
        SetValue(key, L"binary", REG_BINARY, binary.data(), static_cast<DWORD>(binary.size()));
        SetValue(key, L"none", REG_NONE, binary.data(), 3);
        SetValue(key, L"big endian", REG_DWORD_BIG_ENDIAN, &dword, 4);
        SetValue(key, L"custom", 0x1234, binary.data(), 7);
        RegCloseKey(key);
    }
    return true;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    int rounds = argc > 1 ? _wtoi(argv[1]) : 5;
    double t = Now();
    if (!MakeSource())
    {
        std::printf("the source tree could not be made\n");
        return 1;
    }
    std::printf("source made in %.0f ms\n", Now() - t);
    const std::wstring base = L"CURRENT_USER\\" + std::wstring(kBase);
    const std::wstring copy = base + L"\\Copy\\Source";
    std::vector<double> paste, record, undo;
    size_t failures = 0;
    for (int round = 0; round < rounds; ++round)
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kBase) + L"\\Copy").c_str());
        CEzReg target(base + L"\\Copy");
        target.CreateKey();
        t = Now();
        PasteKey(target, base + L"\\Source", false);
        paste.push_back(Now() - t);

        ChangeJournal journal;
        {
            t = Now();
            JournalRecorder recorder(&journal, L"Delete");
            recorder.AddTree(copy);
            record.push_back(Now() - t);
            DeleteRegistryKey(copy);
        }
        std::vector<std::wstring> failed;
        t = Now();
        std::vector<std::wstring> conflicts = journal.UndoConflicts();
        journal.Undo(failed);
        undo.push_back(Now() - t);
        failures += failed.size() + conflicts.size();
        std::printf("round %d: paste %.0f ms, reading for undo %.0f ms, undo %.0f ms\n", round + 1,
                    paste.back(), record.back(), undo.back());
        std::fflush(stdout);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
    RegDeleteKeyW(HKEY_CURRENT_USER, kBase);
    std::printf("%d rounds of 5,000 keys and 45,000 values; %zu failures\n", rounds, failures);
    std::printf(
        "paste %.0f ms; reading the tree before the delete %.0f ms; undo (check and restore) %.0f ms\n",
        Median(paste), Median(record), Median(undo));
    std::printf("undo / paste %.2f (target <= 1.20)\n", Median(undo) / Median(paste));
    return 0;
}
