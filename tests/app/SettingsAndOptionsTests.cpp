// The settings store and the option accessors.
#include "app/Options.h"
#include "base/ProgramInfo.h"
#include "base/SettingsStore.h"
#include "registry/NumberFormat.h"
#include "registry/ValueText.h"

#include <gtest/gtest.h>
#include <cstring>

namespace
{
class Options : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Settings().DeleteProfileSection(L"Numbers");
        Settings().DeleteProfileSection(L"Options");
    }
    void TearDown() override
    {
        SetNumberFormatIndex(0);
        Settings().DeleteProfileSection(L"Numbers");
        Settings().DeleteProfileSection(L"Options");
    }
};
} // namespace

TEST(SettingsStore, ProgramProfileLivesUnderTheCompanyKey)
{
    CSettingsStore store(kCompanyName, kApplicationName);
    EXPECT_EQ(store.ProfileKey(), L"Software\\Quenmar\\Zorvane");
}

TEST(SettingsStore, EntriesReadWithDefaultsWrittenAndDeleted)
{
    CSettingsStore& store = Settings();
    EXPECT_EQ(store.GetProfileInt(L"T", L"n", 12345), 12345u);
    EXPECT_EQ(store.GetProfileString(L"T", L"s", L"dflt"), L"dflt");
    EXPECT_TRUE(store.WriteProfileInt(L"T", L"n", -7));
    EXPECT_TRUE(store.WriteProfileString(L"T", L"s", L"text"));
    EXPECT_EQ(static_cast<int>(store.GetProfileInt(L"T", L"n", 0)), -7);
    EXPECT_EQ(store.GetProfileString(L"T", L"s"), L"text");
    // A string is no integer and an integer no string.
    EXPECT_EQ(store.GetProfileInt(L"T", L"s", 3), 3u);
    EXPECT_EQ(store.GetProfileString(L"T", L"n", L"d"), L"d");
    EXPECT_TRUE(store.DeleteProfileEntry(L"T", L"n"));
    EXPECT_EQ(store.GetProfileInt(L"T", L"n", 9), 9u);
    EXPECT_TRUE(store.DeleteProfileSection(L"T"));
    EXPECT_EQ(store.GetProfileString(L"T", L"s"), L"");
}

TEST_F(Options, DefaultsWithNothingStored)
{
    LoadNumberFormat();
    EXPECT_EQ(NumberFormatIndex(), 0);
    EXPECT_STREQ(DwordFormat(), L"%u");
    EXPECT_TRUE(GetRestoreLastKey());
    EXPECT_TRUE(GetUseAutoAppend());
    EXPECT_TRUE(GetUseAutoSuggest());
}

TEST_F(Options, StoredFormatFiveGivesUpperCaseForms)
{
    Settings().WriteProfileInt(L"Numbers", L"Format", 5);
    LoadNumberFormat();
    EXPECT_STREQ(DwordFormat(), L"0x%08lX");
    EXPECT_STREQ(QwordFormat(), L"0x%016I64X");
}

TEST_F(Options, SetNumberFormatAppliesAndPersistsTheLow16Bits)
{
    SetNumberFormat(0x10001);
    EXPECT_EQ(NumberFormatIndex(), 1);
    EXPECT_EQ(Settings().GetProfileInt(L"Numbers", L"Format", 99), 1u);
    DWORD ten = 10;
    BYTE data[4];
    std::memcpy(data, &ten, 4);
    EXPECT_EQ(ValueDataText(REG_DWORD, data, 4), L"0x0000000a");
    SetNumberFormat(0xFFFF); // -1 as a 16-bit signed number: upper case
    EXPECT_EQ(NumberFormatIndex(), -1);
    EXPECT_EQ(ValueDataText(REG_DWORD, data, 4), L"0x0000000A");
}

TEST_F(Options, FlagsReadTheirEntries)
{
    SetRestoreLastKey(false);
    EXPECT_FALSE(GetRestoreLastKey());
    EXPECT_EQ(Settings().GetProfileInt(L"Options", L"RestoreLastKey", 9), 0u);
    SetRestoreLastKey(true);
    EXPECT_EQ(Settings().GetProfileInt(L"Options", L"RestoreLastKey", 9), 1u);
    Settings().WriteProfileInt(L"Options", L"UseAutoAppendForValueData", 0);
    Settings().WriteProfileInt(L"Options", L"UseAutoSuggestForValueData", 0);
    EXPECT_FALSE(GetUseAutoAppend());
    EXPECT_FALSE(GetUseAutoSuggest());
}
