// Dropping item lists on the list panes, as the drop-target calls arrive:
// where a drop is taken, what it highlights, move and copy after the
// question; and the drag image a drag starts with.
#include "app/DragImage.h"
#include "app/FrameServices.h"
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

POINT CenterOf(const CNavroView& list, int row)
{
    RECT rect = {};
    ListView_GetItemRect(list.ListWindow, row, &rect, LVIR_LABEL);
    return {rect.left + 4, (rect.top + rect.bottom) / 2};
}

// A point under the last row (the pane is tall enough for that).
POINT Below(const CNavroView& list)
{
    RECT client = {};
    GetClientRect(list.ListWindow, &client);
    RECT last = {};
    ListView_GetItemRect(list.ListWindow, list.ItemCount() - 1, &last, LVIR_BOUNDS);
    EXPECT_LT(last.bottom + 3, client.bottom) << "no room under the rows";
    return {client.right / 4, list.ItemCount() > 0 ? last.bottom + 3 : client.bottom / 2};
}

void AddSearchRow(CNavroView& search, const std::wstring& location, const std::wstring& name, int kind)
{
    ListRow row;
    row.name = name;
    row.location = location;
    row.itemData = static_cast<LPARAM>(kind) << CNavroView::kRowKindShift;
    search.InsertRow(-1, row);
}
} // namespace

TEST(ValueDrop, TheValueListTakesADropAnywhereIntoItsKey)
{
    RegistrySandbox box;
    box.SetValue(L"From", L"v", REG_BINARY, {9, 8, 7});
    box.SetString(L"To", L"here", L"x");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"To").c_str(), true);
    CNavroView& list = f.Values();
    CRegItemList items;
    items.Add(box.PathOf(L"From"), L"v", 1);
    zv::com_ptr<CDataOnDemand> data = Offer(items);

    EXPECT_EQ(list.OnDragEnter(data.get(), 0, Below(list)), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(list.OnDragOver(data.get(), MK_CONTROL, CenterOf(list, 0)),
              static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(list.DropHighlightRow(), -1) << "the value list never highlights a row";

    // Copy with Ctrl, after the question.
    user.Answer(IDYES);
    EXPECT_TRUE(list.OnDrop(data.get(), DROPEFFECT_COPY, Below(list)));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text.find(L"Copy \"v\""), 0u);
    EXPECT_EQ(box.ValueNames(L"From").size(), 1u);
    DWORD type = 0;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(box.ReadValue(L"To", L"v", type, bytes));
    EXPECT_EQ(bytes, Bytes({9, 8, 7}));
    EXPECT_GE(list.FindItem(L"v", 0), 0);

    // A move answered No changes nothing; answered Yes moves.
    CRegItemList other;
    box.SetDword(L"From", L"w", 5);
    other.Add(box.PathOf(L"From"), L"w", 1);
    zv::com_ptr<CDataOnDemand> moving = Offer(other);
    user.Answer(IDNO);
    EXPECT_FALSE(list.OnDrop(moving.get(), DROPEFFECT_MOVE, Below(list)));
    EXPECT_EQ(box.ValueNames(L"From").size(), 2u);
    user.Answer(IDYES);
    EXPECT_TRUE(list.OnDrop(moving.get(), DROPEFFECT_MOVE, Below(list)));
    EXPECT_EQ(box.ValueNames(L"From"), (std::vector<std::wstring>{L"v"}));

    // Data that holds no item list is refused.
    zv::com_ptr<COleDataSource> text = zv::MakeCom<COleDataSource>();
    text->CacheGlobalData(CF_UNICODETEXT, GlobalFromBytes(L"x", 4));
    EXPECT_EQ(list.OnDragOver(text.get(), 0, Below(list)), static_cast<DWORD>(DROPEFFECT_NONE));
    list.OnDragLeave();
}

TEST(ValueDrop, TheSearchPaneTakesADropOnlyOnAKeyRowWhichItHighlights)
{
    RegistrySandbox box;
    box.SetDword(L"From", L"v", 1);
    box.CreateKey(L"Target");
    box.CreateKey(L"Targets");
    ScriptedPrompts user;
    FrameFixture f;
    SetWindowPos(f.frame->m_hWnd, nullptr, 0, 0, 900, 900, SWP_NOZORDER | SWP_NOACTIVATE);
    f.Pump(100);
    CNavroView& search = *f.frame->SearchPane();
    AddSearchRow(search, box.Path(), L"Target", CNavroView::kKeyRow);
    AddSearchRow(search, box.PathOf(L"From"), L"v", CNavroView::kValueRow);
    AddSearchRow(search, box.Path(), L"Targets", CNavroView::kKeyRow);
    int key = search.FindItem(L"Target", 0);
    int value = search.FindItem(L"v", 0);
    CRegItemList items;
    items.Add(box.PathOf(L"From"), L"v", 1);
    zv::com_ptr<CDataOnDemand> data = Offer(items);

    EXPECT_EQ(search.OnDragEnter(data.get(), 0, CenterOf(search, key)), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(search.DropHighlightRow(), key);
    EXPECT_TRUE(ListView_GetItemState(search.ListWindow, key, LVIS_DROPHILITED) & LVIS_DROPHILITED);
    EXPECT_EQ(search.OnDragOver(data.get(), 0, CenterOf(search, value)), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(search.DropHighlightRow(), -1);
    EXPECT_EQ(search.OnDragOver(data.get(), 0, CenterOf(search, 0)), static_cast<DWORD>(DROPEFFECT_NONE))
        << "a command row";
    EXPECT_EQ(search.OnDragOver(data.get(), 0, Below(search)), static_cast<DWORD>(DROPEFFECT_NONE));
    search.OnDragLeave();
    EXPECT_EQ(search.DropHighlightRow(), -1);

    search.OnDragOver(data.get(), MK_CONTROL, CenterOf(search, key));
    user.Answer(IDYES);
    EXPECT_TRUE(search.OnDrop(data.get(), DROPEFFECT_COPY, CenterOf(search, key)));
    EXPECT_EQ(user.Boxes().at(0).text.find(L"Copy \"v\" from"), 0u);
    EXPECT_NE(user.Boxes().at(0).text.find(L"to\n\n\"" + box.PathOf(L"Target") + L"\"?"), std::wstring::npos);
    EXPECT_EQ(box.ValueNames(L"Target"), (std::vector<std::wstring>{L"v"}));
    EXPECT_TRUE(box.ValueNames(L"Targets").empty()) << "the sibling sharing the prefix gets nothing";
    EXPECT_EQ(search.DropHighlightRow(), -1);
}

TEST(ValueDrop, DragImagesKeepTheCursorWhereThePressWas)
{
    RegistrySandbox box;
    for (const wchar_t* name : {L"a", L"b"})
        box.SetDword(L"K", name, 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    list.SelectItem(list.FindItem(L"b", 0));
    POINT press = CenterOf(list, list.FindItem(L"b", 0));
    CDragImage::SetClickPoint(press);

    CRegItemList one;
    ASSERT_TRUE(list.GatherSelection(one, false));
    POINT origin = {};
    HIMAGELIST image = list.MakeDragImage(one, origin);
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(CDragImage::BeginDrag(image, origin.x, origin.y));
    EXPECT_TRUE(CDragImage::IsDragging());
    EXPECT_EQ(CDragImage::HotSpot().x, press.x - origin.x);
    EXPECT_EQ(CDragImage::HotSpot().y, press.y - origin.y);
    EXPECT_GE(CDragImage::HotSpot().y, 0) << "the press lies on the row's image";
    CDragImage::DragEnter(list.ListWindow, press);
    EXPECT_TRUE(CDragImage::IsShown());
    CDragImage::DragLeave();
    EXPECT_FALSE(CDragImage::IsShown());
    CDragImage::EndDrag();
    EXPECT_FALSE(CDragImage::IsDragging());

    CRegItemList two;
    two.Add(box.PathOf(L"K"), L"a", 1);
    two.Add(box.PathOf(L"K"), L"b", 1);
    HIMAGELIST several = list.MakeDragImage(two, origin);
    ASSERT_NE(several, nullptr);
    int width = 0, height = 0;
    ImageList_GetIconSize(several, &width, &height);
    EXPECT_GT(width, 40) << "the image holds the text \"2 Item(s)\"";
    ImageList_Destroy(several);
}
