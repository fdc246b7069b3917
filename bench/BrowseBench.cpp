// Measures what a user waits for while browsing: the window's start, the
// expansion of a key with 50,000 sub-keys (time the window is blocked, and
// time until every child has its button), and the fill of a list of 10,000
// values. Run through scripts/bench.sh; prints one "name=milliseconds" line each.
#include "app/NavroDoc.h"
#include "base/Shutdown.h"
#include "app/framework/DocTemplate.h"
#include "base/SettingsStore.h"
#include "app/framework/WinApp.h"
#include "frame/MainFrame.h"
#include "registry/EzReg.h"
#include "tree/LeftView.h"
#include "values/NavroView.h"

#include <ole2.h>

#include <cstdio>
#include <string>

namespace
{
const wchar_t kBenchKey[] = L"Software\\ZorvaneBench";

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (!AfxGetApp()->PreTranslateMessage(&msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void Prepare(int keys, int values)
{
    HKEY bench = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &bench, nullptr);
    HKEY wide = nullptr;
    RegCreateKeyExW(bench, L"Wide", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &wide, nullptr);
    DWORD existing = 0;
    RegQueryInfoKeyW(wide, nullptr, nullptr, nullptr, &existing, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    for (int i = static_cast<int>(existing); i < keys; ++i)
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
    for (int i = 0; i < values; ++i)
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

double Ms(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}
} // namespace

int wmain()
{
    OleInitialize(nullptr);
    Prepare(50000, 10000);
    CWinApp app(L"ZorvaneBench");
    app.SetRegistryKey(L"ZorvaneBench");
    auto* docTemplate = new CSingleDocTemplate(
        IDR_MAINFRAME, [] { return new CNavroDoc; }, [] { return static_cast<CFrameWnd*>(new CMainFrame); },
        nullptr);
    app.AddDocTemplate(docTemplate);
    // A start without a last location to go back to: the window alone.
    Settings().DeleteProfileSection(L"RecentPath");

    LARGE_INTEGER start = Now();
    auto* doc = static_cast<CNavroDoc*>(docTemplate->OpenDocumentFile(nullptr, true));
    Pump();
    std::printf("start_window_ms=%.1f\n", Ms(start, Now()));
    auto* frame = dynamic_cast<CMainFrame*>(app.m_pMainWnd);
    if (!doc || !frame)
        return 1;
    CLeftView& tree = *frame->TreePane();

    std::wstring wide = L"CURRENT_USER\\Software\\ZorvaneBench\\Wide";
    doc->GoTo(nullptr, wide.c_str(), true);
    HTREEITEM item = tree.FindItemByPath(wide, nullptr);
    {
        LARGE_INTEGER t0 = Now();
        CEzReg key(wide);
        int n = 0;
        for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
            ++n;
        std::printf("enumerate_%d_subkeys_ms=%.1f\n", n, Ms(t0, Now()));
    }
    LARGE_INTEGER before = Now();
    tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    LARGE_INTEGER shown = Now();
    while (tree.IsBusy())
    {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    LARGE_INTEGER buttons = Now();
    int children = 0;
    for (HTREEITEM child = tree.Child(item); child; child = tree.Next(child))
        ++children;
    std::printf("expand_50000_children_blocked_ms=%.1f\n", Ms(before, shown));
    std::printf("expand_50000_children_buttons_done_ms=%.1f\n", Ms(before, buttons));
    std::printf("expand_children_shown=%d\n", children);

    before = Now();
    doc->GoTo(nullptr, L"CURRENT_USER\\Software\\ZorvaneBench\\Values", true);
    LARGE_INTEGER filled = Now();
    std::printf("fill_10000_values_ms=%.1f\n", Ms(before, filled));
    std::printf("values_shown=%d\n", frame->ValuePane()->ItemCount());
    {
        LARGE_INTEGER t0 = Now();
        int links = 0;
        for (int i = 0; i < 10000; ++i)
            links += frame->ValuePane()->GetDataLinkIcon(L"C:\\Windows\\system32\\file" + std::to_wstring(i) +
                                                         L".dll") > 0;
        std::printf("link_test_10000_ms=%.1f\n", Ms(t0, Now()));
        t0 = Now();
        frame->ValuePane()->Refill();
        std::printf("refill_again_ms=%.1f\n", Ms(t0, Now()));
        t0 = Now();
        for (int i = 0; i < 10000; ++i)
            frame->ValuePane()->ItemText(i, 0);
        std::printf("item_text_10000_ms=%.1f\n", Ms(t0, Now()));
        t0 = Now();
        CEzReg reader(L"CURRENT_USER\\Software\\ZorvaneBench\\Values");
        int n = 0;
        for (bool more = reader.FirstValue(); more; more = reader.NextValue())
            n += reader.DataText().size() > 0;
        std::printf("enumerate_10000_values_ms=%.1f\n", Ms(t0, Now()));
    }

    SendMessageW(frame->m_hWnd, WM_CLOSE, 0, 0);
    Pump();
    return 0;
}
