// The value list in the running window: rows, refreshes, focus, sorting.
#include "app/Hints.h"
#include "base/Shutdown.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "registry/ChangeMonitor.h"
#include "base/SettingsStore.h"
#include "values/DataLinks.h"

#include <gtest/gtest.h>

namespace
{
std::vector<std::wstring> Names(const CNavroView& list)
{
    std::vector<std::wstring> names;
    for (int row = 0; row < list.ItemCount(); ++row)
        names.push_back(list.ItemText(row, 0));
    return names;
}

void DeleteValue(const RegistrySandbox& box, const wchar_t* sub, const wchar_t* name)
{
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), 0, KEY_SET_VALUE, &key);
    RegDeleteValueW(key, name);
    RegCloseKey(key);
}

void ClickHeader(CNavroView& list, int column)
{
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list.m_hWnd;
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list.m_hWnd));
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(GetParent(list.m_hWnd), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}
} // namespace

TEST(ValueList, RowsShowNameTypeDataAndIcons)
{
    RegistrySandbox box;
    box.SetString(L"K", L"", L"default text");
    box.SetString(L"K", L"Path", L"C:\\Windows\\notepad.exe");
    box.SetString(L"K", L"Class", L"{00021401-0000-0000-C000-000000000046}");
    box.SetString(L"K", L"Key", L"HKEY_LOCAL_MACHINE\\Software");
    box.SetDword(L"K", L"Number", 10);
    box.SetValue(L"K", L"Odd", 0x20, {1, 2});
    box.SetValue(L"K", L"Big", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1});
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    ASSERT_EQ(list.ItemCount(), 7);
    int odd = list.FindItem(L"odd", 0);
    ASSERT_GE(odd, 0);
    EXPECT_EQ(list.ItemText(odd, list.TypeColumn), L"0x20");
    EXPECT_EQ(list.GetItemType(odd), 0x20u);
    EXPECT_EQ(list.ItemImage(list.FindItem(L"Big", 0), 0), kIconOtherType);
    EXPECT_EQ(list.ItemImage(list.FindItem(L"Number", 0), 0), TypeIcon(REG_DWORD));
    EXPECT_EQ(list.ItemImage(list.FindItem(L"Path", 0), list.DataColumn), kIconFileLink);
    EXPECT_EQ(list.ItemImage(list.FindItem(L"Class", 0), list.DataColumn), kIconGuidLink);
    EXPECT_EQ(list.ItemImage(list.FindItem(L"Key", 0), list.DataColumn), kIconKey);
    EXPECT_EQ(list.ItemText(list.FindItem(L"", 0), list.DataColumn), L"default text");
    EXPECT_EQ(list.GetItemKind(0), 1);
    EXPECT_EQ(list.GetItemKind(99), 5);
}

TEST(ValueList, RefillKeepsTheFocusedValueByNameOrItsPlace)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"a", L"b", L"c"})
        box.SetDword(L"K", name, 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    ASSERT_TRUE(list.SelectItem(list.FindItem(L"b", 0)));
    DeleteValue(box, L"K", L"a");
    list.Refill();
    EXPECT_EQ(list.ItemText(list.FocusedItem(), 0), L"b");
    DeleteValue(box, L"K", L"b");
    DeleteValue(box, L"K", L"c");
    box.SetDword(L"K", L"z", 1);
    list.Refill();
    EXPECT_EQ(list.FocusedItem(), 0) << "gone: the same index, or the last row";
}

TEST(ValueList, RefreshReusesTheRowOfARenamedValueAndAppendsTheRest)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"v1", L"v2", L"v3", L"v4"})
        box.SetDword(L"K", name, 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    ASSERT_EQ(Names(list), (std::vector<std::wstring>{L"v1", L"v2", L"v3", L"v4"}));
    DeleteValue(box, L"K", L"v2");
    box.SetDword(L"K", L"w2", 2);
    list.RefreshValues(f.doc->GetCurrentPath());
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"v1", L"w2", L"v3", L"v4"}));

    DeleteValue(box, L"K", L"v1");
    DeleteValue(box, L"K", L"v3");
    box.SetDword(L"K", L"n1", 1);
    box.SetDword(L"K", L"n2", 1);
    list.RefreshValues(f.doc->GetCurrentPath());
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"n1", L"w2", L"v4", L"n2"}))
        << "the lowest vanished row is reused, the other new value appended";
}

TEST(ValueList, SortingFlipsOneDirectionForEveryColumn)
{
    RegistrySandbox box;
    box.SetDword(L"K", L"b", 9);
    box.SetDword(L"K", L"a", 10);
    box.SetDword(L"K", L"c", 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    // The sorted column's header shows the direction's arrow, no other one.
    auto arrows = [&] {
        HWND header = ListView_GetHeader(list.ListWindow);
        std::wstring shown;
        for (int i = 0; i < Header_GetItemCount(header); ++i)
        {
            HDITEMW item = {};
            item.mask = HDI_FORMAT;
            Header_GetItem(header, i, &item);
            shown += (item.fmt & HDF_SORTUP)     ? (item.fmt & HDF_SORTDOWN) ? L'?' : L'^'
                     : (item.fmt & HDF_SORTDOWN) ? L'v'
                                                 : L'-';
        }
        return shown;
    };
    EXPECT_EQ(arrows(), L"---");
    ClickHeader(list, 0);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(arrows(), L"^--");
    ClickHeader(list, 0);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"c", L"b", L"a"}));
    EXPECT_EQ(arrows(), L"v--");
    // One direction for all columns: it flips with every click, whichever column.
    ClickHeader(list, list.TypeColumn);
    EXPECT_EQ(arrows(), L"-^-");
    ClickHeader(list, list.DataColumn);
    EXPECT_EQ(arrows(), L"--v");
    std::vector<std::wstring> data;
    for (int row = 0; row < list.ItemCount(); ++row)
        data.push_back(list.ItemText(row, list.DataColumn));
    for (size_t i = 1; i < data.size(); ++i)
        EXPECT_GE(_wcsicmp(data[i - 1].c_str(), data[i].c_str()), 0) << "descending as text";
}

TEST(ValueList, UpToAHundredRowsRefreshInPlaceAndMoreAreRebuilt)
{
    RegistrySandbox box;
    for (int i = 0; i < 101; ++i)
        box.SetDword(L"Big", (L"v" + std::to_wstring(1000 + i)).c_str(), 1);
    for (int i = 0; i < 100; ++i)
        box.SetDword(L"Small", (L"v" + std::to_wstring(1000 + i)).c_str(), 1);
    FrameFixture f;
    CNavroView& list = f.Values();
    f.doc->GoTo(nullptr, box.PathOf(L"Small").c_str(), true);
    ClickHeader(list, 0);
    ClickHeader(list, 0); // descending: registry order reversed
    list.RefreshValues(f.doc->GetCurrentPath());
    EXPECT_EQ(list.ItemText(0, 0), L"v1099") << "rows kept in place";
    f.doc->GoTo(nullptr, box.PathOf(L"Big").c_str(), true);
    ClickHeader(list, 0);
    ClickHeader(list, 0);
    EXPECT_EQ(list.ItemText(0, 0), L"v1100");
    list.RefreshValues(f.doc->GetCurrentPath());
    EXPECT_EQ(list.ItemText(0, 0), L"v1100") << "rebuilt, in the user's order still";
    EXPECT_EQ(list.ItemCount(), 101);
}

TEST(ValueList, HintsSelectValuesAndAreIgnoredWhileClosing)
{
    RegistrySandbox box;
    box.SetDword(L"K", L"one", 1);
    box.SetDword(L"K", L"two", 2);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    const SelectValueHint select(L"TWO");
    f.doc->UpdateAllViews(nullptr, kHintSelectValue, &select);
    EXPECT_EQ(list.ItemText(list.FocusedItem(), 0), L"two");
    f.Pump(50);
    EXPECT_EQ(f.frame->GetActiveView(), static_cast<CView*>(&list)) << "the list takes the focus";

    const RegistryChangedHint machine(L"LOCAL_MACHINE");
    box.SetDword(L"K", L"three", 3);
    f.doc->UpdateAllViews(nullptr, kHintRegistryChanged, &machine);
    EXPECT_EQ(list.ItemCount(), 2) << "another root's change";
    SignalShutdown();
    f.doc->UpdateAllViews(nullptr, kHintLocationChanged, nullptr);
    EXPECT_EQ(list.ItemCount(), 2);
    ResetShutdownForTests();
}

TEST(ValueList, ColumnWidthsAndOrderAreKept)
{
    for (const wchar_t* section : {L"RightPane", L"SearchPane"})
        Settings().DeleteProfileSection(section);
    {
        FrameFixture f;
        CNavroView& list = f.Values();
        ListView_SetColumnWidth(list.m_hWnd, 0, 123);
        int order[3] = {2, 0, 1};
        ListView_SetColumnOrderArray(list.m_hWnd, 3, order);
    }
    EXPECT_EQ(Settings().GetProfileInt(L"RightPane", L"Name", 0), 123u);
    EXPECT_EQ(Settings().GetProfileInt(L"RightPane", L"0", 9), 2u);
    FrameFixture f;
    EXPECT_EQ(ListView_GetColumnWidth(f.Values().m_hWnd, 0), 123);
    int order[3] = {};
    ListView_GetColumnOrderArray(f.Values().m_hWnd, 3, order);
    EXPECT_EQ(order[0], 2);
    EXPECT_EQ(order[1], 0);
    for (const wchar_t* section : {L"RightPane", L"SearchPane"})
        Settings().DeleteProfileSection(section);
}

TEST(ValueList, AKeyOfManyValuesFillsInSlicesAndSelectsANamedValueAtTheEnd)
{
    RegistrySandbox box;
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Many").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (int i = 0; i < 6000; ++i)
        {
            wchar_t name[16];
            swprintf(name, 16, L"v%05d", i);
            DWORD data = static_cast<DWORD>(i);
            RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
        }
        RegCloseKey(key);
    }
    FrameFixture f;
    CNavroView& list = f.Values();
    // The document names a value: it is selected once every row is there.
    f.doc->GoTo(nullptr, (box.PathOf(L"Many") + L"\tv05999").c_str(), true);
    EXPECT_TRUE(list.IsFilling()) << "6000 values take more than one slice";
    // Another program's change arrives in the middle of the fill (on a busy
    // machine it often does): the fill starts afresh and still selects the
    // value at its end.
    list.RefreshValues(box.PathOf(L"Many"));
    EXPECT_TRUE(list.IsFilling());
    ASSERT_TRUE(f.PumpUntil([&] { return !list.IsFilling(); }, 30000));
    EXPECT_EQ(Names(list), box.ValueNames(L"Many")) << "every value, in the registry's order";
    EXPECT_EQ(list.ItemText(list.FocusedItem(), 0), L"v05999");
    EXPECT_EQ(list.ItemText(5999, list.DataColumn), L"5999");
    // A new location while a fill runs starts afresh.
    f.doc->GoTo(nullptr, box.PathOf(L"Many").c_str(), true);
    f.doc->GoTo(nullptr, box.Path().c_str(), true);
    ASSERT_TRUE(f.PumpUntil([&] { return !list.IsFilling(); }, 30000));
    EXPECT_EQ(list.ItemCount(), 0);
}

TEST(ValueList, SortingKeepsTheSelectedAndFocusedValue)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"b", L"c", L"a"})
        box.SetDword(L"K", name, 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    ASSERT_TRUE(list.SelectItem(list.FindItem(L"c", 0)));
    ClickHeader(list, 0);
    ASSERT_EQ(Names(list), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(list.FocusedItem(), 2);
    EXPECT_EQ(ListView_GetNextItem(list.m_hWnd, -1, LVNI_SELECTED), 2);
    EXPECT_EQ(ListView_GetSelectedCount(list.m_hWnd), 1u);

    // A value that comes later takes its place in the user's order, in a
    // refresh and in a new fill of the key alike.
    box.SetDword(L"K", L"ab", 2);
    list.RefreshValues(box.PathOf(L"K"));
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"a", L"ab", L"b", L"c"}));
    EXPECT_EQ(list.ItemText(list.FocusedItem(), 0), L"c") << "the focus stays on its value";
    box.SetDword(L"K", L"0", 3);
    f.doc->GoTo(nullptr, box.Path().c_str(), true);
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    ASSERT_TRUE(f.PumpUntil([&] { return !list.IsFilling(); }));
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"0", L"a", L"ab", L"b", L"c"}));
}

TEST(ValueList, AClickOnALinkIconDoesWhatTheIconShows)
{
    RegistrySandbox box;
    box.CreateKey(L"Elsewhere\\Inner");
    box.SetString(L"K", L"Key", L"HKEY_" + box.PathOf(L"Elsewhere\\Inner"));
    box.SetString(L"K", L"Class", L"{00021401-0000-0000-C000-000000000046}");
    box.SetString(L"K", L"Path", L"C:\\windows\\notepad.exe");
    ScriptedPrompts user;
    FrameFixture f;
    CNavroView& list = f.Values();
    // A click on the icon in the Data column of the named row, as the mouse gives it.
    auto clickIcon = [&](const wchar_t* name) {
        int row = list.FindItem(name, 0);
        ASSERT_GE(row, 0);
        RECT icon = {};
        ASSERT_TRUE(ListView_GetSubItemRect(list.ListWindow, row, list.DataColumn, LVIR_ICON, &icon));
        LPARAM at = MAKELPARAM((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
        SendMessageW(list.ListWindow, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list.ListWindow, WM_LBUTTONUP, 0, at);
        f.Pump(50);
    };
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    clickIcon(L"Key");
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Elsewhere\\Inner")) << "a key link goes to its key";

    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    clickIcon(L"Class");
    EXPECT_EQ(f.doc->GetCurrentPath(), L"CLASSES_ROOT\\CLSID\\{00021401-0000-0000-C000-000000000046}")
        << "a class goes to its registration";

    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    clickIcon(L"Path");
    ASSERT_EQ(user.Launches().size(), 1u) << "a file is shown in its folder";
    EXPECT_NE(user.Launches()[0].parameters.find(L"notepad.exe"), std::wstring::npos);
    f.SettleWorkers();
}
