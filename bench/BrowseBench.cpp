// Measures what a user waits for while browsing, against the raw registry
// work measured in the same run: the expansion of a key with 50,000 sub-keys
// (the time the window's thread is busy, its longest single message, and
// the time until every child is shown and has its button) and the fill of a
// list of 10,000 values. Rounds are interleaved; medians are printed with
// their ratios to the raw enumeration. Run through scripts/bench.sh.
#include "BenchClock.h"
#include "app/NavroDoc.h"
#include "app/framework/DocTemplate.h"
#include "app/framework/WinApp.h"
#include "base/SettingsStore.h"
#include "frame/MainFrame.h"
#include "registry/EzReg.h"
#include "tree/LeftView.h"
#include "values/NavroView.h"

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{
const wchar_t kBenchKey[] = L"Software\\ZorvaneBench";
constexpr int kKeys = 50000;
constexpr int kValues = 10000;
constexpr int kRounds = 3;

// What the window's thread spent on messages while pumping.
struct Busy
{
    double total = 0;
    double longest = 0;
    void Add(double ms)
    {
        total += ms;
        longest = std::max(longest, ms);
    }
};

// Pumps until done() holds, timing every message the program handles.
void PumpUntil(const std::function<bool()>& done, Busy& busy)
{
    while (!done())
    {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            continue;
        }
        double start = Now();
        if (!AfxGetApp()->PreTranslateMessage(&msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        busy.Add(Now() - start);
    }
}

void Prepare()
{
    HKEY bench = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &bench, nullptr);
    HKEY wide = nullptr;
    RegCreateKeyExW(bench, L"Wide", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &wide, nullptr);
    DWORD existing = 0;
    RegQueryInfoKeyW(wide, nullptr, nullptr, nullptr, &existing, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    for (int i = static_cast<int>(existing); i < kKeys; ++i)
    {
        wchar_t name[32];
        swprintf(name, 32, L"Key%06d", i);
        HKEY child = nullptr;
        RegCreateKeyExW(wide, name, 0, nullptr, 0, KEY_WRITE, nullptr, &child, nullptr);
        if (i % 10 == 0)
        {
            HKEY inner = nullptr;
            RegCreateKeyExW(child, L"Inner", 0, nullptr, 0, KEY_WRITE, nullptr, &inner, nullptr);
            RegCloseKey(inner);
        }
        RegCloseKey(child);
    }
    RegCloseKey(wide);
    HKEY list = nullptr;
    RegCreateKeyExW(bench, L"Values", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &list, nullptr);
    for (int i = 0; i < kValues; ++i)
    {
        wchar_t name[32];
        swprintf(name, 32, L"Value%05d", i);
        std::wstring data = L"C:\\Windows\\system32\\file" + std::to_wstring(i) + L".dll";
        RegSetValueExW(list, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(list);
    RegCloseKey(bench);
}

struct Series
{
    const char* name;
    std::vector<double> values;
};
} // namespace

int wmain()
{
    OleInitialize(nullptr);
    Prepare();
    CWinApp app(L"ZorvaneBench");
    app.SetRegistryKey(L"ZorvaneBench");
    auto* docTemplate = new CSingleDocTemplate(
        IDR_MAINFRAME, [] { return new CNavroDoc; }, [] { return static_cast<CFrameWnd*>(new CMainFrame); },
        nullptr);
    app.AddDocTemplate(docTemplate);
    Settings().DeleteProfileSection(L"RecentPath");
    auto* doc = static_cast<CNavroDoc*>(docTemplate->OpenDocumentFile(nullptr, true));
    auto* frame = dynamic_cast<CMainFrame*>(app.m_pMainWnd);
    if (!doc || !frame)
        return 1;
    Busy ignore;
    PumpUntil([] { return true; }, ignore);

    const std::wstring wide = L"CURRENT_USER\\Software\\ZorvaneBench\\Wide";
    const std::wstring values = L"CURRENT_USER\\Software\\ZorvaneBench\\Values";
    Series rawNames{"raw_enumerate_50000_subkey_names_ms", {}};
    Series expandBusy{"expand_window_busy_ms", {}};
    Series expandLongest{"expand_longest_message_ms", {}};
    Series expandShown{"expand_all_children_shown_ms", {}};
    Series expandButtons{"expand_all_buttons_ms", {}};
    Series rawValues{"raw_enumerate_10000_values_with_data_text_ms", {}};
    Series fillBusy{"fill_window_busy_ms", {}};
    Series fillLongest{"fill_longest_message_ms", {}};
    int shownChildren = 0, shownValues = 0;

    for (int round = 0; round < kRounds; ++round)
    {
        {
            double t0 = Now();
            CEzReg key(wide);
            int n = 0;
            for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
                ++n;
            rawNames.values.push_back(Now() - t0);
        }
        {
            // A fresh tree item each round: back to the parent, collapse and
            // delete the children, so the next expansion is a first one.
            CLeftView& tree = *frame->TreePane();
            doc->GoTo(nullptr, wide.c_str(), true);
            PumpUntil([&] { return !tree.IsBusy(); }, ignore);
            HTREEITEM item = tree.FindItemByPath(wide, nullptr);
            HTREEITEM parent = tree.Parent(item);
            doc->GoTo(nullptr, L"CURRENT_USER\\Software\\ZorvaneBench", true);
            tree.Ctrl().DeleteItem(item);
            doc->GoTo(nullptr, wide.c_str(), true);
            item = tree.FindItemByPath(wide, nullptr);
            (void)parent;
            Busy busy;
            double t0 = Now();
            tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            busy.Add(Now() - t0);
            PumpUntil([&] { return !tree.IsLoading(item); }, busy);
            double shown = Now() - t0;
            PumpUntil([&] { return !tree.IsBusy(); }, busy);
            expandButtons.values.push_back(Now() - t0);
            expandShown.values.push_back(shown);
            expandBusy.values.push_back(busy.total);
            expandLongest.values.push_back(busy.longest);
            shownChildren = 0;
            for (HTREEITEM child = tree.Child(item); child; child = tree.Next(child))
                ++shownChildren;
        }
        {
            double t0 = Now();
            CEzReg reader(values);
            int n = 0;
            for (bool more = reader.FirstValue(); more; more = reader.NextValue())
                n += reader.DataText().size() > 0;
            rawValues.values.push_back(Now() - t0);
        }
        {
            doc->GoTo(nullptr, L"CURRENT_USER\\Software\\ZorvaneBench", true);
            PumpUntil([&] { return !frame->ValuePane()->IsFilling(); }, ignore);
            Busy busy;
            double t0 = Now();
            doc->GoTo(nullptr, values.c_str(), true);
            busy.Add(Now() - t0);
            PumpUntil([&] { return !frame->ValuePane()->IsFilling(); }, busy);
            // What a user sees first: the rows on the screen, links and all.
            UpdateWindow(frame->ValuePane()->m_hWnd);
            fillBusy.values.push_back(busy.total);
            fillLongest.values.push_back(busy.longest);
            shownValues = frame->ValuePane()->ItemCount();
        }
    }

    for (const Series* s : {&rawNames, &expandBusy, &expandLongest, &expandShown, &expandButtons, &rawValues,
                            &fillBusy, &fillLongest})
        std::printf("%s=%.1f\n", s->name, Median(s->values));
    std::printf("expand_children_shown=%d\n", shownChildren);
    std::printf("values_shown=%d\n", shownValues);
    std::printf("ratio_expand_window_busy_to_raw_names=%.2f (target <= 1.20)\n",
                Median(expandBusy.values) / Median(rawNames.values));
    std::printf("ratio_fill_window_busy_to_raw_values=%.2f (target <= 1.50)\n",
                Median(fillBusy.values) / Median(rawValues.values));
    std::printf("longest_message_ms=%.1f (target <= 100)\n",
                std::max(Median(expandLongest.values), Median(fillLongest.values)));

    SendMessageW(frame->m_hWnd, WM_CLOSE, 0, 0);
    PumpUntil([] { return true; }, ignore);
    OleUninitialize();
    return 0;
}
