// The paste pre-check, the paste with its replacement list, and the
// confirmed transfer.
#include "app/RegItemList.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>
#include <algorithm>

TEST(ItemPaste, PreCheckMessages)
{
    RegistrySandbox box;
    box.CreateKey(L"A\\Child");
    std::wstring message;

    CRegItemList cutValue;
    cutValue.SetMove(true);
    cutValue.Add(box.PathOf(L"A"), L"v", 1);
    EXPECT_FALSE(cutValue.CanPaste(box.PathOf(L"a"), message));
    EXPECT_EQ(message, L"The source and destination keys are the same.");

    CRegItemList root;
    root.AddKeyPath(L"CURRENT_USER");
    EXPECT_FALSE(root.CanPaste(box.PathOf(L"A"), message));
    EXPECT_EQ(message, L"CURRENT_USER can not be moved.");

    CRegItemList key;
    key.AddKeyPath(box.PathOf(L"A"));
    EXPECT_FALSE(key.CanPaste(box.PathOf(L"A\\Child"), message));
    EXPECT_EQ(message, L"The destination key is a child of the source key");
    EXPECT_FALSE(key.CanPaste(L"USERS", message));
    EXPECT_EQ(message, L"LocalMachine and Users don't allow subkey creation");
    EXPECT_TRUE(key.CanPaste(box.Path(), message));

    CRegItemList empty;
    EXPECT_FALSE(empty.CanPaste(box.Path(), message));
    EXPECT_EQ(message, L"");
}

TEST(ItemPaste, CutAndPasteMovesAndLeavesACopyListOnTheClipboard)
{
    RegistrySandbox box;
    box.SetDword(L"From", L"One", 1);
    box.SetDword(L"From", L"Two", 2);
    box.SetDword(L"From\\Sub", L"deep", 3);
    box.CreateKey(L"To");
    ScriptedPrompts user;

    CRegItemList cut;
    cut.SetMove(true);
    cut.Add(box.PathOf(L"From"), L"One", 1);
    cut.Add(box.PathOf(L"From"), L"Two", 1);
    cut.AddKey(box.PathOf(L"From"), L"Sub");
    ASSERT_TRUE(cut.CopyToClipboard());
    EXPECT_TRUE(CRegItemList::ClipboardHasItemList());

    CRegItemList pasted;
    ASSERT_TRUE(pasted.ReadFromClipboard());
    EXPECT_TRUE(pasted.IsMove);
    EXPECT_TRUE(pasted.FromClipboard);
    EXPECT_EQ(pasted.Description(), L"3 Item(s)");
    ASSERT_TRUE(pasted.Paste(box.PathOf(L"To")));
    EXPECT_TRUE(box.ValueNames(L"From").empty());
    EXPECT_FALSE(box.Exists(L"From\\Sub"));
    std::vector<std::wstring> names = box.ValueNames(L"To");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"One", L"Two"}));
    EXPECT_TRUE(box.Exists(L"To\\Sub"));

    // The clipboard now holds a copy list of the items at their new place.
    CRegItemList again;
    ASSERT_TRUE(again.ReadFromClipboard());
    EXPECT_FALSE(again.IsMove);
    ASSERT_EQ(again.Count, 3);
    EXPECT_EQ(again.FullText(0), box.PathOf(L"To") + L"\tOne");
    EXPECT_EQ(again.FullText(2), box.PathOf(L"To\\Sub"));
    // Pasting it again copies, with the copy names.
    user.Answer(IDYES); // the key Sub already exists below To
    ASSERT_TRUE(again.Paste(box.PathOf(L"To")));
    names = box.ValueNames(L"To");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"One", L"One.copy", L"Two", L"Two.copy"}));
    EXPECT_TRUE(box.Exists(L"To\\Sub.2"));
    EXPECT_TRUE(box.Exists(L"To\\Sub"));
}

TEST(ItemPaste, ClipboardCarriesRegistryTextBesideTheList)
{
    RegistrySandbox box;
    box.SetString(L"", L"Greeting", L"hello");
    CRegItemList list;
    list.Add(box.Path(), L"Greeting", 1);
    ASSERT_TRUE(list.CopyToClipboard());
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE text = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(text, nullptr);
    std::wstring read(static_cast<const wchar_t*>(GlobalLock(text)));
    GlobalUnlock(text);
    CloseClipboard();
    EXPECT_EQ(read, L"\r\n[HKEY_" + box.Path() + L"]\r\n\"Greeting\"=\"hello\"");
}

TEST(ItemPaste, TransferAsksThenPastesAndAdvisesWhenNothingWorked)
{
    RegistrySandbox box;
    box.SetDword(L"Src", L"v", 1);
    box.CreateKey(L"Dst");
    ScriptedPrompts user;

    CRegItemList list;
    list.Add(box.PathOf(L"Src"), L"v", 1);
    user.Answer(IDNO);
    EXPECT_FALSE(TransferItems(list, box.PathOf(L"Dst"), false, true));
    EXPECT_TRUE(box.ValueNames(L"Dst").empty());
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              L"Copy \"v\" from \"" + box.PathOf(L"Src") + L"\"\n\nto\n\n\"" + box.PathOf(L"Dst") + L"\"?");

    user.Answer(IDYES);
    EXPECT_TRUE(TransferItems(list, box.PathOf(L"Dst"), true, true));
    EXPECT_EQ(box.ValueNames(L"Dst"), (std::vector<std::wstring>{L"v"}));
    EXPECT_TRUE(box.ValueNames(L"Src").empty());
    EXPECT_EQ(user.Boxes().back().text.substr(0, 5), L"Move ");

    // The value is gone from Src now: nothing succeeds and the advice shows.
    user.Clear();
    user.Answer(IDYES);
    user.Answer(IDOK);
    EXPECT_FALSE(TransferItems(list, box.PathOf(L"Dst\\..\\Nowhere"), false, true));
    ASSERT_EQ(user.Boxes().size(), 2u);
    EXPECT_EQ(user.Boxes()[1].text, box.PathOf(L"Dst\\..\\Nowhere") +
                                        L" does not exist: another program may have deleted it. Nothing "
                                        L"was written.");
    EXPECT_EQ(user.Boxes()[1].icon, static_cast<UINT>(MB_ICONERROR));

    // A failing pre-check shows its message and asks nothing.
    user.Clear();
    user.Answer(IDOK);
    CRegItemList root;
    root.AddKeyPath(L"USERS");
    EXPECT_FALSE(TransferItems(root, box.PathOf(L"Dst"), false, true));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, L"USERS can not be moved.");
}

// A pasted item is recorded under the name it got; a declined one stays cut
// where it was, and the clipboard never names a key that merely stood at the
// destination already.
TEST(ItemPaste, EachItemReportsWhatBecameOfIt)
{
    RegistrySandbox box;
    box.SetDword(L"A", L"V", 1);
    box.SetDword(L"A", L"W", 2);
    box.SetDword(L"B", L"V", 9); // taken: the pasted V becomes V.copy
    ScriptedPrompts user;
    CRegItemList cut;
    cut.SetMove(true);
    cut.Add(box.PathOf(L"A"), L"V", 1);
    cut.Add(box.PathOf(L"A"), L"W", 1);
    ASSERT_TRUE(cut.CopyToClipboard());
    CRegItemList pasted;
    ASSERT_TRUE(pasted.ReadFromClipboard());
    ASSERT_TRUE(pasted.Paste(box.PathOf(L"B")));
    CRegItemList after;
    ASSERT_TRUE(after.ReadFromClipboard());
    ASSERT_EQ(after.Count, 2);
    EXPECT_EQ(after.FullText(0), box.PathOf(L"B") + L"\tV.copy") << "the name it got, not the one it had";
    EXPECT_EQ(after.FullText(1), box.PathOf(L"B") + L"\tW");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"B", L"V", type, data));
    EXPECT_EQ(data, Bytes({9, 0, 0, 0})) << "the value that stood there is untouched";

    // A key whose name is taken: the user declines the copy name.
    box.CreateKey(L"C\\K\\Inside");
    box.CreateKey(L"D\\K");
    CRegItemList cutKey;
    cutKey.SetMove(true);
    cutKey.AddKey(box.PathOf(L"C"), L"K");
    ASSERT_TRUE(cutKey.CopyToClipboard());
    CRegItemList keyPaste;
    ASSERT_TRUE(keyPaste.ReadFromClipboard());
    user.Answer(IDNO);
    EXPECT_FALSE(keyPaste.Paste(box.PathOf(L"D"))) << "a declined paste is no success";
    EXPECT_TRUE(box.Exists(L"C\\K\\Inside")) << "nothing moved";
    CRegItemList still;
    ASSERT_TRUE(still.ReadFromClipboard());
    ASSERT_EQ(still.Count, 1);
    EXPECT_TRUE(still.IsMove);
    EXPECT_EQ(still.FullText(0), box.PathOf(L"C\\K")) << "still the cut key, not the one at the destination";
}
