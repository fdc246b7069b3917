// Type texts and the link tests on data texts.
#include "values/DataLinks.h"

#include <gtest/gtest.h>

TEST(ValueTypes, NamesAndOtherNumbersReadBack)
{
    EXPECT_EQ(TypeText(REG_SZ), L"REG_SZ");
    EXPECT_EQ(TypeText(REG_QWORD), L"REG_QWORD");
    EXPECT_EQ(TypeText(0x20), L"0x20");
    EXPECT_EQ(TypeFromText(L"0x20"), 0x20u);
    EXPECT_EQ(TypeFromText(L"REG_RESOURCE_REQUIREMENTS_LIST"), 10u);
    EXPECT_EQ(TypeFromText(L"reg_sz"), 0u) << "names compare exactly";
    EXPECT_EQ(TypeFromText(L"junk"), 0u);
    EXPECT_EQ(TypeIcon(REG_SZ), 1);
    EXPECT_EQ(TypeIcon(REG_NONE), 7);
    EXPECT_EQ(TypeIcon(REG_DWORD_BIG_ENDIAN), 0);
    EXPECT_EQ(TypeIcon(0x20), 0);
}

TEST(DataLinks, GuidsCountAtTheStartOrInBraces)
{
    EXPECT_EQ(FindGuid(L"{00021401-0000-0000-C000-000000000046}"), 0u);
    EXPECT_EQ(FindGuid(L"00021401-0000-0000-c000-000000000046 trailing"), 0u);
    EXPECT_EQ(FindGuid(L"see {00021401-0000-0000-C000-000000000046} here"), 4u);
    EXPECT_FALSE(ContainsGuid(L"see 00021401-0000-0000-C000-000000000046"));
    EXPECT_FALSE(ContainsGuid(L"{00021401-0000-0000-C000-00000000004}"));
    EXPECT_FALSE(ContainsGuid(L"{00021401-0000-0000-C000-000000000046"));
    EXPECT_FALSE(ContainsGuid(L""));
}

TEST(DataLinks, PathFormsAreJudgedWithoutTheFileSystem)
{
    for (const wchar_t* text : {L"C:\\Windows\\notepad.exe", L"%SystemRoot%\\system32\\x.dll",
                                L"\\SystemRoot\\System32\\drivers\\a.sys", L"file:C:\\a.txt",
                                L"\\\\server\\share", L"\"C:\\Program Files\\x.exe\" /a", L"@C:\\x.dll,-100",
                                L"system32\\y.dll", L"c;5;rest", L"\\Windows", L"Q?\\x"})
        EXPECT_TRUE(FindFilePath(text)) << text;
    for (const wchar_t* text : {L"\\Device\\HarddiskVolume1\\x", L"word", L"", L"//", L"12:30", L"C:x"})
        EXPECT_FALSE(FindFilePath(text)) << text;
}

TEST(DataLinks, ExistingFilesAndFoldersAreFound)
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring found;
    ASSERT_TRUE(FindFilePath(L"%SystemRoot%\\system32\\kernel32.dll,1", &found));
    EXPECT_EQ(_wcsicmp(found.c_str(), (std::wstring(windows) + L"\\system32\\kernel32.dll").c_str()), 0)
        << found;
    ASSERT_TRUE(FindFilePath(L"system32\\no-such-file.dll", &found));
    EXPECT_EQ(_wcsicmp(found.c_str(), (std::wstring(windows) + L"\\system32").c_str()), 0)
        << "the longest existing folder";
    EXPECT_TRUE(FindFilePath(L"notepad.exe", &found)) << "relative names below the Windows folder";
    EXPECT_FALSE(FindFilePath(L"\\Device\\x", &found));
}
