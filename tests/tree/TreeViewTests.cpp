// The key tree as a user drives it: lazy expansion, partial marks and tips,
// completion of partial items, and renames made by another program.
#include "app/Hints.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"

#include "resource.h"

#include <gtest/gtest.h>
#include <cstring>

namespace
{
std::vector<std::wstring> ChildTexts(const CLeftView& tree, HTREEITEM item)
{
    std::vector<std::wstring> texts;
    for (HTREEITEM child = tree.Child(item); child; child = tree.Next(child))
        texts.push_back(tree.ItemText(child));
    return texts;
}

HTREEITEM ItemOf(FrameFixture& f, const std::wstring& path)
{
    return f.Tree().FindItemByPath(path, nullptr);
}

void Expand(FrameFixture& f, HTREEITEM item, UINT how = TVE_EXPAND)
{
    f.Tree().SendMessage(TVM_EXPAND, how, reinterpret_cast<LPARAM>(item));
}

// Collapses or expands the way a user does (keyboard on the selected item):
// only then does the control tell its owner after the first expansion.
void UserToggle(FrameFixture& f, HTREEITEM item, bool expand)
{
    f.Tree().SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    f.Tree().SendMessage(WM_KEYDOWN, expand ? VK_ADD : VK_SUBTRACT, 1);
    f.Tree().SendMessage(WM_KEYUP, expand ? VK_ADD : VK_SUBTRACT, 0xC0000001);
}

void MakeChildren(const RegistrySandbox& box, const std::wstring& parent, int count)
{
    for (int i = 0; i < count; ++i)
    {
        wchar_t name[16];
        swprintf(name, 16, L"K%04d", i);
        box.CreateKey(parent + L"\\" + name);
    }
    // The first child has a child of its own: its button tells whether it was checked.
    box.CreateKey(parent + L"\\K0000\\Inner");
}
} // namespace

TEST(KeyTree, StartsWithTheFiveRootsInTableOrder)
{
    FrameFixture f;
    EXPECT_EQ(ChildTexts(f.Tree(), nullptr),
              (std::vector<std::wstring>{L"CLASSES_ROOT", L"CURRENT_CONFIG", L"CURRENT_USER",
                                         L"LOCAL_MACHINE", L"USERS"}));
    for (HTREEITEM root = f.Tree().Child(nullptr); root; root = f.Tree().Next(root))
        EXPECT_TRUE(f.Tree().ItemHasButton(root));
}

TEST(KeyTree, UpToFiveHundredChildrenAreCheckedBeforeTheyAppear)
{
    RegistrySandbox box;
    MakeChildren(box, L"Five", 500);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Five").c_str(), true);
    HTREEITEM five = ItemOf(f, box.PathOf(L"Five"));
    ASSERT_NE(five, nullptr);
    Expand(f, five);
    std::vector<std::wstring> children = ChildTexts(f.Tree(), five);
    ASSERT_EQ(children.size(), 500u);
    EXPECT_EQ(children.front(), L"K0000");
    EXPECT_TRUE(f.Tree().ItemHasButton(f.Tree().Child(five))) << "checked during the expansion";
    EXPECT_FALSE(f.Tree().ItemHasButton(f.Tree().Next(f.Tree().Child(five))));
    EXPECT_EQ(f.Tree().RunningWorkers(), 0u);
}

TEST(KeyTree, MoreThanFiveHundredChildrenComeFromWorkersWhileTheWindowAnswers)
{
    RegistrySandbox box;
    MakeChildren(box, L"Held", 501);
    MakeChildren(box, L"Many", 501);
    FrameFixture f;
    // With the program closing, the workers read nothing and show nothing.
    f.doc->GoTo(nullptr, box.PathOf(L"Held").c_str(), true);
    HTREEITEM held = ItemOf(f, box.PathOf(L"Held"));
    ASSERT_NE(held, nullptr);
    SignalShutdown();
    Expand(f, held);
    ASSERT_TRUE(f.SettleWorkers());
    EXPECT_TRUE(ChildTexts(f.Tree(), held).empty());
    ResetShutdownForTests();

    f.doc->GoTo(nullptr, box.PathOf(L"Many").c_str(), true);
    HTREEITEM many = ItemOf(f, box.PathOf(L"Many"));
    Expand(f, many);
    EXPECT_TRUE(f.Tree().IsLoading(many)) << "the names are read on a worker";
    ASSERT_TRUE(f.SettleWorkers());
    EXPECT_FALSE(f.Tree().IsLoading(many));
    std::vector<std::wstring> children = ChildTexts(f.Tree(), many);
    ASSERT_EQ(children.size(), 501u);
    EXPECT_EQ(children, box.SubKeys(L"Many")) << "in first-expansion order";
    HTREEITEM first = f.Tree().Child(many);
    EXPECT_TRUE(f.Tree().ItemHasButton(first)) << "the worker found its sub-key";
    EXPECT_FALSE(f.Tree().ItemHasButton(f.Tree().Next(first)));
}

TEST(KeyTree, NavigatingDeepInsertsOnlyThePathAndMarksWhatIsPartial)
{
    RegistrySandbox box;
    box.CreateKey(L"Deep\\A\\B");
    box.CreateKey(L"Deep\\A\\B2");
    box.CreateKey(L"Deep\\A2");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Deep\\A\\B").c_str(), true);
    CLeftView& tree = f.Tree();
    HTREEITEM deep = ItemOf(f, box.PathOf(L"Deep"));
    HTREEITEM a = ItemOf(f, box.PathOf(L"Deep\\A"));
    HTREEITEM b = ItemOf(f, box.PathOf(L"Deep\\A\\B"));
    ASSERT_TRUE(deep && a && b);
    EXPECT_EQ(tree.Selected(), b);
    EXPECT_EQ(ChildTexts(tree, deep), (std::vector<std::wstring>{L"A"}));
    EXPECT_EQ(ChildTexts(tree, a), (std::vector<std::wstring>{L"B"}));
    EXPECT_EQ(ChildTexts(tree, nullptr).size(), 5u) << "no other root gained items";
    EXPECT_TRUE(tree.IsPartial(a));
    EXPECT_EQ(tree.ItemOverlay(a), 3) << "partially expanded, and Deep holds more than A";
    EXPECT_EQ(tree.ItemOverlay(b), 2);
    EXPECT_EQ(tree.ItemOverlay(deep) & 1, 1);
    EXPECT_EQ(tree.InfoTip(a), L"A is partially expanded and it has more siblings");
    EXPECT_EQ(tree.InfoTip(b), L"B has more siblings");

    // Collapsing keeps the partial state; the next expansion completes the item.
    UserToggle(f, a, false);
    EXPECT_EQ(tree.ItemOverlay(a), 2);
    EXPECT_TRUE(tree.IsPartial(a));
    UserToggle(f, a, true);
    EXPECT_EQ(ChildTexts(tree, a), (std::vector<std::wstring>{L"B", L"B2"})) << "in first-expansion order";
    EXPECT_FALSE(tree.IsPartial(a));
    EXPECT_EQ(tree.ItemOverlay(a), 2);
    EXPECT_EQ(tree.ItemOverlay(b), 0);
    EXPECT_EQ(tree.InfoTip(b), L"");
}

TEST(KeyTree, ALocationInAnotherCaseReusesTheItemAndTheSameLocationDoesNothing)
{
    RegistrySandbox box;
    box.CreateKey(L"Case\\Child");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Case\\Child").c_str(), true);
    HTREEITEM child = f.Tree().Selected();
    std::wstring upper = box.PathOf(L"CASE\\CHILD");
    f.doc->GoTo(nullptr, upper.c_str(), true);
    EXPECT_EQ(f.Tree().Selected(), child);
    EXPECT_EQ(ChildTexts(f.Tree(), f.Tree().Parent(child)), (std::vector<std::wstring>{L"Child"}));
}

TEST(KeyTree, HideSiblingsOfAnOnlyChildClearsTheParentsMarks)
{
    RegistrySandbox box;
    box.CreateKey(L"Only\\Child");
    box.CreateKey(L"Two\\One");
    box.CreateKey(L"Two\\Other");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Two").c_str(), true);
    HTREEITEM two = ItemOf(f, box.PathOf(L"Two"));
    Expand(f, two);
    HTREEITEM one = f.Tree().FindChildItem(L"One", two);
    f.Tree().HideSiblings(one);
    EXPECT_EQ(ChildTexts(f.Tree(), two), (std::vector<std::wstring>{L"One"}));
    EXPECT_EQ(f.Tree().ItemOverlay(two) & 1, 1);
    EXPECT_EQ(f.Tree().ItemOverlay(one), 2);

    f.doc->GoTo(nullptr, box.PathOf(L"Only\\Child").c_str(), true);
    HTREEITEM only = ItemOf(f, box.PathOf(L"Only"));
    f.Tree().HideSiblings(f.Tree().Child(only));
    EXPECT_FALSE(f.Tree().IsPartial(only));
    EXPECT_EQ(f.Tree().ItemOverlay(f.Tree().Child(only)), 0);
}

TEST(KeyTree, AKeyRenamedByAnotherProgramKeepsItsPlaceAndTheLocationFollows)
{
    RegistrySandbox box;
    for (const wchar_t* k : {L"P\\C1", L"P\\C2\\X", L"P\\C3"})
        box.CreateKey(k);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"P\\C2").c_str(), true);
    HTREEITEM p = ItemOf(f, box.PathOf(L"P"));
    UserToggle(f, p, false);
    UserToggle(f, p, true);
    ASSERT_EQ(ChildTexts(f.Tree(), p), (std::vector<std::wstring>{L"C1", L"C2", L"C3"}))
        << "the partial item is completed in the order of a first expansion";
    HTREEITEM c2 = ItemOf(f, box.PathOf(L"P\\C2"));
    Expand(f, c2);
    f.doc->GoTo(nullptr, box.PathOf(L"P\\C2").c_str(), true);
    f.SettleWorkers();

    // Another writer renames the key; the change monitor of CURRENT_USER tells the tree.
    CEzReg parent(box.PathOf(L"P"));
    ASSERT_TRUE(RenameSubkey(parent, L"C2", L"Renamed"));
    ASSERT_TRUE(f.PumpUntil([&] { return f.Tree().ItemText(c2) == L"Renamed"; }, 15000));
    EXPECT_EQ(ChildTexts(f.Tree(), p), (std::vector<std::wstring>{L"C1", L"Renamed", L"C3"}))
        << "in its place";
    EXPECT_EQ(ChildTexts(f.Tree(), c2), (std::vector<std::wstring>{L"X"})) << "the loaded subtree stays";
    ASSERT_TRUE(f.PumpUntil([&] { return f.doc->GetCurrentPath() == box.PathOf(L"P\\Renamed"); }, 5000));
    f.SettleWorkers();
}

TEST(KeyTree, AKeyDeletedByAnotherProgramLeavesTheTree)
{
    RegistrySandbox box;
    box.CreateKey(L"D\\Stays");
    box.CreateKey(L"D\\Goes");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"D").c_str(), true);
    HTREEITEM d = ItemOf(f, box.PathOf(L"D"));
    Expand(f, d);
    f.SettleWorkers();
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\D\\Goes").c_str()), ERROR_SUCCESS);
    ASSERT_TRUE(
        f.PumpUntil([&] { return ChildTexts(f.Tree(), d) == std::vector<std::wstring>{L"Stays"}; }, 15000));
    f.SettleWorkers();
}

TEST(KeyTree, SelectingAnItemMovesTheDocument)
{
    RegistrySandbox box;
    box.CreateKey(L"S\\T");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"S\\T").c_str(), true);
    HTREEITEM s = ItemOf(f, box.PathOf(L"S"));
    f.Tree().SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(s));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"S"));
    EXPECT_EQ(f.doc->GetHistory()[0], box.PathOf(L"S"));
}

namespace
{
// A point on the item's expand button, found by asking the control.
POINT ButtonPoint(CLeftView& tree, HTREEITEM item)
{
    RECT rc = {};
    std::memcpy(&rc, &item, sizeof(item));
    tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc));
    int y = (rc.top + rc.bottom) / 2;
    for (int x = 0; x < rc.left; ++x)
    {
        TVHITTESTINFO hit = {};
        hit.pt = {x, y};
        if (TreeView_HitTest(tree.m_hWnd, &hit) == item && (hit.flags & TVHT_ONITEMBUTTON))
            return hit.pt;
    }
    ADD_FAILURE() << "no button found";
    return {0, y};
}

void ClickButton(FrameFixture& f, HTREEITEM item)
{
    POINT at = ButtonPoint(f.Tree(), item);
    f.Tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    f.Tree().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    f.Pump(20);
}

std::vector<std::wstring> RegistryChildren(const RegistrySandbox& box, const std::wstring& sub)
{
    return box.SubKeys(sub);
}
} // namespace

TEST(KeyTree, TheButtonOfAPartlyLoadedItemCompletesItInFirstExpansionOrder)
{
    RegistrySandbox box;
    for (int i = 0; i < 40; ++i)
    {
        wchar_t name[32];
        swprintf(name, 32, L"Demo\\Many\\Child %04d", i);
        box.CreateKey(name);
    }
    box.CreateKey(L"Demo\\Nested\\Level2");
    FrameFixture f;
    CLeftView& tree = f.Tree();
    f.doc->GoTo(nullptr, box.PathOf(L"Demo\\Many\\Child 0023").c_str(), true);
    HTREEITEM many = tree.FindItemByPath(box.PathOf(L"Demo\\Many"), nullptr);
    HTREEITEM demo = tree.Parent(many);
    HTREEITEM child = tree.Selected();
    ASSERT_TRUE(tree.IsPartial(many));
    ASSERT_TRUE(tree.IsPartial(demo));

    ClickButton(f, many);
    EXPECT_FALSE(tree.IsPartial(many));
    EXPECT_TRUE(tree.Ctrl().GetItemState(many, TVIS_EXPANDED)) << "completed, not collapsed";
    EXPECT_EQ(ChildTexts(tree, many), RegistryChildren(box, L"Demo\\Many")) << "every child, in order";
    EXPECT_EQ(tree.Selected(), child);
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Demo\\Many\\Child 0023"));

    // Right arrow on a partly loaded item completes it too; on a complete one it moves on.
    tree.Ctrl().SelectItem(demo);
    f.Pump(20);
    tree.SendMessage(WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(ChildTexts(tree, demo), RegistryChildren(box, L"Demo"));
    EXPECT_FALSE(tree.IsPartial(demo));
    EXPECT_EQ(tree.Selected(), demo);
    // A second click on a complete item's button collapses it, as usual.
    ClickButton(f, many);
    EXPECT_FALSE(tree.Ctrl().GetItemState(many, TVIS_EXPANDED));
}

TEST(KeyTree, APartlyLoadedItemSaysSoAndAClickOnThatOrARefreshCompletesIt)
{
    RegistrySandbox box;
    for (const wchar_t* name :
         {L"Demo\\Many\\C1", L"Demo\\Many\\C2", L"Demo\\Many\\C3", L"Demo\\Other", L"Hide\\X", L"Hide\\Y"})
        box.CreateKey(name);
    FrameFixture f;
    CLeftView& tree = f.Tree();
    f.doc->GoTo(nullptr, box.PathOf(L"Demo\\Many\\C2").c_str(), true);
    HTREEITEM many = tree.FindItemByPath(box.PathOf(L"Demo\\Many"), nullptr);
    HTREEITEM demo = tree.Parent(many);
    EXPECT_EQ(tree.PartialNote(many), L"(1 of 3 keys shown)");
    EXPECT_EQ(tree.PartialNote(demo), L"(1 of 2 keys shown)");
    EXPECT_TRUE(tree.PartialNote(tree.Selected()).empty());
    RECT note = tree.PartialNoteRect(many);
    RECT label = {};
    TreeView_GetItemRect(tree.m_hWnd, many, &label, TRUE);
    EXPECT_GT(note.left, label.right) << "after the name";
    EXPECT_GT(note.right - note.left, 20);

    // A click on the note completes the item.
    POINT at = {(note.left + note.right) / 2, (note.top + note.bottom) / 2};
    tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    tree.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    f.Pump(20);
    EXPECT_EQ(ChildTexts(tree, many), RegistryChildren(box, L"Demo\\Many"));
    EXPECT_TRUE(tree.PartialNote(many).empty());
    EXPECT_EQ(tree.GetItemPath(tree.Selected()), box.PathOf(L"Demo\\Many\\C2"));

    // F5 completes every item shown in part, the user's hidden siblings too.
    f.doc->GoTo(nullptr, box.PathOf(L"Hide\\X").c_str(), true);
    HTREEITEM hide = tree.FindItemByPath(box.PathOf(L"Hide"), nullptr);
    tree.CompletePartialItem(hide);
    tree.HideSiblings(tree.FindItemByPath(box.PathOf(L"Hide\\X"), nullptr));
    ASSERT_TRUE(tree.IsPartial(hide));
    ASSERT_TRUE(tree.IsPartial(demo));
    f.frame->SendMessage(WM_COMMAND, ID_REFRESH, 0);
    ASSERT_TRUE(f.SettleWorkers());
    EXPECT_EQ(ChildTexts(tree, demo), RegistryChildren(box, L"Demo"));
    EXPECT_EQ(ChildTexts(tree, hide), RegistryChildren(box, L"Hide"));
    for (HTREEITEM item : {demo, hide, tree.FindChildItem(L"CURRENT_USER", nullptr)})
        EXPECT_FALSE(tree.IsPartial(item)) << zv::ToUtf8(tree.GetItemPath(item));
}

TEST(KeyTree, CollapsingAnAncestorOfTheCurrentKeyMovesTheDocumentToIt)
{
    RegistrySandbox box;
    box.CreateKey(L"Full\\A\\B");
    FrameFixture f;
    CLeftView& tree = f.Tree();
    f.doc->GoTo(nullptr, box.PathOf(L"Full\\A\\B").c_str(), true);
    HTREEITEM full = tree.FindItemByPath(box.PathOf(L"Full"), nullptr);
    ASSERT_FALSE(tree.IsPartial(full));
    ClickButton(f, full);
    EXPECT_FALSE(tree.Ctrl().GetItemState(full, TVIS_EXPANDED));
    EXPECT_EQ(tree.Selected(), full);
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Full")) << "the document follows the selection";
    EXPECT_NE(f.frame->GetWindowText().find(box.PathOf(L"Full") + L" "), std::wstring::npos);
}
