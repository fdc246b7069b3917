// Recent-string lists: ordering, normalising, limits and persistence.
#include "app/RecentStrings.h"
#include "base/SettingsStore.h"
#include "base/Strings.h"

#include <gtest/gtest.h>

namespace
{
class RecentStrings : public ::testing::Test
{
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        for (const wchar_t* s :
             {L"RecentGoTo", L"RecentString", L"RecentPath", L"RecentLocation", L"RecentTest"})
            Settings().DeleteProfileSection(s);
    }
};
} // namespace

TEST_F(RecentStrings, LocationListDropsTrailingBackslashesAndMovesCaseVariantsToFront)
{
    CRecentLocations list(L"GoTo");
    EXPECT_EQ(list.Section, L"RecentGoTo");
    list.Add(L"CURRENT_USER\\Software\\");
    list.Add(L"  LOCAL_MACHINE\\\\  ");
    ASSERT_EQ(list.GetSize(), 2);
    EXPECT_EQ(list[0], L"LOCAL_MACHINE");
    EXPECT_EQ(list[1], L"CURRENT_USER\\Software");
    list.Add(L"current_user\\software");
    ASSERT_EQ(list.GetSize(), 2);
    EXPECT_EQ(list[0], L"current_user\\software");
    EXPECT_EQ(list[1], L"LOCAL_MACHINE");
    list.Add(L"   ");
    EXPECT_EQ(list.GetSize(), 2);
}

TEST_F(RecentStrings, CaseSensitiveListKeepsBothSpellingsAndSpaces)
{
    CRecentStrings list(L"String", true, false);
    list.Add(L"Value");
    list.Add(L"value");
    list.Add(L" value ");
    ASSERT_EQ(list.GetSize(), 3);
    EXPECT_EQ(list[0], L" value ");
    list.Add(L"Value");
    EXPECT_EQ(list.GetSize(), 3);
    EXPECT_EQ(list[0], L"Value");
}

TEST_F(RecentStrings, NeverMoreThan32AndTheOldestGoes)
{
    CRecentStrings list(L"Test", false, true);
    for (int i = 0; i < 32; ++i)
        list.Add(zv::Format(L"e%d", i));
    ASSERT_EQ(list.GetSize(), 32);
    EXPECT_EQ(list[31], L"e0");
    list.Add(L"new");
    ASSERT_EQ(list.GetSize(), 32);
    EXPECT_EQ(list[0], L"new");
    EXPECT_EQ(list[31], L"e1");
    // The 32nd entry is beyond the walk, so adding it again drops the old copy.
    list.Add(L"E1");
    ASSERT_EQ(list.GetSize(), 32);
    EXPECT_EQ(list[0], L"E1");
    EXPECT_EQ(list[31], L"e2");
    // One within the first 31 only moves.
    list.Add(L"e20");
    EXPECT_EQ(list[0], L"e20");
    EXPECT_EQ(list[31], L"e2");
}

TEST_F(RecentStrings, LoadSkipsGapsAndSaveRenumbersAndRemovesTheRest)
{
    CSettingsStore& store = Settings();
    store.WriteProfileString(L"RecentPath", L"0", L"zero");
    store.WriteProfileString(L"RecentPath", L"2", L"two");
    store.WriteProfileString(L"RecentPath", L"5", L"five");
    store.WriteProfileString(L"RecentPath", L"31", L"last");
    store.WriteProfileString(L"RecentPath", L"32", L"beyond");
    CRecentStrings list(L"Path", false, true);
    list.Load();
    ASSERT_EQ(list.GetSize(), 4);
    EXPECT_EQ(list[1], L"two");
    EXPECT_EQ(list[3], L"last");
    list.RemoveAt(3);
    list.Save();
    EXPECT_EQ(store.GetProfileString(L"RecentPath", L"0"), L"zero");
    EXPECT_EQ(store.GetProfileString(L"RecentPath", L"1"), L"two");
    EXPECT_EQ(store.GetProfileString(L"RecentPath", L"2"), L"five");
    for (int i = 3; i < 32; ++i)
        EXPECT_EQ(store.GetProfileString(L"RecentPath", zv::Format(L"%d", i).c_str(), L"none"), L"none") << i;

    CRecentStrings again(L"Path", false, true);
    again.Load();
    EXPECT_EQ(again.Entries(), (std::vector<std::wstring>{L"zero", L"two", L"five"}));
}
