// The key reader against the real registry of the test prefix.
#include "registry/EzReg.h"
#include "registry/RootKeys.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>
#include <set>

TEST(RegReader, ComputerLevelListsTheFiveRootsAndHasNoValues)
{
    CEzReg computer(L"");
    EXPECT_TRUE(computer.IsComputer());
    EXPECT_EQ(computer.KeyName(), L"My Computer");
    EXPECT_EQ(computer.SubKeyCount(), 5u);
    EXPECT_FALSE(computer.HasValues());
    std::vector<std::wstring> names;
    if (computer.FirstSubKey())
        do
            names.emplace_back(computer.SubKeyName);
        while (computer.NextSubKey());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"CLASSES_ROOT", L"CURRENT_CONFIG", L"CURRENT_USER",
                                                L"LOCAL_MACHINE", L"USERS"}));
}

TEST(RegReader, EveryRootOpensAsItsPredefinedHandleAndIsNeverClosed)
{
    for (int i = 0; i < kRootCount; ++i)
    {
        {
            CEzReg root(RootName(i));
            EXPECT_FALSE(root.IsComputer());
            EXPECT_EQ(root.Key, RootHandle(i));
            EXPECT_TRUE(root.Open(KEY_READ));
            EXPECT_EQ(root.KeyName(), RootName(i));
            EXPECT_TRUE(root.FirstSubKey()) << i; // every root of a fresh prefix has sub-keys
        }
        // Still usable after a reader on it was destroyed.
        HKEY probe = nullptr;
        EXPECT_EQ(RegOpenKeyExW(RootHandle(i), nullptr, 0, KEY_READ, &probe), ERROR_SUCCESS);
        if (probe)
            RegCloseKey(probe);
    }
    CEzReg lower(L"users");
    EXPECT_EQ(lower.Key, HKEY_USERS);
}

TEST(RegReader, PathSplitsAtTheFirstSeparatorOnly)
{
    CEzReg reader(L"CURRENT_USER/Software/Foo");
    EXPECT_EQ(reader.BaseKey, HKEY_CURRENT_USER);
    EXPECT_STREQ(reader.SubKeyPath, L"Software/Foo");
    EXPECT_EQ(reader.KeyName(), L"CURRENT_USER/Software/Foo"); // no backslash in the path at all

    CEzReg backslash(L"CURRENT_USER\\Software\\Foo");
    EXPECT_EQ(backslash.KeyName(), L"Foo");
}

TEST(RegReader, UnknownRootNameOpensNothingAndListsNothing)
{
    CEzReg reader(L"LOCALMACHINE\\Software");
    EXPECT_FALSE(reader.Open(KEY_READ));
    EXPECT_FALSE(reader.FirstSubKey());
    EXPECT_FALSE(reader.FirstValue());
    EXPECT_EQ(reader.SubKeyCount(), 0u);
    EXPECT_FALSE(reader.CreateKey());

    CEzReg bare(L"NOSUCHROOT");
    EXPECT_FALSE(bare.IsComputer());
    EXPECT_FALSE(bare.FirstSubKey());
}

TEST(RegReader, EnumeratesSubKeysAndValuesWithTypesAndData)
{
    RegistrySandbox box;
    box.CreateKey(L"B");
    box.CreateKey(L"A");
    box.SetString(L"", L"Text", L"hello");
    box.SetDword(L"", L"Number", 7);
    box.SetValue(L"", L"", REG_BINARY, Bytes({1, 2}));

    CEzReg reader(box.Path());
    EXPECT_EQ(reader.SubKeyCount(), 2u);
    EXPECT_TRUE(reader.HasValues());
    EXPECT_TRUE(reader.HasSubKey(L"a"));
    EXPECT_FALSE(reader.HasSubKey(L"C"));

    std::set<std::wstring> values;
    if (reader.FirstValue())
        do
            values.insert(std::wstring(reader.ValueName) + L"=" + reader.DataText());
        while (reader.NextValue());
    EXPECT_EQ(values, (std::set<std::wstring>{L"Text=hello", L"Number=7", L"=01 02"}));

    ASSERT_TRUE(reader.QueryValue(L"Number"));
    EXPECT_EQ(reader.ValueType, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(reader.DataSize, 4u);
    EXPECT_STREQ(reader.ValueName, L"Number");
    EXPECT_FALSE(reader.QueryValue(L"Missing"));
}

TEST(RegReader, BigValueGrowsTheBufferOnceAndItStaysGrown)
{
    RegistrySandbox box;
    std::vector<BYTE> big(300);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<BYTE>(i);
    box.SetValue(L"", L"a_big", REG_BINARY, big);
    box.SetValue(L"", L"b_small", REG_BINARY, Bytes({9}));

    CEzReg reader(box.Path());
    EXPECT_EQ(reader.DataCapacity, 260u);
    ASSERT_TRUE(reader.QueryValue(L"a_big"));
    EXPECT_EQ(reader.DataSize, 300u);
    EXPECT_EQ(reader.DataCapacity, 304u);
    EXPECT_EQ(std::vector<BYTE>(reader.Data, reader.Data + reader.DataSize), big);
    ASSERT_TRUE(reader.QueryValue(L"b_small"));
    EXPECT_EQ(reader.DataCapacity, 304u);
    EXPECT_EQ(reader.DataSize, 1u);

    CEzReg enumerator(box.Path());
    int seen = 0;
    if (enumerator.FirstValue())
    {
        do
        {
            ++seen;
            if (std::wstring(enumerator.ValueName) == L"a_big")
            {
                EXPECT_EQ(std::vector<BYTE>(enumerator.Data, enumerator.Data + enumerator.DataSize), big);
            }
        } while (enumerator.NextValue());
    }
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(enumerator.DataCapacity, 304u);
}

TEST(RegReader, ValueWithLongNameDoesNotEndTheEnumeration)
{
    RegistrySandbox box;
    std::wstring longName(600, L'n');
    std::wstring longest(16383, L'z');
    box.SetString(L"", L"a", L"first");
    box.SetString(L"", longName, L"long");
    box.SetValue(L"", longest, REG_BINARY, std::vector<BYTE>(400, 0xAB));
    box.SetString(L"", L"zz_after", L"last");

    CEzReg reader(box.Path());
    std::set<std::wstring> names;
    if (reader.FirstValue())
        do
            names.insert(reader.ValueName);
        while (reader.NextValue());
    EXPECT_EQ(names.size(), 4u);
    EXPECT_TRUE(names.count(longName));
    EXPECT_TRUE(names.count(longest));
    EXPECT_TRUE(names.count(L"zz_after"));

    ASSERT_TRUE(reader.QueryValue(longName.c_str()));
    EXPECT_EQ(std::wstring(reader.ValueName), longName);
    EXPECT_EQ(reader.DataText(), L"long");
}

TEST(RegReader, PathOverSegmentLimitOpensInSegmentsAndReopensWithWiderRights)
{
    RegistrySandbox box;
    // Twelve components of 49 characters: a sub-key path of 600 characters
    // below the sandbox, with backslashes every 50 characters.
    std::wstring sub;
    for (int i = 0; i < 12; ++i)
    {
        if (i)
            sub += L'\\';
        sub += std::wstring(48, static_cast<wchar_t>(L'a' + i)) + L"x";
    }
    ASSERT_EQ(sub.size(), 599u);
    box.CreateKey(sub);
    box.SetString(sub, L"deep", L"found");

    std::wstring path = box.PathOf(sub);
    ASSERT_GT(wcslen(CEzReg(path).SubKeyPath), 600u);
    CEzReg reader(path);
    ASSERT_TRUE(reader.Open(KEY_QUERY_VALUE));
    EXPECT_NE(reader.BaseKey, HKEY_CURRENT_USER); // an intermediate handle remains as the base
    EXPECT_LE(wcslen(reader.SubKeyPath), 260u);
    ASSERT_TRUE(reader.QueryValue(L"deep"));
    EXPECT_EQ(reader.DataText(), L"found");
    // Wider rights reopen just the last segment below the kept parent.
    EXPECT_TRUE(reader.SetValueText(L"written", L"yes", REG_SZ));
    DWORD type;
    std::vector<BYTE> data;
    EXPECT_TRUE(box.ReadValue(sub, L"written", type, data));
    EXPECT_EQ(reader.KeyName(), std::wstring(48, L'l') + L"x");

    CEzReg missing(path + L"\\nope");
    EXPECT_FALSE(missing.Open(KEY_READ));
    EXPECT_EQ(missing.LastError, ERROR_FILE_NOT_FOUND);
}

TEST(RegReader, SegmentWithoutBackslashCannotOpen)
{
    CEzReg reader(L"CURRENT_USER\\" + std::wstring(270, L'q'));
    EXPECT_FALSE(reader.Open(KEY_READ));
}

TEST(RegReader, ChildReaderOpensParentsCurrentSubKeyAndBuildsFullPath)
{
    RegistrySandbox box;
    box.SetString(L"Child", L"v", L"x");
    CEzReg parent(box.Path());
    ASSERT_TRUE(parent.FirstSubKey());
    CRegReader child(&parent);
    ASSERT_TRUE(child.OpenForEnum());
    EXPECT_EQ(child.FullPath(), box.Path() + L"\\Child");
    ASSERT_TRUE(child.NextValue());
    EXPECT_STREQ(child.ValueName, L"v");
    EXPECT_FALSE(child.NextValue());
}

TEST(RegReader, CreateKeyDeleteValueClassAndTime)
{
    RegistrySandbox box;
    CEzReg fresh(box.PathOf(L"New\\Deeper"));
    EXPECT_TRUE(fresh.CreateKey());
    EXPECT_TRUE(box.Exists(L"New\\Deeper"));
    EXPECT_TRUE(fresh.CreateKey()); // an existing key counts as success

    box.SetString(L"New", L"gone", L"x");
    CEzReg reader(box.PathOf(L"New"));
    EXPECT_TRUE(reader.DeleteValue(L"gone"));
    EXPECT_TRUE(box.ValueNames(L"New").empty());
    EXPECT_FALSE(reader.DeleteValue(L"gone"));
    EXPECT_EQ(reader.ClassName(), L"");
    FILETIME time = reader.LastWriteTime();
    EXPECT_TRUE(time.dwHighDateTime != 0 || time.dwLowDateTime != 0);
    EXPECT_EQ(CEzReg(L"").CreateKey(), false);
}

TEST(RegReader, KeyAddressedRelativeToAnOpenHandle)
{
    RegistrySandbox box;
    box.SetDword(L"Sub", L"n", 3);
    CEzReg parent(box.Path());
    ASSERT_TRUE(parent.Open(KEY_READ));
    CEzReg child(parent.Key, L"Sub");
    ASSERT_TRUE(child.QueryValue(L"n"));
    EXPECT_EQ(child.DataText(), L"3");
    EXPECT_EQ(child.KeyName(), L"Sub");
    EXPECT_FALSE(child.IsComputer());
}

// The shipped program is 32-bit: every open, enumeration and creation must
// reach the 64-bit view, or it would show and change the redirected keys.
TEST(RegReader, OpensEnumeratesAndCreatesInThe64BitView)
{
    const wchar_t* sub = L"Software\\ZorvaneViewProbe";
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneViewProbe\\Created", KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_64KEY, 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExW(key, L"Only64", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    RegCloseKey(key);

    CEzReg created(L"LOCAL_MACHINE\\Software\\ZorvaneViewProbe\\Created");
    EXPECT_TRUE(created.CreateKey());
    HKEY probe = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneViewProbe\\Created", 0,
                            KEY_READ | KEY_WOW64_64KEY, &probe),
              ERROR_SUCCESS);
    if (probe)
        RegCloseKey(probe);

    CEzReg parent(L"LOCAL_MACHINE\\Software\\ZorvaneViewProbe");
    ASSERT_TRUE(parent.QueryValue(L"Only64"));
    CRegReader enumerate(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneViewProbe");
    ASSERT_TRUE(enumerate.OpenForEnum());
    ASSERT_TRUE(enumerate.NextSubKey());
    EXPECT_STREQ(enumerate.SubKeyName, L"Created");
    ASSERT_TRUE(enumerate.NextValue());
    EXPECT_STREQ(enumerate.ValueName, L"Only64");

    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneViewProbe\\Created", KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_64KEY, 0);
}
