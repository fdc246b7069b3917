// Editing in the value list as a user does it: in-place edits and where they
// land, Enter, delete with its question, cut, copy and paste between keys
// and panes, selection commands.
#include "app/FrameServices.h"
#include "app/Hints.h"
#include "base/ClipboardText.h"
#include "base/Strings.h"
#include "support/FrameFixture.h"
#include "registry/ChangeMonitor.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "values/CellEdit.h"
#include "app/RegItemList.h"

#include "resource.h"

#include <gtest/gtest.h>

namespace
{
std::wstring ReadString(const RegistrySandbox& box, const wchar_t* sub, const wchar_t* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!box.ReadValue(sub, name, type, data))
        return L"<missing>";
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

std::vector<BYTE> Raw(const RegistrySandbox& box, const wchar_t* sub, const wchar_t* name,
                      DWORD* type = nullptr)
{
    DWORD t = 0;
    std::vector<BYTE> data;
    box.ReadValue(sub, name, t, data);
    if (type)
        *type = t;
    return data;
}

// Starts editing name's cell in column and types text over it.
void StartEdit(CNavroView& list, const wchar_t* name, int column, const std::wstring& text)
{
    int row = list.FindItem(name, 0);
    ASSERT_GE(row, 0) << zv::ToUtf8(name);
    ASSERT_TRUE(list.SelectItem(row));
    CCellEdit* editor = list.EditCell(row, column);
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(GetFocus(), editor->m_hWnd);
    SetWindowTextW(editor->m_hWnd, text.c_str());
}

void Command(FrameFixture& f, UINT id)
{
    f.frame->SendMessage(WM_COMMAND, id, 0);
    f.Pump(20);
}

void SelectRows(CNavroView& list, std::initializer_list<const wchar_t*> names)
{
    list.SelectItem(-1);
    for (const wchar_t* name : names)
    {
        int row = list.FindItem(name, 0);
        ASSERT_GE(row, 0) << zv::ToUtf8(name);
        ListView_SetItemState(list.ListWindow, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
}

bool Enabled(FrameFixture& f, UINT id)
{
    CCmdUI ui(id);
    f.frame->UpdateCommandUI(ui);
    return ui.m_enabled;
}

bool IsCut(const CNavroView& list, const wchar_t* name)
{
    int row = list.FindItem(name, 0);
    return row >= 0 && list.Row(row).cut;
}
} // namespace

TEST(InPlaceEdit, EnterCommitsEscapeDiscardsAndNumbersAreChecked)
{
    RegistrySandbox box;
    box.SetString(L"K", L"s", L"old");
    box.SetDword(L"K", L"n", 5);
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);

    StartEdit(list, L"s", list.DataColumn, L"new text");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K", L"s") == L"new text"; }));
    EXPECT_FALSE(list.IsEditingCell());
    EXPECT_EQ(list.ItemText(list.FindItem(L"s", 0), list.DataColumn), L"new text");

    StartEdit(list, L"s", list.DataColumn, L"discarded");
    f.PressKey(VK_ESCAPE);
    f.Pump(100);
    EXPECT_FALSE(list.IsEditingCell());
    EXPECT_EQ(ReadString(box, L"K", L"s"), L"new text");

    StartEdit(list, L"n", list.DataColumn, L"0x10");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return Raw(box, L"K", L"n") == Bytes({16, 0, 0, 0}); }));

    // Text that is no number is refused with the reason, and nothing is written.
    user.Answer(IDOK);
    StartEdit(list, L"n", list.DataColumn, L"abc");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return user.Boxes().size() == 1; }));
    EXPECT_EQ(Raw(box, L"K", L"n"), Bytes({16, 0, 0, 0}));
    EXPECT_NE(list.ItemText(list.FindItem(L"n", 0), list.DataColumn).find(L"16"), std::wstring::npos)
        << zv::ToUtf8(list.ItemText(list.FindItem(L"n", 0), list.DataColumn));
    EXPECT_TRUE(user.Boxes().front().icon == MB_ICONEXCLAMATION);
}

TEST(InPlaceEdit, ClickingAwayScrollingAndTheWheelCommit)
{
    RegistrySandbox box;
    for (int i = 0; i < 60; ++i)
        box.SetString(L"K", zv::Format(L"v%02d", i), L"x");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);

    StartEdit(list, L"v01", list.DataColumn, L"by focus");
    f.frame->FocusPane(Pane::Tree);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K", L"v01") == L"by focus"; }));
    EXPECT_FALSE(list.IsEditingCell());

    f.frame->FocusPane(Pane::Values);
    StartEdit(list, L"v02", list.DataColumn, L"by scroll");
    list.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K", L"v02") == L"by scroll"; }));

    StartEdit(list, L"v03", list.DataColumn, L"by wheel");
    list.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K", L"v03") == L"by wheel"; }));
    EXPECT_EQ(ReadString(box, L"K", L"v04"), L"x");
}

TEST(InPlaceEdit, TheEditLandsOnItsValueAfterASortARefreshAndANavigation)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"a", L"b", L"c"})
        box.SetString(L"K1", name, name);
    box.SetString(L"K2", L"b", L"other key");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K1").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);

    // A sort moves the rows under the editor: the edit is committed first.
    StartEdit(list, L"b", list.DataColumn, L"B1");
    list.SortByColumn(0);
    list.SortByColumn(0);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K1", L"b") == L"B1"; }));
    EXPECT_EQ(ReadString(box, L"K1", L"a"), L"a");
    EXPECT_EQ(ReadString(box, L"K1", L"c"), L"c");

    // A refresh that would remove rows above the edited one waits for the
    // edit; Enter then writes it to its value and the rows follow.
    StartEdit(list, L"c", list.DataColumn, L"C1");
    box.SetString(L"K1", L"0", L"new");
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\K1").c_str(), 0, KEY_SET_VALUE, &key);
    RegDeleteValueW(key, L"a");
    RegCloseKey(key);
    list.RefreshValues(f.doc->GetCurrentPath());
    f.Pump(20);
    EXPECT_TRUE(list.IsEditingCell());
    EXPECT_EQ(ReadString(box, L"K1", L"c"), L"c");
    SendMessageW(list.CellEditor()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K1", L"c") == L"C1"; }));
    EXPECT_EQ(ReadString(box, L"K1", L"0"), L"new");
    EXPECT_EQ(ReadString(box, L"K1", L"b"), L"B1");
    ASSERT_TRUE(f.PumpUntil([&] { return list.FindItem(L"0", 0) >= 0 && list.FindItem(L"a", 0) < 0; }))
        << "the waiting refresh came after the edit";

    // Navigating by the address (no focus change) to a key with a value of the same name.
    StartEdit(list, L"b", list.DataColumn, L"B2");
    f.doc->GoTo(nullptr, box.PathOf(L"K2").c_str(), false);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K1", L"b") == L"B2"; }));
    EXPECT_EQ(ReadString(box, L"K2", L"b"), L"other key");
    EXPECT_EQ(list.ItemText(list.FindItem(L"b", 0), list.DataColumn), L"other key");

    // A rename whose row moved keeps the renamed value's bytes.
    f.doc->GoTo(nullptr, box.PathOf(L"K1").c_str(), false);
    StartEdit(list, L"c", 0, L"c2");
    list.SortByColumn(0);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K1", L"c2") == L"C1"; }));
    EXPECT_EQ(ReadString(box, L"K1", L"c"), L"<missing>");
    EXPECT_TRUE(user.Boxes().empty());
}

TEST(InPlaceEdit, AnotherProgramsWriteNeverEndsAnEditOrWritesWhatIsBeingTyped)
{
    RegistrySandbox box;
    box.SetString(L"Watched", L"Edited", L"old data");
    box.SetString(L"Watched", L"Other", L"1");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Watched").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    // What the frame does when the CURRENT_USER monitor reports a change
    // (the monitor's own timing is its tests' subject; here other tests may
    // write under the same root all the time).
    auto reportChange = [&] {
        for (const auto& monitor : f.frame->Monitors())
            if (monitor->RootName() == L"CURRENT_USER")
                f.frame->SendMessage(CChngMntr::Message(), 1, monitor->Cookie());
    };
    auto otherProgram = [&](const std::wstring& arguments) {
        std::wstring command = L"reg.exe add \"HKCU\\" + box.SubKey() + L"\\Watched\" " + arguments + L" /f";
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &process));
        WaitForSingleObject(process.hProcess, 20000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    };

    // Another value of the key changes while the user types: the change
    // notice comes, the editor stays open with the typed text, and nothing
    // is written until the user says so.
    StartEdit(list, L"Edited", list.DataColumn, L"half-typ");
    otherProgram(L"/v Other /t REG_SZ /d 2");
    reportChange();
    ASSERT_TRUE(f.PumpUntil([&] { return list.RefreshWaitsForEdit(); }))
        << "the change notice did not arrive";
    ASSERT_TRUE(list.IsEditingCell());
    wchar_t typed[64] = {};
    GetWindowTextW(list.CellEditor()->m_hWnd, typed, 64);
    EXPECT_STREQ(typed, L"half-typ");
    EXPECT_EQ(ReadString(box, L"Watched", L"Edited"), L"old data");
    SetWindowTextW(list.CellEditor()->m_hWnd, L"typed in full");
    SendMessageW(list.CellEditor()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"Watched", L"Edited") == L"typed in full"; }));
    ASSERT_TRUE(f.PumpUntil([&] {
        return list.ItemText(list.FindItem(L"Other", 0), list.DataColumn) == L"2";
    })) << "the other row follows once the edit ended";

    // The edited value itself changes: the edit is cancelled, the other
    // program's data stays, and the status bar says why.
    StartEdit(list, L"Edited", list.DataColumn, L"mine");
    otherProgram(L"/v Edited /t REG_SZ /d theirs");
    reportChange();
    ASSERT_TRUE(f.PumpUntil([&] { return !list.IsEditingCell(); }));
    f.Pump(50);
    EXPECT_EQ(ReadString(box, L"Watched", L"Edited"), L"theirs");
    EXPECT_EQ(list.ItemText(list.FindItem(L"Edited", 0), list.DataColumn), L"theirs");
    EXPECT_NE(f.StatusText().find(L"\"Edited\" was changed or removed by another program"),
              std::wstring::npos)
        << zv::ToUtf8(f.StatusText());
    EXPECT_TRUE(user.Boxes().empty());
    f.SettleWorkers();
}

TEST(InPlaceEdit, ATakenNameAndAKeyDeletedMeanwhileAreEachSaidOnceAsTheyAre)
{
    RegistrySandbox box;
    box.SetString(L"K", L"a", L"1");
    box.SetString(L"K", L"b", L"2");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);

    user.Answer(IDOK);
    StartEdit(list, L"a", 0, L"b");
    SendMessageW(list.CellEditor()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(f.PumpUntil([&] { return !user.Boxes().empty(); }));
    f.Pump(20);
    ASSERT_EQ(user.Boxes().size(), 1u) << "one message";
    EXPECT_EQ(user.Boxes()[0].text, L"A value named \"b\" already exists.");
    EXPECT_EQ(ReadString(box, L"K", L"a"), L"1");

    // Another program deletes the key while the user types its new data.
    user.Clear();
    user.Answer(IDOK);
    StartEdit(list, L"a", list.DataColumn, L"new data");
    RegDeleteTreeW(HKEY_CURRENT_USER, (box.SubKey() + L"\\K").c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\K").c_str());
    SendMessageW(list.CellEditor()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(f.PumpUntil([&] { return !user.Boxes().empty(); }));
    f.Pump(20);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              box.PathOf(L"K") +
                  L" does not exist: another program may have deleted it. Nothing was written.");
    EXPECT_FALSE(box.Exists(L"K")) << "nothing made the key again";
    f.SettleWorkers();
}

TEST(InPlaceEdit, RenamesKeepEveryByteAndEmptyNamesAreRefused)
{
    RegistrySandbox box;
    std::vector<BYTE> odd = {'a', 0, 0, 0, 'b', 0, 0, 0}; // text after an embedded NUL
    box.SetValue(L"K", L"s", REG_SZ, odd);
    box.SetValue(L"K", L"d", REG_DWORD, {1, 2, 3}); // a number of the wrong size
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);

    StartEdit(list, L"s", 0, L"S2");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(
        f.PumpUntil([&] { return box.ValueNames(L"K").size() == 2 && Raw(box, L"K", L"S2") == odd; }));
    EXPECT_GE(list.FindItem(L"S2", 0), 0);

    StartEdit(list, L"d", 0, L"D");
    f.PressKey(VK_RETURN);
    DWORD type = 0;
    ASSERT_TRUE(f.PumpUntil([&] { return Raw(box, L"K", L"D", &type) == Bytes({1, 2, 3}); }));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    user.Answer(IDOK);
    StartEdit(list, L"D", 0, L"");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return user.Boxes().size() == 1; }));
    EXPECT_EQ(user.Boxes().front().text, L"A value name cannot be empty.");
    EXPECT_EQ(Raw(box, L"K", L"D"), Bytes({1, 2, 3}));
    EXPECT_EQ(box.ValueNames(L"K").size(), 2u);
}

TEST(InPlaceEdit, EnterAfterAnEditEndedByTheFocusOpensTheValue)
{
    RegistrySandbox box;
    box.SetString(L"K", L"s", L"text");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    StartEdit(list, L"s", list.DataColumn, L"changed");
    f.frame->FocusPane(Pane::Tree);
    ASSERT_TRUE(f.PumpUntil([&] { return ReadString(box, L"K", L"s") == L"changed"; }));

    f.frame->FocusPane(Pane::Values);
    std::vector<UINT> shown;
    user.onDialog = [&](UINT id, HWND dialog) {
        shown.push_back(id);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return !shown.empty(); }));
    EXPECT_EQ(shown.front(), static_cast<UINT>(IDD_VALUE));
}

TEST(InPlaceEdit, TheDialogFromEnterUpdatesTheRow)
{
    RegistrySandbox box;
    box.SetString(L"K", L"s", L"text");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    list.SelectItem(list.FindItem(L"s", 0));
    user.onDialog = [&](UINT, HWND dialog) {
        SetDlgItemTextW(dialog, IDC_VALUE_NAME, L"t");
        CheckRadioButton(dialog, IDC_TYPE_SZ, IDC_TYPE_NONE, IDC_TYPE_DWORD);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TYPE_DWORD, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_TYPE_DWORD)));
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"42");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return Raw(box, L"K", L"t") == Bytes({42, 0, 0, 0}); }));
    int row = list.FindItem(L"t", 0);
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.GetItemType(row), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(list.FocusedItem(), row);
    EXPECT_EQ(list.FindItem(L"s", 0), -1);
}

TEST(ValueCommands, DeleteAsksWithTheRowsMarkedNoRestoresAndTheFirstFailureStops)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"a", L"b", L"c", L"ab"})
        box.SetDword(L"K", name, 1);
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);

    SelectRows(list, {L"a", L"b"});
    std::vector<bool> marked;
    user.onBox = [&](const RecordedBox&) {
        marked = {IsCut(list, L"a"), IsCut(list, L"b"), IsCut(list, L"c"), IsCut(list, L"ab")};
    };
    user.Answer(IDNO);
    f.PressKey(VK_DELETE);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, L"Delete 2 Item(s)?");
    EXPECT_EQ(marked, (std::vector<bool>{true, true, false, false}));
    EXPECT_FALSE(IsCut(list, L"a") || IsCut(list, L"b"));
    EXPECT_EQ(box.ValueNames(L"K").size(), 4u);

    user.Clear();
    user.Answer(IDYES);
    f.PressKey(VK_DELETE);
    ASSERT_TRUE(f.PumpUntil([&] { return box.ValueNames(L"K").size() == 2; }));
    EXPECT_EQ(list.FindItem(L"a", 0), -1);
    EXPECT_GE(list.FindItem(L"ab", 0), 0) << "a sibling sharing the prefix stays";

    // The last selected value vanishes behind the list: its delete fails and
    // the values after it in the run are kept.
    user.Clear();
    SelectRows(list, {L"ab", L"c"});
    user.onBox = [&](const RecordedBox& shown) {
        if (shown.text.find(L"Delete 2") != 0)
            return;
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\K").c_str(), 0, KEY_SET_VALUE, &key);
        RegDeleteValueW(key, list.ItemText(list.SelectedRows().back(), 0).c_str());
        RegCloseKey(key);
    };
    user.Answer(IDYES);
    user.Answer(IDOK);
    Command(f, ID_DELETE);
    ASSERT_EQ(user.Boxes().size(), 2u);
    EXPECT_EQ(user.Boxes()[1].text, L"Delete value failed. Try \"run as Administrator\".");
    EXPECT_EQ(box.ValueNames(L"K").size(), 1u) << "the first failure stops the run";
}

TEST(ValueCommands, CopyCutAndPasteBetweenKeysKeepTheBytes)
{
    RegistrySandbox box;
    box.SetValue(L"K1", L"bin", REG_BINARY, {1, 0x5c, 3});
    box.SetValue(L"K1", L"odd", REG_DWORD, {7, 7, 7});
    box.CreateKey(L"K2");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K1").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);

    SelectRows(list, {L"bin"});
    f.PressKey('C', true);
    EXPECT_FALSE(IsCut(list, L"bin"));
    f.doc->GoTo(nullptr, box.PathOf(L"K2").c_str(), false);
    f.frame->FocusPane(Pane::Values);
    user.Answer(IDYES);
    f.PressKey('V', true);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              L"Copy \"bin\" from \"" + box.PathOf(L"K1") + L"\"\n\nto\n\n\"" + box.PathOf(L"K2") + L"\"?");
    EXPECT_EQ(Raw(box, L"K2", L"bin"), Bytes({1, 0x5c, 3}));
    EXPECT_EQ(Raw(box, L"K1", L"bin"), Bytes({1, 0x5c, 3}));
    EXPECT_GE(list.FindItem(L"bin", 0), 0) << "the pasted row shows at once";

    f.doc->GoTo(nullptr, box.PathOf(L"K1").c_str(), false);
    f.frame->FocusPane(Pane::Values);
    SelectRows(list, {L"odd"});
    f.PressKey('X', true);
    EXPECT_TRUE(IsCut(list, L"odd"));
    f.doc->GoTo(nullptr, box.PathOf(L"K2").c_str(), false);
    f.frame->FocusPane(Pane::Values);
    user.Clear();
    user.Answer(IDYES);
    Command(f, ID_EDIT_PASTE);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text.find(L"Move \"odd\""), 0u);
    DWORD type = 0;
    EXPECT_EQ(Raw(box, L"K2", L"odd", &type), Bytes({7, 7, 7}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(box.ValueNames(L"K1"), (std::vector<std::wstring>{L"bin"})) << "a move removes the source";

    // After the move the clipboard holds a copy list of the new place.
    CRegItemList again;
    ASSERT_TRUE(again.ReadFromClipboard());
    EXPECT_FALSE(again.IsMove);
    EXPECT_TRUE(zv::EqualsNoCase(again.Paths.at(0), box.PathOf(L"K2")));

    // A cut pasted back into its own key is refused with the reason.
    SelectRows(list, {L"odd"});
    Command(f, ID_EDIT_CUT);
    user.Clear();
    user.Answer(IDOK);
    Command(f, ID_EDIT_PASTE);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, L"The source and destination keys are the same.");
    EXPECT_EQ(Raw(box, L"K2", L"odd"), Bytes({7, 7, 7}));
}

TEST(ValueCommands, SearchResultsCopyIntoTheValueListAndKeyRowsTakeADrop)
{
    RegistrySandbox box;
    box.SetString(L"Found", L"hit", L"data");
    box.CreateKey(L"Target");
    ScriptedPrompts user;
    FrameFixture f;
    CNavroView& search = *f.frame->SearchPane();
    ListRow row;
    row.name = L"hit";
    row.location = box.PathOf(L"Found");
    row.data = L"data";
    row.type = REG_SZ;
    row.hasType = true;
    row.itemData = static_cast<LPARAM>(CNavroView::kValueRow) << CNavroView::kRowKindShift;
    int at = search.InsertRow(-1, row);
    ListRow keyRow;
    keyRow.name = L"Target";
    keyRow.location = box.Path();
    keyRow.itemData = static_cast<LPARAM>(CNavroView::kKeyRow) << CNavroView::kRowKindShift;
    int keyAt = search.InsertRow(-1, keyRow);
    EXPECT_FALSE(search.IsPasteTarget(at));
    EXPECT_TRUE(search.IsPasteTarget(keyAt));
    EXPECT_FALSE(search.IsPasteTarget(0)) << "a command row";
    EXPECT_EQ(search.GetItemKeyPath(keyAt), box.PathOf(L"Target"));

    search.SelectItem(at);
    CRegItemList gathered;
    ASSERT_TRUE(search.GatherSelection(gathered, false));
    ASSERT_EQ(gathered.GetCount(), 1);
    EXPECT_EQ(gathered.Paths[0], box.PathOf(L"Found"));
    gathered.CopyToClipboard();

    f.doc->GoTo(nullptr, box.PathOf(L"Target").c_str(), true);
    f.frame->FocusPane(Pane::Values);
    user.Answer(IDYES);
    Command(f, ID_EDIT_PASTE);
    EXPECT_EQ(ReadString(box, L"Target", L"hit"), L"data");
    EXPECT_EQ(ReadString(box, L"Found", L"hit"), L"data");

    CRegItemList fromClipboard;
    ASSERT_TRUE(fromClipboard.ReadFromClipboard());
    EXPECT_FALSE(search.PasteItemList(fromClipboard, false, 0)) << "the pane itself is no key";
}

TEST(ValueCommands, SelectAllInvertAndTheUpdateStates)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"a", L"b", L"c"})
        box.SetDword(L"K", name, 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    SelectRows(list, {L"b"});
    Command(f, ID_INVERT_SELECTION);
    std::vector<int> rows = list.SelectedRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(list.ItemText(rows[0], 0), L"a");
    EXPECT_EQ(list.ItemText(rows[1], 0), L"c");
    EXPECT_EQ(list.FocusedItem(), rows[0]);
    f.PressKey('A', true);
    EXPECT_EQ(list.SelectedRows().size(), 3u);
    EXPECT_FALSE(Enabled(f, ID_RENAME)) << "one row renames";
    EXPECT_TRUE(Enabled(f, ID_DELETE));
    SelectRows(list, {L"c"});
    EXPECT_TRUE(Enabled(f, ID_RENAME));
    EXPECT_TRUE(Enabled(f, ID_EDIT_DATA));
}

namespace
{
struct ShownMenus
{
    int count = 0;
    std::vector<std::wstring> texts; // of the first menu; "-" for a separator
    std::vector<bool> enabled;
};
ShownMenus* g_menus = nullptr;

// Runs inside the menu's modal loop: records the menu shown, then closes it.
void CALLBACK InspectShownMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND window = FindWindowW(L"#32768", nullptr);
    if (!g_menus || !window || !IsWindowVisible(window))
        return;
    auto* menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    if (g_menus->count++ == 0 && menu)
    {
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
        {
            wchar_t text[256] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            g_menus->texts.push_back((state & MF_SEPARATOR) ? L"-" : text);
            g_menus->enabled.push_back(!(state & (MF_GRAYED | MF_DISABLED)));
        }
    }
    EndMenu();
}

ShownMenus RightClick(FrameFixture& f, CNavroView& list, int row)
{
    RECT rect = {};
    ListView_GetItemRect(list.ListWindow, row, &rect, LVIR_LABEL);
    LPARAM at = MAKELPARAM(rect.left + 4, (rect.top + rect.bottom) / 2);
    ShownMenus menus;
    g_menus = &menus;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, InspectShownMenu);
    PostMessageW(list.ListWindow, WM_RBUTTONUP, 0, at);
    SendMessageW(list.ListWindow, WM_RBUTTONDOWN, MK_RBUTTON, at);
    f.PumpUntil([&] { return menus.count > 0; }, 5000);
    // Everything the click queued is handled: a second menu would have shown.
    EXPECT_TRUE(f.PumpQueued());
    KillTimer(nullptr, timer);
    g_menus = nullptr;
    return menus;
}
} // namespace

TEST(ValueCommands, RightClickSelectsTheRowAndShowsOneMenuWithItsEntries)
{
    RegistrySandbox box;
    const std::wstring guid = L"{00021401-0000-0000-C000-000000000046}";
    box.SetString(L"K", L"a", L"plain");
    box.SetString(L"K", guid, L"C:\\Windows & " + guid);
    box.SetString(L"K", L"other", guid);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    SelectRows(list, {L"a"});

    int target = list.FindItem(guid, 0);
    ShownMenus menus = RightClick(f, list, target);
    EXPECT_EQ(menus.count, 1);
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{target}) << "the row under the click is selected first";
    ASSERT_GE(menus.texts.size(), 4u);
    // Name and data hold the same GUID: one entry; the data is a folder: Explore.
    EXPECT_EQ(menus.texts[0], L"Go to definition " + guid);
    EXPECT_EQ(menus.texts[1], L"Explore C:\\Windows && " + guid);
    EXPECT_EQ(menus.texts[2], L"-");
    EXPECT_EQ(menus.texts[3], L"Find it on the Web");
    auto enabled = [&](const std::wstring& text) {
        for (size_t i = 0; i < menus.texts.size(); ++i)
            if (menus.texts[i].find(text) == 0)
                return static_cast<int>(menus.enabled[i]);
        return -1;
    };
    EXPECT_EQ(enabled(L"Edit &Name"), 1);
    EXPECT_EQ(enabled(L"&Delete"), 1);
    EXPECT_EQ(enabled(L"Find its &Data on the Web"), 1);

    int other = list.FindItem(L"other", 0);
    menus = RightClick(f, list, other);
    ASSERT_GE(menus.texts.size(), 2u);
    EXPECT_EQ(menus.texts[0], L"Go to definition " + guid);
    EXPECT_EQ(menus.texts[1], L"Find it on the Web") << "a GUID is no path to explore";
}

TEST(ValueCommands, CopyAsTextCopiesTheSelectedValuesNamesDataAndPathsAndNewKeyWorksHere)
{
    RegistrySandbox box;
    box.SetString(L"K", L"alpha", L"first");
    box.SetDword(L"K", L"beta", 2);
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    SelectRows(list, {L"alpha", L"beta"});
    Command(f, ID_COPY_VALUE_NAME);
    EXPECT_EQ(ClipboardText(), L"alpha\r\nbeta");
    Command(f, ID_COPY_VALUE_DATA);
    EXPECT_EQ(ClipboardText(), L"first\r\n" + list.ItemText(list.FindItem(L"beta", 0), list.DataColumn));
    Command(f, ID_COPY_VALUE_PATH);
    EXPECT_EQ(ClipboardText(), box.PathOf(L"K\\alpha") + L"\r\n" + box.PathOf(L"K\\beta"));
    Command(f, ID_COPY_PATH_LONG);
    EXPECT_EQ(ClipboardText(), L"HKEY_" + box.PathOf(L"K")) << "one line for rows of one key";

    // New Key acts on the current key while the value list has the focus.
    EXPECT_TRUE(Enabled(f, ID_NEW_KEY));
    Command(f, ID_NEW_KEY);
    f.Pump(50);
    EXPECT_EQ(box.SubKeys(L"K").size(), 1u);
    if (HWND edit = f.Tree().Ctrl().GetEditControl())
        SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    f.Pump(20);
}
