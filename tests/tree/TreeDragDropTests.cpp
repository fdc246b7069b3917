// Dropping item lists on the key tree as the drop-target calls arrive: the
// drop highlight, move and copy onto a key after the question, refusals,
// hover expansion over an expand button and scrolling near the edges.
#include "app/DragImage.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "app/DataOnDemand.h"
#include "app/RegItemList.h"

#include <gtest/gtest.h>

namespace
{
zv::com_ptr<CDataOnDemand> Offer(CRegItemList& list)
{
    zv::com_ptr<CDataOnDemand> source = zv::MakeCom<CDataOnDemand>(&list);
    source->DelayRenderData(ItemListFormat());
    return source;
}

HTREEITEM Show(FrameFixture& f, const std::wstring& path)
{
    f.doc->GoTo(nullptr, path.c_str(), true);
    f.Pump(20);
    HTREEITEM item = f.Tree().FindItemByPath(path, nullptr);
    EXPECT_NE(item, nullptr);
    return item;
}

POINT TextPoint(FrameFixture& f, HTREEITEM item)
{
    RECT rect = {};
    TreeView_GetItemRect(f.Tree().m_hWnd, item, &rect, TRUE);
    return {rect.left + 3, (rect.top + rect.bottom) / 2};
}

// A point on the item's expand button, found by asking the control.
POINT ButtonPoint(FrameFixture& f, HTREEITEM item)
{
    POINT text = TextPoint(f, item);
    for (int x = 0; x < text.x; ++x)
    {
        TVHITTESTINFO hit = {};
        hit.pt = {x, text.y};
        if (TreeView_HitTest(f.Tree().m_hWnd, &hit) == item && (hit.flags & TVHT_ONITEMBUTTON))
            return hit.pt;
    }
    ADD_FAILURE() << "no button";
    return text;
}

bool IsExpanded(FrameFixture& f, HTREEITEM item)
{
    return (f.Tree().Ctrl().GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}
} // namespace

TEST(TreeDrop, KeysMoveOrCopyOntoTheHighlightedKeyAfterTheQuestion)
{
    RegistrySandbox box;
    box.CreateKey(L"Src\\Inner");
    box.SetString(L"Src", L"v", L"data");
    box.CreateKey(L"Dst");
    ScriptedPrompts user;
    FrameFixture f;
    HTREEITEM dst = Show(f, box.PathOf(L"Dst"));
    HTREEITEM src = Show(f, box.PathOf(L"Src"));
    CRegItemList list;
    list.AddKeyPath(box.PathOf(L"Src"));
    auto data = Offer(list);
    CLeftView& tree = f.Tree();

    // Text is no item list: nothing is taken.
    zv::com_ptr<COleDataSource> text = zv::MakeCom<COleDataSource>();
    EXPECT_EQ(tree.OnDragOver(text.get(), 0, TextPoint(f, dst)), static_cast<DWORD>(DROPEFFECT_NONE));

    EXPECT_EQ(tree.OnDragEnter(data.get(), 0, TextPoint(f, dst)), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(tree.OnDragOver(data.get(), MK_CONTROL, TextPoint(f, dst)),
              static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(tree.DropItem, dst);
    user.Answer(IDYES);
    EXPECT_TRUE(tree.OnDrop(data.get(), DROPEFFECT_COPY, TextPoint(f, dst)));
    EXPECT_EQ(tree.DropItem, nullptr);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text.rfind(L"Copy ", 0), 0u);
    EXPECT_TRUE(box.Exists(L"Dst\\Src\\Inner"));
    EXPECT_TRUE(box.Exists(L"Src"));

    // A move, declined and then accepted; the source's item goes.
    user.Clear();
    box.CreateKey(L"Dst2");
    HTREEITEM dst2 = Show(f, box.PathOf(L"Dst2"));
    EXPECT_EQ(tree.OnDragOver(data.get(), 0, TextPoint(f, dst2)), static_cast<DWORD>(DROPEFFECT_MOVE));
    user.Answer(IDNO);
    EXPECT_FALSE(tree.OnDrop(data.get(), DROPEFFECT_MOVE, TextPoint(f, dst2)));
    EXPECT_TRUE(box.Exists(L"Src"));
    tree.OnDragOver(data.get(), 0, TextPoint(f, dst2));
    user.Answer(IDYES);
    EXPECT_TRUE(tree.OnDrop(data.get(), DROPEFFECT_MOVE, TextPoint(f, dst2)));
    EXPECT_FALSE(box.Exists(L"Src"));
    EXPECT_EQ(box.SubKeys(L"Dst2\\Src"), (std::vector<std::wstring>{L"Inner"}));
    EXPECT_FALSE(tree.IsLiveItem(src));
    (void)src;
}

TEST(TreeDrop, ADropOntoTheKeysOwnChildOrNothingIsRefused)
{
    RegistrySandbox box;
    box.CreateKey(L"Src\\Child");
    ScriptedPrompts user;
    FrameFixture f;
    HTREEITEM child = Show(f, box.PathOf(L"Src\\Child"));
    CRegItemList list;
    list.AddKeyPath(box.PathOf(L"Src"));
    auto data = Offer(list);
    CLeftView& tree = f.Tree();

    tree.OnDragOver(data.get(), 0, TextPoint(f, child));
    user.Answer(IDOK);
    EXPECT_FALSE(tree.OnDrop(data.get(), DROPEFFECT_MOVE, TextPoint(f, child)));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(box.SubKeys(L"Src"), (std::vector<std::wstring>{L"Child"}));
    EXPECT_TRUE(box.SubKeys(L"Src\\Child").empty());

    // Below the last item: no highlight, no drop.
    RECT client = {};
    GetClientRect(tree.m_hWnd, &client);
    POINT empty = {client.right / 2, client.bottom - 30};
    TVHITTESTINFO hit = {};
    hit.pt = empty;
    ASSERT_EQ(TreeView_HitTest(tree.m_hWnd, &hit), nullptr) << "the pane is too short";
    EXPECT_EQ(tree.OnDragOver(data.get(), 0, empty), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_FALSE(tree.OnDrop(data.get(), DROPEFFECT_MOVE, empty));
    EXPECT_EQ(user.Boxes().size(), 1u);
}

TEST(TreeDrop, HoldingOverAnExpandButtonTogglesItAfterFiveSeconds)
{
    RegistrySandbox box;
    box.CreateKey(L"Hover\\Child");
    box.CreateKey(L"Other\\Child");
    FrameFixture f;
    HTREEITEM hover = Show(f, box.PathOf(L"Hover"));
    HTREEITEM other = Show(f, box.PathOf(L"Other"));
    CLeftView& tree = f.Tree();
    tree.Ctrl().Expand(hover, TVE_COLLAPSE);
    tree.Ctrl().Expand(other, TVE_COLLAPSE);
    POINT button = ButtonPoint(f, hover);

    tree.HoverTrack(button, 10000);
    EXPECT_EQ(tree.HoverItem, hover);
    EXPECT_EQ(tree.DropItem, hover);
    tree.HoverTrack(button, 12000);
    tree.HoverTrack(button, 15000);
    EXPECT_FALSE(IsExpanded(f, hover)) << "waiting does not restart the clock, nor expand at 5 s";
    tree.HoverTrack(button, 15001);
    EXPECT_TRUE(IsExpanded(f, hover));
    EXPECT_NE(tree.FindChildItem(L"Child", hover), nullptr);
    // Five more seconds collapse it again.
    tree.HoverTrack(button, 19000);
    EXPECT_TRUE(IsExpanded(f, hover));
    tree.HoverTrack(button, 20002);
    EXPECT_FALSE(IsExpanded(f, hover));

    // Over the text only highlights; another button starts its own clock.
    tree.HoverTrack(TextPoint(f, other), 30000);
    EXPECT_EQ(tree.HoverItem, nullptr);
    EXPECT_EQ(tree.DropItem, other);
    tree.HoverTrack(TextPoint(f, other), 40000);
    EXPECT_FALSE(IsExpanded(f, other));
    POINT otherButton = ButtonPoint(f, other);
    tree.HoverTrack(otherButton, 50000);
    tree.HoverTrack(otherButton, 54000);
    EXPECT_FALSE(IsExpanded(f, other));
    tree.HoverTrack(otherButton, 55001);
    EXPECT_TRUE(IsExpanded(f, other));
    tree.OnDragLeave();
    EXPECT_EQ(tree.DropItem, nullptr);
}

TEST(TreeDrop, NearAnEdgeTheTreeScrollsALineAtATime)
{
    RegistrySandbox box;
    for (int i = 0; i < 120; ++i)
        box.CreateKey(L"Many\\K" + std::to_wstring(1000 + i));
    FrameFixture f;
    HTREEITEM many = Show(f, box.PathOf(L"Many"));
    CLeftView& tree = f.Tree();
    tree.Ctrl().Expand(many, TVE_EXPAND);
    tree.Ctrl().EnsureVisible(tree.Child(many));
    RECT client = {};
    GetClientRect(tree.m_hWnd, &client);
    POINT bottom = {client.right / 2, client.bottom - 2};
    POINT middle = {client.right / 2, client.bottom / 2};
    POINT top = {client.right / 2, client.top + 2};
    EXPECT_EQ(tree.DragScrollDirection(bottom), 1);
    EXPECT_EQ(tree.DragScrollDirection(top), -1);
    EXPECT_EQ(tree.DragScrollDirection(middle), 0);

    HTREEITEM first = TreeView_GetFirstVisible(tree.m_hWnd);
    EXPECT_FALSE(tree.DragScroll(bottom, 1000)) << "not at once";
    EXPECT_FALSE(tree.DragScroll(bottom, 1000 + CLeftView::kDragScrollDelay - 1));
    EXPECT_TRUE(tree.DragScroll(bottom, 1000 + CLeftView::kDragScrollDelay));
    HTREEITEM second = TreeView_GetFirstVisible(tree.m_hWnd);
    EXPECT_EQ(second, TreeView_GetNextVisible(tree.m_hWnd, first)) << "one line";
    EXPECT_FALSE(tree.DragScroll(bottom, 1000 + CLeftView::kDragScrollDelay + 100));
    EXPECT_TRUE(tree.DragScroll(bottom, 1000 + CLeftView::kDragScrollDelay + CLeftView::kDragScrollInterval));
    EXPECT_EQ(TreeView_GetFirstVisible(tree.m_hWnd), TreeView_GetNextVisible(tree.m_hWnd, second));

    // Away from the edge the clock starts again; at the top it scrolls back.
    EXPECT_FALSE(tree.DragScroll(middle, 5000));
    EXPECT_FALSE(tree.DragScroll(top, 6000));
    EXPECT_TRUE(tree.DragScroll(top, 6000 + CLeftView::kDragScrollDelay));
    EXPECT_EQ(TreeView_GetFirstVisible(tree.m_hWnd), second);
}
