// The key tree's commands as a user gives them: new key and its name edit,
// rename (Enter, Escape, refused names), delete and its question, cut, copy
// and paste of keys with the cut mark, Copy Values, the context menu's own
// entries, Export and Key Properties.
#include "app/Hints.h"
#include "base/ClipboardText.h"
#include "base/Strings.h"
#include "registry/RegistryPath.h"
#include "operations/Hives.h"
#include "app/KeyProperties.h"
#include "operations/KeyTransfer.h"
#include "operations/RegExport.h"
#include "operations/SnapshotFile.h"
#include "operations/TreeCompare.h"
#include "registry/LiveRegistry.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/SubKeyTrees.h"
#include "support/TreeFixtures.h"
#include "app/RegItemList.h"

#include "resource.h"

#include <commdlg.h>
#include <gtest/gtest.h>

namespace
{
void Command(FrameFixture& f, UINT id)
{
    f.frame->SendMessage(WM_COMMAND, id, 0);
    f.Pump(20);
}

bool Enabled(FrameFixture& f, UINT id)
{
    CCmdUI ui(id);
    f.frame->UpdateCommandUI(ui);
    return ui.m_enabled;
}

// Goes to path with the tree focused, as after a click on the key.
HTREEITEM Select(FrameFixture& f, const std::wstring& path)
{
    f.doc->GoTo(nullptr, path.c_str(), true);
    f.frame->FocusPane(Pane::Tree);
    f.Pump(20);
    HTREEITEM item = f.Tree().FindItemByPath(path, nullptr);
    EXPECT_NE(item, nullptr) << zv::ToUtf8(path);
    EXPECT_EQ(f.Tree().Selected(), item);
    return item;
}

// Types text into the open label edit.
void TypeLabel(FrameFixture& f, const std::wstring& text)
{
    HWND edit = f.Tree().Ctrl().GetEditControl();
    ASSERT_NE(edit, nullptr) << "no label edit open";
    SetWindowTextW(edit, text.c_str());
}

// The end of a label edit as the control reports it (null text: cancelled).
LRESULT NotifyEndLabelEdit(FrameFixture& f, HTREEITEM item, const wchar_t* text)
{
    NMTVDISPINFOW info = {};
    info.hdr.hwndFrom = f.Tree().m_hWnd;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(f.Tree().m_hWnd));
    info.hdr.code = TVN_ENDLABELEDITW;
    info.item.hItem = item;
    info.item.mask = TVIF_TEXT;
    info.item.pszText = const_cast<wchar_t*>(text);
    return ::SendMessageW(GetParent(f.Tree().m_hWnd), WM_NOTIFY, info.hdr.idFrom,
                          reinterpret_cast<LPARAM>(&info));
}

bool IsCutItem(FrameFixture& f, const std::wstring& path)
{
    HTREEITEM item = f.Tree().FindItemByPath(path, nullptr);
    return item && (f.Tree().Ctrl().GetItemState(item, TVIS_CUT) & TVIS_CUT) && f.Tree().CutItem == item;
}

// Idle ticks, as the frame runs the update handlers between messages.
void IdleUpdates(FrameFixture& f, int times = 3)
{
    for (int i = 0; i < times; ++i)
    {
        Enabled(f, ID_EDIT_PASTE);
        f.Pump(10);
    }
}
} // namespace

TEST(TreeCommands, NewKeyNamesInTurnAndTheNameEditRenamesOnEnterOnly)
{
    RegistrySandbox box;
    box.CreateKey(L"K\\Existing");
    ScriptedPrompts user;
    FrameFixture f;
    HTREEITEM k = Select(f, box.PathOf(L"K"));
    ASSERT_FALSE(f.Tree().Ctrl().GetItemState(k, TVIS_EXPANDEDONCE)) << "K must never have been expanded";

    Command(f, ID_NEW_KEY);
    ASSERT_TRUE(box.Exists(L"K\\New Key"));
    HTREEITEM created = f.Tree().Selected();
    EXPECT_EQ(f.Tree().ItemText(created), L"New Key");
    EXPECT_EQ(f.Tree().Parent(created), k);
    EXPECT_NE(f.Tree().FindChildItem(L"Existing", k), nullptr) << "the other children were loaded too";
    TypeLabel(f, L"Named");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return box.Exists(L"K\\Named"); }));
    EXPECT_FALSE(box.Exists(L"K\\New Key"));
    EXPECT_EQ(f.Tree().ItemText(f.Tree().Selected()), L"Named");
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"K\\Named"));

    // Twice more under the now expanded K: the base name, then " 01".
    Select(f, box.PathOf(L"K"));
    Command(f, ID_NEW_KEY);
    f.PressKey(VK_ESCAPE);
    Select(f, box.PathOf(L"K"));
    Command(f, ID_NEW_KEY);
    ASSERT_TRUE(box.Exists(L"K\\New Key 01"));
    HTREEITEM second = f.Tree().Selected();
    EXPECT_EQ(f.Tree().ItemText(second), L"New Key 01");

    // Escape keeps the name, also when the control reports the end again
    // with the typed text.
    TypeLabel(f, L"Typed");
    f.PressKey(VK_ESCAPE);
    NotifyEndLabelEdit(f, second, L"Typed");
    f.Pump(50);
    EXPECT_TRUE(box.Exists(L"K\\New Key 01"));
    EXPECT_FALSE(box.Exists(L"K\\Typed"));
    EXPECT_EQ(f.Tree().ItemText(second), L"New Key 01");
    EXPECT_TRUE(user.Boxes().empty());
}

TEST(TreeCommands, RenameKeepsEverythingAndRefusesTakenOrImpossibleNames)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"P\\Old");
    box.CreateKey(L"P\\Old\\Inner\\Deep");
    box.CreateKey(L"P\\Sibling");
    box.CreateKey(L"P\\Older");
    LockDown(box, L"P\\Old", false, false);
    TreeSnapshot before = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\P\\Old");
    KeySecurity security = SecurityOf(box, L"P\\Old");
    ScriptedPrompts user;
    FrameFixture f;
    HTREEITEM item = Select(f, box.PathOf(L"P\\Old"));

    ASSERT_TRUE(Enabled(f, ID_RENAME));
    Command(f, ID_RENAME);
    TypeLabel(f, L"New");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return box.Exists(L"P\\New"); }));
    EXPECT_FALSE(box.Exists(L"P\\Old"));
    EXPECT_TRUE(box.Exists(L"P\\Older")) << "a sibling sharing the prefix is left alone";
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\P\\New"), before);
    KeySecurity after = SecurityOf(box, L"P\\New");
    EXPECT_EQ(after.own, security.own);
    EXPECT_EQ(f.Tree().ItemText(item), L"New");
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"P\\New"));

    // Letter case only.
    Command(f, ID_RENAME);
    TypeLabel(f, L"NEW");
    f.PressKey(VK_RETURN);
    ASSERT_TRUE(f.PumpUntil([&] { return box.SubKeys(L"P").size() == 3 && box.SubKeys(L"P")[0] == L"NEW"; }))
        << zv::ToUtf8(box.SubKeys(L"P")[0]);
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\P\\NEW"), before);

    // A sibling's name (in any case), a path and an empty name are refused
    // with a message; the label and the registry stay as they were.
    for (const wchar_t* name : {L"sibling", L"Inner\\Sub", L"NEW\\", L""})
    {
        user.Answer(IDOK);
        Command(f, ID_RENAME);
        TypeLabel(f, name);
        f.PressKey(VK_RETURN);
        ASSERT_TRUE(f.PumpUntil([&] { return !user.Boxes().empty(); })) << zv::ToUtf8(name);
        EXPECT_EQ(f.Tree().ItemText(item), L"NEW") << zv::ToUtf8(name);
        EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\P\\NEW"), before) << zv::ToUtf8(name);
        user.Clear();
    }
    EXPECT_EQ(box.SubKeys(L"P"), (std::vector<std::wstring>{L"NEW", L"Older", L"Sibling"}));
    EXPECT_TRUE(box.SubKeys(L"P\\Sibling").empty());
}

TEST(TreeCommands, DeleteAsksWithThePathAndRootsAndProtectedKeysAreRefused)
{
    RegistrySandbox box;
    box.CreateKey(L"D\\Gone\\Inner");
    box.SetString(L"D\\Gone\\Inner", L"a", L"1");
    box.SetString(L"D\\Gone", L"b", L"2");
    box.SetString(L"D\\Gone", L"c", L"3");
    box.CreateKey(L"D\\Gone2");
    ScriptedPrompts user;
    FrameFixture f;
    Select(f, box.PathOf(L"D\\Gone"));

    // No: nothing goes. The question says what would go with the key.
    user.Answer(IDNO);
    f.PressKey(VK_DELETE);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              L"Delete " + box.PathOf(L"D\\Gone") + L"?\n\nWith it go 1 subkey and 3 values.");
    EXPECT_EQ(user.Boxes()[0].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(box.Exists(L"D\\Gone\\Inner"));

    // Shift+Del cuts instead.
    user.Clear();
    f.PressKey(VK_DELETE, false, true);
    EXPECT_TRUE(user.Boxes().empty());
    EXPECT_TRUE(box.Exists(L"D\\Gone"));
    EXPECT_TRUE(IsCutItem(f, box.PathOf(L"D\\Gone")));

    user.Answer(IDYES);
    Command(f, ID_DELETE);
    EXPECT_FALSE(box.Exists(L"D\\Gone"));
    EXPECT_TRUE(box.Exists(L"D\\Gone2"));
    EXPECT_EQ(f.Tree().FindItemByPath(box.PathOf(L"D\\Gone"), nullptr), nullptr);

    // Undo brings the tree back; redo deletes it again.
    Command(f, ID_EDIT_UNDO);
    EXPECT_TRUE(box.Exists(L"D\\Gone\\Inner"));
    Command(f, ID_REDO);
    EXPECT_FALSE(box.Exists(L"D\\Gone"));

    // A root: its message, no question.
    user.Clear();
    user.Answer(IDOK);
    Select(f, L"CURRENT_USER");
    EXPECT_FALSE(Enabled(f, ID_DELETE));
    f.PressKey(VK_DELETE);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, L"A root key can not be deleted.");

    // A key directly below LOCAL_MACHINE: the question, then the refusal.
    user.Clear();
    user.Answer(IDYES);
    user.Answer(IDOK);
    user.Answer(IDOK);
    Select(f, L"LOCAL_MACHINE\\Software");
    f.PressKey(VK_DELETE);
    ASSERT_EQ(user.Boxes().size(), 3u);
    EXPECT_EQ(user.Boxes()[1].text, L"LOCAL_MACHINE\\Software should not be deleted.");
    EXPECT_EQ(user.Boxes()[2].text, L"You cannot delete this key.");
    EXPECT_NE(f.Tree().FindItemByPath(L"LOCAL_MACHINE\\Software", nullptr), nullptr);
}

TEST(TreeCommands, TheDeleteKeyOnALoadedHivesRootSaysItIsUnloadedAndAsksNothing)
{
    RegistrySandbox box;
    box.SetString(L"Tree", L"v", L"x");
    std::wstring file = TempFilePath(L"ZorvaneTreeHive");
    DeleteFileW(file.c_str());
    ScriptedPrompts user;
    ASSERT_TRUE(SaveHive(box.PathOf(L"Tree"), file));
    std::wstring mounted;
    ASSERT_TRUE(LoadHive(file, L"USERS", mounted));
    {
        FrameFixture f;
        Select(f, mounted);
        EXPECT_FALSE(Enabled(f, ID_DELETE));
        user.Answer(IDOK);
        f.PressKey(VK_DELETE);
        ASSERT_EQ(user.Boxes().size(), 1u) << "no question before the refusal";
        EXPECT_EQ(user.Boxes()[0].text, HiveRootDeleteRefusal(mounted));
        EXPECT_TRUE(IsLoadedHive(mounted));
        EXPECT_NE(f.Tree().FindItemByPath(mounted, nullptr), nullptr);
    }
    EXPECT_TRUE(UnloadHive(mounted));
    DeleteFileW(file.c_str());
}

TEST(TreeCommands, TheCutMarkStaysOnTheCutKeyAndAMovedKeyLeavesItsPlace)
{
    RegistrySandbox box;
    box.CreateKey(L"C\\A\\Child");
    box.CreateKey(L"C\\B");
    box.SetString(L"C\\A", L"v", L"data");
    ScriptedPrompts user;
    FrameFixture f;
    Select(f, box.PathOf(L"C\\A"));
    Command(f, ID_EDIT_CUT);
    EXPECT_TRUE(IsCutItem(f, box.PathOf(L"C\\A")));
    IdleUpdates(f);
    EXPECT_TRUE(IsCutItem(f, box.PathOf(L"C\\A"))) << "the mark stays on the key, not its parent";
    EXPECT_FALSE(IsCutItem(f, box.PathOf(L"C")));

    // Another Copy clears it.
    Select(f, box.PathOf(L"C\\B"));
    Command(f, ID_EDIT_COPY);
    IdleUpdates(f);
    EXPECT_EQ(f.Tree().CutItem, nullptr);
    EXPECT_FALSE(
        f.Tree().Ctrl().GetItemState(f.Tree().FindItemByPath(box.PathOf(L"C\\A"), nullptr), TVIS_CUT) &
        TVIS_CUT);

    // Cut again and paste into B, after the question.
    Select(f, box.PathOf(L"C\\A"));
    Command(f, ID_EDIT_CUT);
    Select(f, box.PathOf(L"C\\B"));
    IdleUpdates(f);
    ASSERT_TRUE(Enabled(f, ID_EDIT_PASTE));
    user.Answer(IDYES);
    Command(f, ID_EDIT_PASTE);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_NE(user.Boxes()[0].text.find(L"Move"), std::wstring::npos) << zv::ToUtf8(user.Boxes()[0].text);
    EXPECT_FALSE(box.Exists(L"C\\A"));
    EXPECT_TRUE(box.Exists(L"C\\B\\A\\Child"));
    EXPECT_EQ(f.Tree().FindItemByPath(box.PathOf(L"C\\A"), nullptr), nullptr);
    EXPECT_TRUE(f.SettleWorkers());
    HTREEITEM b = f.Tree().FindItemByPath(box.PathOf(L"C\\B"), nullptr);
    EXPECT_TRUE(f.Tree().ItemHasButton(b));
    f.Tree().Ctrl().Expand(b, TVE_EXPAND);
    EXPECT_NE(f.Tree().FindItemByPath(box.PathOf(L"C\\B\\A"), nullptr), nullptr);

    // A key cut elsewhere (another pane or instance): the tree marks that
    // key, not its parent.
    box.CreateKey(L"C\\D");
    Select(f, box.PathOf(L"C\\D"));
    Select(f, box.PathOf(L"C"));
    CRegItemList elsewhere;
    elsewhere.SetMove(true);
    elsewhere.AddKeyPath(box.PathOf(L"C\\D"));
    ASSERT_TRUE(elsewhere.CopyToClipboard());
    IdleUpdates(f);
    EXPECT_TRUE(IsCutItem(f, box.PathOf(L"C\\D")));
    EXPECT_FALSE(IsCutItem(f, box.PathOf(L"C")));
}

TEST(TreeCommands, PastesIntoTheSourceItsChildOrARootAreRefused)
{
    RegistrySandbox box;
    box.CreateKey(L"S\\Key\\Child");
    box.SetString(L"S\\Key", L"V", L"value");
    ScriptedPrompts user;
    FrameFixture f;

    // A cut value pasted into its own key from the tree stays where it is.
    f.doc->GoTo(nullptr, box.PathOf(L"S\\Key").c_str(), true);
    f.frame->FocusPane(Pane::Values);
    f.Pump(50);
    int row = f.Values().FindItem(L"V", 0);
    ASSERT_GE(row, 0);
    f.Values().SelectItem(row);
    Command(f, ID_EDIT_CUT);
    Select(f, box.PathOf(L"S\\Key"));
    user.Answer(IDOK);
    Command(f, ID_EDIT_PASTE);
    EXPECT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(box.ValueNames(L"S\\Key"), (std::vector<std::wstring>{L"V"}));

    // A key into itself and into its own child.
    Select(f, box.PathOf(L"S\\Key"));
    Command(f, ID_EDIT_CUT);
    for (const wchar_t* target : {L"S\\Key", L"S\\Key\\Child"})
    {
        user.Clear();
        user.Answer(IDOK);
        Select(f, box.PathOf(target));
        Command(f, ID_EDIT_PASTE);
        EXPECT_FALSE(user.Boxes().empty()) << zv::ToUtf8(target);
        EXPECT_EQ(box.SubKeys(L"S"), (std::vector<std::wstring>{L"Key"})) << zv::ToUtf8(target);
        EXPECT_EQ(box.SubKeys(L"S\\Key"), (std::vector<std::wstring>{L"Child"})) << zv::ToUtf8(target);
        EXPECT_TRUE(box.SubKeys(L"S\\Key\\Child").empty()) << zv::ToUtf8(target);
    }

    // The same child seen through USERS\<the user's SID>.
    std::wstring sid = CurrentUserSid();
    ASSERT_FALSE(sid.empty());
    std::wstring alias = L"USERS\\" + sid + L"\\" + box.SubKey() + L"\\S\\Key\\Child";
    user.Clear();
    user.Answer(IDOK);
    Select(f, alias);
    Command(f, ID_EDIT_PASTE);
    EXPECT_FALSE(user.Boxes().empty());
    EXPECT_TRUE(box.SubKeys(L"S\\Key\\Child").empty());
    EXPECT_TRUE(box.Exists(L"S\\Key"));

    // A root cannot be cut at all.
    Select(f, L"CURRENT_USER");
    EXPECT_FALSE(Enabled(f, ID_EDIT_CUT));
}

TEST(TreeCommands, CopyValuesPutsEveryValueAsTextAndAsAListTheValuePaneTakes)
{
    RegistrySandbox box;
    box.SetString(L"From", L"text", L"hello");
    box.SetDword(L"From", L"number", 7);
    box.SetString(L"From", L"", L"default");
    box.CreateKey(L"To");
    ScriptedPrompts user;
    FrameFixture f;
    Select(f, box.PathOf(L"From"));
    f.PressKey('C', true, true);

    CRegItemList list;
    ASSERT_TRUE(list.ReadFromClipboard());
    EXPECT_EQ(list.GetCount(), 3);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE text = GetClipboardData(CF_UNICODETEXT);
    std::wstring script = text ? static_cast<const wchar_t*>(GlobalLock(text)) : L"";
    if (text)
        GlobalUnlock(text);
    CloseClipboard();
    EXPECT_NE(script.find(L"\"text\"=\"hello\""), std::wstring::npos) << zv::ToUtf8(script);
    EXPECT_NE(script.find(L"\"number\"=dword:00000007"), std::wstring::npos) << zv::ToUtf8(script);
    EXPECT_NE(script.find(L"@=\"default\""), std::wstring::npos) << zv::ToUtf8(script);

    f.doc->GoTo(nullptr, box.PathOf(L"To").c_str(), true);
    f.frame->FocusPane(Pane::Values);
    f.Pump(50);
    user.Answer(IDYES);
    Command(f, ID_EDIT_PASTE);
    EXPECT_EQ(box.ValueNames(L"To").size(), 3u);
    EXPECT_EQ(box.ValueNames(L"From").size(), 3u) << "a copy leaves the source";

    // A key without values still replaces the clipboard.
    Select(f, box.PathOf(L"To"));
    box.CreateKey(L"Empty");
    Select(f, box.PathOf(L"Empty"));
    Command(f, ID_COPY_VALUES);
    CRegItemList none;
    none.ReadFromClipboard();
    EXPECT_EQ(none.GetCount(), 0);

    // With the value list or the search pane active, Ctrl+Shift+C copies the
    // current key's values just the same.
    for (Pane pane : {Pane::Values, Pane::Search})
    {
        f.doc->GoTo(nullptr, box.PathOf(L"From").c_str(), true);
        f.frame->FocusPane(pane);
        f.Pump(20);
        EXPECT_TRUE(Enabled(f, ID_COPY_VALUES));
        f.PressKey('C', true, true);
        CRegItemList copied;
        ASSERT_TRUE(copied.ReadFromClipboard());
        EXPECT_EQ(copied.GetCount(), 3) << static_cast<int>(pane);
        if (OpenClipboard(nullptr))
        {
            EmptyClipboard();
            CloseClipboard();
        }
    }
}

TEST(TreeCommands, ContextMenuEntriesFollowTheItem)
{
    RegistrySandbox box;
    const std::wstring guid = L"{0A1B2C3D-0000-4000-8000-00000000ABCD}";
    box.CreateKey(L"M\\" + guid);
    box.CreateKey(L"M\\Other");
    FrameFixture f;
    HTREEITEM m = Select(f, box.PathOf(L"M"));
    auto commands = [&](HTREEITEM item) {
        std::vector<UINT> ids;
        for (const auto& entry : f.Tree().ContextEntries(item))
            ids.push_back(entry.command);
        return ids;
    };
    EXPECT_EQ(commands(m), (std::vector<UINT>{0})) << "collapsed, no siblings loaded apart";
    f.Tree().Ctrl().Expand(m, TVE_EXPAND);
    std::vector<CLeftView::ContextEntry> entries = f.Tree().ContextEntries(m);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].command, static_cast<UINT>(ID_COLLAPSE));
    EXPECT_EQ(entries[1].text, L"Collapse M");

    // A GUID key whose definition is elsewhere offers to go there; its
    // sibling offers Hide Siblings.
    HTREEITEM guidItem = f.Tree().FindChildItem(guid, m);
    ASSERT_NE(guidItem, nullptr);
    EXPECT_EQ(commands(guidItem), (std::vector<UINT>{0, ID_HIDE_SIBLINGS}));
    box.CreateKey(L"M\\Other\\Inner");
    std::wstring classes = L"Software\\Classes\\CLSID\\" + guid;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, classes.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              0);
    RegCloseKey(key);
    EXPECT_EQ(commands(guidItem), (std::vector<UINT>{0, ID_GO_TO_DEFINITION, ID_HIDE_SIBLINGS}));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, classes.c_str());
}

TEST(TreeCommands, ExportProposesTheKeyNameAndReportsKeysItCouldNotRead)
{
    RegistrySandbox box;
    box.SetString(L"E\\Plain", L"", L"default");
    box.SetString(L"E\\Plain", L"Path", L"C:\\Program Files\\\"Q\"");
    box.SetDword(L"E\\Plain", L"Count", 12345);
    box.SetString(L"E\\Plain\\Child", L"Expand", L"%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    box.SetValue(L"E\\Plain\\Child", L"Binary", REG_BINARY, std::vector<BYTE>(100, 0xab));
    box.CreateKey(L"E\\Plain\\Locked\\Below");
    box.SetString(L"E\\Plain\\Locked", L"x", L"y");
    ScriptedPrompts user;
    FrameFixture f;
    Select(f, box.PathOf(L"E\\Plain"));
    std::wstring file = TempFilePath(L"tree-export.reg");
    user.AnswerFile(file);
    Command(f, ID_EXPORT);
    ASSERT_EQ(user.FileDialogs().size(), 1u);
    FileDialogRequest asked = user.FileDialogs()[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.fileName, L"Plain");
    EXPECT_EQ(asked.defaultExtension, L"reg");
    EXPECT_EQ(asked.filter, L"Registry Files v.5.00 (*.reg)|*.reg|All Files (*.*)|*.*||");
    EXPECT_EQ(asked.flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT),
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_TRUE(user.Boxes().empty()) << "a complete export needs no box";
    // Plain (3 values), Child (2), Locked (1) and Below: 4 keys, 6 values.
    EXPECT_EQ(f.StatusText(), L"Exported 4 keys and 6 values to " + file);

    // The same bytes as the platform's own exporter writes.
    std::wstring theirs = TempFilePath(L"tree-export-reg.reg");
    ASSERT_EQ(RunProgram(L"reg.exe export \"HKEY_" + box.PathOf(L"E\\Plain") + L"\" \"" + theirs + L"\" /y"),
              0u);
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(theirs));

    // A key locked against reading: the file is written, and the user learns
    // what it misses.
    box.DenyReading(L"E\\Plain\\Locked");
    user.AnswerFile(file);
    user.Answer(IDOK);
    Command(f, ID_EXPORT);
    box.AllowReading(L"E\\Plain\\Locked");
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_NE(user.Boxes()[0].text.find(box.PathOf(L"E\\Plain\\Locked")), std::wstring::npos)
        << zv::ToUtf8(user.Boxes()[0].text);
    EXPECT_EQ(ReadUtf16File(file).find(L"Locked\\Below]"), std::wstring::npos);
    DeleteFileW(file.c_str());
    DeleteFileW(theirs.c_str());
}

TEST(TreeCommands, TakeSnapshotSavesTheKeysTreeOnAWorkerAndSaysWhatItSaved)
{
    RegistrySandbox box;
    box.SetString(L"S\\Child", L"v", L"1");
    box.SetDword(L"S", L"n", 7);
    ScriptedPrompts user;
    FrameFixture f;
    Select(f, box.PathOf(L"S"));
    std::wstring file = TempFilePath(L"tree.zvsnap");
    user.AnswerFile(file);
    Command(f, ID_TAKE_SNAPSHOT);
    ASSERT_EQ(user.FileDialogs().size(), 1u);
    EXPECT_EQ(user.FileDialogs()[0].fileName, L"S");
    EXPECT_EQ(user.FileDialogs()[0].defaultExtension, L"zvsnap");
    std::wstring expected = L"Snapshot of 2 keys and 2 values saved to " + file + L".";
    ASSERT_TRUE(f.PumpUntil([&] { return f.StatusText() == expected; })) << zv::ToUtf8(f.StatusText());
    SnapshotFileSource snapshot;
    std::wstring error;
    ASSERT_TRUE(snapshot.Load(file, error)) << zv::ToUtf8(error);
    class None final : public ICompareSink
    {
      public:
        void Rows(std::vector<DiffRow>&& rows) override { count += rows.size(); }
        size_t count = 0;
    } rows;
    CompareTotals totals =
        CompareTrees({snapshot, box.PathOf(L"S")}, {LiveRegistry(), box.PathOf(L"S")}, {}, {}, rows);
    EXPECT_TRUE(totals.Same());
    DeleteFileW(file.c_str());
}

namespace
{
// Drives a shown Key Properties sheet from a timer: calls look(page) until
// it returns true, then closes the sheet.
struct SheetDriver
{
    static inline HWND page = nullptr;
    static inline std::function<bool(HWND)> look;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        if (page && IsWindow(page) && look(page))
        {
            KillTimer(nullptr, id);
            PostMessageW(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        }
    }
};

std::wstring ControlText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}
} // namespace

TEST(KeyPropertiesPage, CountsClassAndTimeAndStopsWhenClosed)
{
    RegistrySandbox box;
    MakeCountTree(box);
    RegistrySandbox other;
    other.CreateKey(L"Leaf");
    other.SetDword(L"Leaf", L"n", 7);
    other.SetString(L"Leaf", L"s", L"ab");
    ScriptedPrompts user;
    std::vector<std::wstring> counts;
    std::vector<HICON> icons;
    user.onDialog = [&](UINT id, HWND dialog) {
        if (id == IDD_KEY_PROPERTIES)
            SheetDriver::page = dialog;
    };

    // A leaf: 0 once the count ends; no class.
    SheetDriver::look = [&](HWND page) {
        std::wstring text = ControlText(page, IDC_KEY_COUNT);
        if (text == L"Subkey count: 0")
        {
            counts.push_back(text);
            counts.push_back(ControlText(page, IDC_KEY_CLASS));
            counts.push_back(ControlText(page, IDC_KEY_TIME));
            counts.push_back(ControlText(page, IDC_KEY_PATH));
            counts.push_back(ControlText(page, IDC_KEY_VALUES));
            for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                if (HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)))
                    icons.push_back(icon);
            return true;
        }
        return false;
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 20, SheetDriver::Tick);
    ShowKeyProperties(nullptr, other.PathOf(L"Leaf"));
    KillTimer(nullptr, timer);
    ASSERT_EQ(counts.size(), 5u);
    EXPECT_EQ(counts[1], L"Class name is empty");
    EXPECT_EQ(counts[3], other.PathOf(L"Leaf")) << "the page names its key";
    EXPECT_EQ(counts[4], L"2 values, 10 bytes of data");
    // Two icons of the page's own, neither the program's.
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_NE(icons[0], icons[1]);
    HINSTANCE module = GetModuleHandleW(nullptr);
    for (WORD id : {IDI_KEY_CLASS, IDI_KEY_TIME})
        EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3 + DIFFERENCE)), nullptr)
            << id;
    EXPECT_EQ(counts[2].rfind(L"Last modification time is ", 0), 0u) << zv::ToUtf8(counts[2]);
    EXPECT_NE(counts[2], L"Last modification time is Invalid DateTime");

    // 10,000 keys below: the count grows in steps of 4321 to the total.
    counts.clear();
    SheetDriver::look = [&](HWND page) {
        std::wstring text = ControlText(page, IDC_KEY_COUNT);
        if (counts.empty() || counts.back() != text)
            counts.push_back(text);
        return text == L"Subkey count: 10000";
    };
    timer = SetTimer(nullptr, 0, 1, SheetDriver::Tick);
    ShowKeyProperties(nullptr, box.Path());
    KillTimer(nullptr, timer);
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.back(), L"Subkey count: 10000");
    for (const std::wstring& seen : counts)
        EXPECT_TRUE(seen == L"Counting subkeys..." || seen == L"Subkey count: 4321" ||
                    seen == L"Subkey count: 8642" || seen == L"Subkey count: 10000")
            << zv::ToUtf8(seen);

    // Closed at the first number: the sheet goes at once and the count with it.
    SheetDriver::look = [&](HWND page) { return ControlText(page, IDC_KEY_COUNT) != L"Counting subkeys..."; };
    timer = SetTimer(nullptr, 0, 1, SheetDriver::Tick);
    ShowKeyProperties(nullptr, box.Path());
    KillTimer(nullptr, timer);
}

TEST(KeyPropertiesPage, ClassNameAndTimeTexts)
{
    RegistrySandbox box;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Classy").c_str(), 0,
                              const_cast<wchar_t*>(L"MyClass"), 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    RegCloseKey(key);
    box.CreateKey(L"Plain");
    EXPECT_EQ(KeyClassText(box.PathOf(L"Classy")), L"Class name is MyClass");
    EXPECT_EQ(KeyClassText(box.PathOf(L"Plain")), L"Class name is empty");
    EXPECT_EQ(KeyClassText(box.PathOf(L"Missing")), L"Class name is empty");
    EXPECT_EQ(KeyValuesText(box.PathOf(L"Plain")), L"No values");
    box.SetValue(L"Plain", L"", REG_BINARY, Bytes({1}));
    EXPECT_EQ(KeyValuesText(box.PathOf(L"Plain")), L"1 value, 1 byte of data");
    box.SetValue(L"Plain", L"big", REG_BINARY, std::vector<BYTE>(70000, 1));
    EXPECT_EQ(KeyValuesText(box.PathOf(L"Plain")), L"2 values, 70001 bytes of data");
    EXPECT_EQ(KeyValuesText(box.PathOf(L"Missing")), L"The values cannot be read");

    // 2024-01-02 03:04:05 UTC in this process's zone.
    SYSTEMTIME utc = {2024, 1, 2, 2, 3, 4, 5, 0};
    FILETIME written = {};
    SystemTimeToFileTime(&utc, &written);
    SYSTEMTIME local = {};
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    std::wstring text = LastWriteText(written);
    wchar_t minute[8];
    swprintf(minute, 8, L":%02u:05", local.wMinute);
    EXPECT_NE(text.find(minute), std::wstring::npos) << zv::ToUtf8(text);
    wchar_t day[8];
    swprintf(day, 8, L"%02u/%02u/", local.wMonth, local.wDay);
    EXPECT_NE(text.find(day), std::wstring::npos) << zv::ToUtf8(text);
    FILETIME zero = {};
    EXPECT_EQ(LastWriteText(zero), L"Invalid DateTime");
}

namespace
{
int g_menuLoops = 0;

LRESULT CALLBACK CountMenuLoops(int code, WPARAM wParam, LPARAM lParam)
{
    auto* message = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_ENTERMENULOOP)
        ++g_menuLoops;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD)
{
    EndMenu();
}
} // namespace

TEST(TreeCommands, ARightClickSelectsTheItemAndShowsOneMenu)
{
    RegistrySandbox box;
    box.CreateKey(L"R\\One");
    box.CreateKey(L"R\\Two");
    FrameFixture f;
    HTREEITEM r = Select(f, box.PathOf(L"R"));
    f.Tree().Ctrl().Expand(r, TVE_EXPAND);
    HTREEITEM two = f.Tree().FindChildItem(L"Two", r);
    ASSERT_NE(two, nullptr);
    RECT rect = {};
    TreeView_GetItemRect(f.Tree().m_hWnd, two, &rect, TRUE);
    POINT at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    POINT screen = at;
    ClientToScreen(f.Tree().m_hWnd, &screen);
    SetCursorPos(screen.x, screen.y);

    g_menuLoops = 0;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountMenuLoops, nullptr, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(nullptr, 0, 150, CloseMenu);
    f.Tree().PostMessage(WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    f.Tree().SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    ASSERT_TRUE(f.PumpUntil([] { return g_menuLoops > 0; }, 5000));
    // Everything the click queued is handled: a second menu would have shown.
    EXPECT_TRUE(f.PumpQueued());
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(g_menuLoops, 1);
    EXPECT_EQ(f.Tree().Selected(), two);
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"R\\Two"));

    // The click is answered as handled: a control that then sends
    // WM_CONTEXTMENU to itself (as the platform's own does) shows no second menu.
    timer = SetTimer(nullptr, 0, 150, CloseMenu);
    NMHDR click = {f.Tree().m_hWnd, static_cast<UINT_PTR>(GetDlgCtrlID(f.Tree().m_hWnd)),
                   static_cast<UINT>(NM_RCLICK)};
    LRESULT handled =
        ::SendMessageW(GetParent(f.Tree().m_hWnd), WM_NOTIFY, click.idFrom, reinterpret_cast<LPARAM>(&click));
    KillTimer(nullptr, timer);
    EXPECT_NE(handled, 0);
}

TEST(TreeCommands, CopyAsTextPutsTheKeyNameOrItsPathInEachSpellingOnTheClipboard)
{
    RegistrySandbox box;
    box.CreateKey(L"Copy Me\\K&y \"x\"");
    FrameFixture f;
    const std::wstring path = box.PathOf(L"Copy Me\\K&y \"x\"");
    const std::wstring below = path.substr(std::wstring(L"CURRENT_USER").size());
    Select(f, path);
    const struct
    {
        UINT command;
        std::wstring text;
    } cases[] = {
        {ID_COPY_KEY_NAME, L"K&y \"x\""},
        {ID_COPY_PATH, path},
        {ID_COPY_PATH_LONG, L"HKEY_" + path},
        {ID_COPY_PATH_SHORT, L"HKCU" + below},
        {ID_COPY_PATH_POWERSHELL, L"HKCU:" + below},
    };
    for (const auto& c : cases)
    {
        PutTextOnClipboard(L"before");
        Command(f, c.command);
        EXPECT_EQ(ClipboardText(), c.text) << c.command;
    }
    // A root without a drive of its own in PowerShell, and a root alone.
    EXPECT_EQ(SpellPath(L"USERS\\.DEFAULT", PathSpelling::PowerShell), L"Registry::HKEY_USERS\\.DEFAULT");
    EXPECT_EQ(SpellPath(L"LOCAL_MACHINE", PathSpelling::PowerShell), L"HKLM:\\");
    EXPECT_EQ(SpellPath(L"CLASSES_ROOT\\.txt", PathSpelling::Short), L"HKCR\\.txt");
    EXPECT_EQ(SpellPath(L"", PathSpelling::Long), L"");
}

TEST(TreeCommands, ALongDeleteShowsItsProgressAndKeepsTheWindowPainted)
{
    RegistrySandbox box;
    for (int i = 0; i < 300; ++i)
        box.CreateKey(zv::Format(L"Many\\G%d\\K%d", i / 30, i));
    KeyTreeCount count = CountKeyTree(box.PathOf(L"Many"));
    EXPECT_EQ(count.keys, 310u);
    EXPECT_EQ(count.values, 0u);
    ScriptedPrompts user;
    user.Answer(IDYES);
    FrameFixture f;
    Select(f, box.PathOf(L"Many"));
    // Every key that goes is counted once; the progress a delete shows comes
    // from there.
    DWORD deleted = 0;
    ASSERT_TRUE(DeleteRegistryKey(box.PathOf(L"Many\\G3"), [&] { ++deleted; }));
    EXPECT_EQ(deleted, 31u) << "30 keys and G3 itself";
    // A window the user uncovered meanwhile is painted while the delete runs.
    static int paints = 0;
    struct Painted
    {
        static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l)
        {
            if (message == WM_PAINT)
                ++paints;
            return DefWindowProcW(window, message, w, l);
        }
    };
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Painted::Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZorvanePaintProbe";
    RegisterClassW(&windowClass);
    HWND probe = CreateWindowW(L"ZorvanePaintProbe", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    f.Pump(20);
    paints = 0;
    InvalidateRect(probe, nullptr, TRUE);
    PaintPendingWindows();
    EXPECT_GE(paints, 1);
    DestroyWindow(probe);
    f.frame->SendMessage(WM_COMMAND, ID_DELETE, 0);
    f.Pump(20);
    EXPECT_FALSE(box.Exists(L"Many"));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_NE(user.Boxes()[0].text.find(L"With it go 279 subkeys and 0 values."), std::wstring::npos)
        << zv::ToUtf8(user.Boxes()[0].text);
}
