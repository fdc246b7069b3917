// The tree's background work: refreshes after change events complete what a
// navigation showed in part (not what the user hid), a vanished last child
// moves the document to its parent, and
// closing the window while workers run ends them all before the windows go.
#include "base/Handles.h"
#include "operations/SubKeyCount.h"
#include "registry/EzReg.h"
#include "registry/LiveRegistry.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/SubKeyTrees.h"
#include "registry/ChangeMonitor.h"

#include <gtest/gtest.h>

namespace
{
std::vector<std::wstring> ChildTexts(const CLeftView& tree, HTREEITEM item)
{
    std::vector<std::wstring> texts;
    for (HTREEITEM child = tree.Child(item); child; child = tree.Next(child))
        texts.push_back(tree.ItemText(child));
    return texts;
}

// What the frame does when the CURRENT_USER monitor reports a change.
void ReportUserChange(FrameFixture& f)
{
    for (const auto& monitor : f.frame->Monitors())
        if (monitor->RootName() == L"CURRENT_USER")
            f.frame->SendMessage(CChngMntr::Message(), 1, monitor->Cookie());
}

std::vector<zv::unique_handle> Duplicates(const std::vector<zv::WorkerThread>& threads)
{
    std::vector<zv::unique_handle> copies;
    for (const zv::WorkerThread& thread : threads)
    {
        HANDLE copy = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), thread.Handle(), GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS))
            copies.emplace_back(copy);
    }
    return copies;
}
} // namespace

TEST(TreeWorkers, AChangeNoticeCompletesWhatANavigationShowedInPartButNotWhatTheUserHid)
{
    RegistrySandbox box;
    box.CreateKey(L"Part\\A\\B");
    box.CreateKey(L"Part\\A2");
    box.CreateKey(L"Part\\A3");
    for (const wchar_t* name : {L"Hide\\X", L"Hide\\Y", L"Hide\\Z"})
        box.CreateKey(name);
    FrameFixture f;
    CLeftView& tree = f.Tree();
    f.doc->GoTo(nullptr, box.PathOf(L"Hide\\X").c_str(), true);
    HTREEITEM hide = tree.FindItemByPath(box.PathOf(L"Hide"), nullptr);
    tree.CompletePartialItem(hide);
    tree.HideSiblings(tree.FindItemByPath(box.PathOf(L"Hide\\X"), nullptr));
    ASSERT_TRUE(tree.ShowsHiddenSiblings(hide));
    f.doc->GoTo(nullptr, box.PathOf(L"Part\\A\\B").c_str(), true);
    HTREEITEM part = tree.FindItemByPath(box.PathOf(L"Part"), nullptr);
    ASSERT_NE(part, nullptr);
    ASSERT_TRUE(tree.IsPartial(part));
    EXPECT_EQ(tree.PartialNote(part), L"(1 of 3 keys shown)");

    box.SetDword(L"Part\\A", L"Changed", 1);
    ReportUserChange(f);
    ASSERT_TRUE(f.SettleWorkers());
    EXPECT_TRUE(tree.IsLiveItem(part));
    EXPECT_EQ(ChildTexts(tree, part), (std::vector<std::wstring>{L"A", L"A2", L"A3"}))
        << "completed, in order";
    EXPECT_FALSE(tree.IsPartial(part));
    EXPECT_TRUE(tree.PartialNote(part).empty());
    EXPECT_EQ(tree.GetItemPath(tree.Selected()), box.PathOf(L"Part\\A\\B")) << "the selection stays";
    // Every ancestor on the way is completed too.
    HTREEITEM user = tree.FindChildItem(L"CURRENT_USER", nullptr);
    EXPECT_FALSE(tree.IsPartial(user));
    EXPECT_EQ(ChildTexts(tree, user).size(), CEzReg(L"CURRENT_USER").SubKeyCount());
    // What the user hid stays hidden until the user expands it again.
    EXPECT_EQ(ChildTexts(tree, hide), (std::vector<std::wstring>{L"X"}));
    EXPECT_TRUE(tree.IsPartial(hide));
    EXPECT_EQ(tree.PartialNote(hide), L"(1 of 3 keys shown)");
}

TEST(TreeWorkers, ALoadedChildThatVanishesIsRemovedAndAFullyLoadedParentLearnsNewKeys)
{
    RegistrySandbox box;
    box.CreateKey(L"Full\\Old");
    box.CreateKey(L"Full\\Stays");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Full").c_str(), true);
    CLeftView& tree = f.Tree();
    HTREEITEM full = tree.Selected();
    tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(full));
    ASSERT_EQ(ChildTexts(tree, full), (std::vector<std::wstring>{L"Old", L"Stays"}));
    HTREEITEM stays = tree.FindChildItem(L"Stays", full);

    // Another program renames Old (a delete and a create) and adds a key.
    RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Full\\Old").c_str());
    box.CreateKey(L"Full\\New\\Below");
    ReportUserChange(f);
    ASSERT_TRUE(f.SettleWorkers());
    EXPECT_EQ(ChildTexts(tree, full), (std::vector<std::wstring>{L"New", L"Stays"}))
        << "renamed in its place";
    EXPECT_EQ(tree.FindChildItem(L"Stays", full), stays);
    EXPECT_TRUE(tree.ItemHasButton(tree.FindChildItem(L"New", full)));
    EXPECT_FALSE(tree.ItemHasButton(stays));
}

TEST(TreeWorkers, TheLastLoadedChildOfAPartialParentVanishing)
{
    RegistrySandbox box;
    box.CreateKey(L"P\\Only");
    box.CreateKey(L"P\\Other");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"P\\Only").c_str(), true);
    CLeftView& tree = f.Tree();
    HTREEITEM p = tree.FindItemByPath(box.PathOf(L"P"), nullptr);
    ASSERT_TRUE(tree.IsPartial(p));
    ASSERT_EQ(ChildTexts(tree, p), (std::vector<std::wstring>{L"Only"}));

    RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\P\\Only").c_str());
    ReportUserChange(f);
    ASSERT_TRUE(f.SettleWorkers());
    EXPECT_EQ(ChildTexts(tree, p), (std::vector<std::wstring>{L"Other"}))
        << "the vanished key went, and was not taken for a rename of a key not shown";
    EXPECT_FALSE(tree.IsPartial(p));
    EXPECT_TRUE(tree.ItemHasButton(p));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"P")) << "the document left the vanished key";
}

// A large expansion (buttons asked for on a worker), a refresh of the whole
// root and a count on a frame task all run when the window closes. Closing
// must stop and join each of them before the windows are gone, every time.
TEST(TreeWorkers, ClosingWhileAnExpansionARefreshAndACountRunEndsThemAll)
{
    RegistrySandbox box;
    box.CreateKey(L"Big");
    {
        zv::unique_hkey big;
        ASSERT_EQ(
            RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Big").c_str(), 0, KEY_ALL_ACCESS, big.put()),
            ERROR_SUCCESS);
        CreateChildKeys(big.get(), L"k", 20000);
    }
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE(round);
        FrameFixture f;
        f.doc->GoTo(nullptr, box.PathOf(L"Big").c_str(), true);
        HTREEITEM big = f.Tree().Selected();
        f.Tree().SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(big));
        ReportUserChange(f);
        std::wstring path = box.PathOf(L"Big");
        f.frame->StartTask([path](const zv::StopToken& stop) -> IFrameServices::UiAction {
            DWORD count = 0;
            CountKeysBelow(LiveRegistry(), path, count, nullptr, stop);
            return [] {};
        });
        ASSERT_GT(f.Tree().RunningWorkers(), 0u);
        ASSERT_TRUE(f.frame->HasRunningTasks());
        std::vector<zv::unique_handle> threads = Duplicates(f.Tree().Workers());
        std::vector<zv::unique_handle> tasks = Duplicates(f.frame->Tasks());
        threads.insert(threads.end(), std::make_move_iterator(tasks.begin()),
                       std::make_move_iterator(tasks.end()));
        f.Close();
        for (const zv::unique_handle& thread : threads)
            EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_OBJECT_0) << "a worker outlived its window";
    }
}

TEST(TreeWorkers, KeysThatComeLaterTakeTheirSortedPlace)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"P\\b", L"P\\d", L"P\\f"})
        box.CreateKey(name);
    FrameFixture f;
    CLeftView& tree = f.Tree();
    f.doc->GoTo(nullptr, box.PathOf(L"P").c_str(), true);
    HTREEITEM p = tree.FindItemByPath(box.PathOf(L"P"), nullptr);
    tree.Ctrl().Expand(p, TVE_EXPAND);
    ASSERT_EQ(ChildTexts(tree, p), (std::vector<std::wstring>{L"b", L"d", L"f"}));
    // Another program (or an undo) makes two keys; the change notice shows them.
    box.CreateKey(L"P\\a");
    box.CreateKey(L"P\\e");
    ReportUserChange(f);
    ASSERT_TRUE(f.SettleWorkers());
    EXPECT_EQ(ChildTexts(tree, p), (std::vector<std::wstring>{L"a", L"b", L"d", L"e", L"f"}));
}
