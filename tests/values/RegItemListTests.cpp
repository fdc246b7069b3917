// The item list: texts, descriptions and its binary clipboard format.
#include "base/Strings.h"
#include "base/FileSafeName.h"
#include "app/RegItemList.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>
#include <cstring>
#include <random>

TEST(RegItemList, FullTextsAndDescriptions)
{
    CRegItemList list;
    list.Add(L"CURRENT_USER\\Environment", L"Path", 1);
    list.AddKey(L"CURRENT_USER", L"Software");
    list.Add(L"CURRENT_USER\\Environment", L"", 1);
    list.AddKeyPath(L"USERS\\");
    list.AddKeyPath(L"LOCAL_MACHINE\\SOFTWARE\\Classes\\\\");
    EXPECT_EQ(list.FullText(0), L"CURRENT_USER\\Environment\tPath");
    EXPECT_EQ(list.FullText(1), L"CURRENT_USER\\Software");
    EXPECT_EQ(list.FullText(2), L"CURRENT_USER\\Environment");
    EXPECT_EQ(list.FullText(3), L"USERS");
    EXPECT_EQ(list.Paths[4], L"LOCAL_MACHINE\\SOFTWARE");
    EXPECT_EQ(list.Names[4], L"Classes");
    EXPECT_EQ(list.Description(), L"5 Item(s)");

    CRegItemList one;
    one.Add(L"CURRENT_USER\\Environment", L"Path", 1);
    EXPECT_EQ(one.Description(), L"\"Path\" from \"CURRENT_USER\\Environment\"");
    CRegItemList root;
    root.AddKeyPath(L"USERS");
    EXPECT_EQ(root.Description(), L"\"USERS\"");
    CRegItemList defaultValue;
    defaultValue.Add(L"CURRENT_USER\\X", L"", 1);
    EXPECT_EQ(defaultValue.Description(), L"default value of \"CURRENT_USER\\X\"");
    EXPECT_EQ(CRegItemList().Description(), L"0 Item(s)");
}

TEST(RegItemList, OneValueSerialisesToTheDocumentedSeventySevenBytes)
{
    CRegItemList list;
    list.Add(L"CURRENT_USER\\Environment", L"Path", 1);
    std::vector<BYTE> bytes = list.ToBytes();
    ASSERT_EQ(bytes.size(), 77u);
    ASSERT_EQ(list.ByteSize(), 77u);
    std::vector<BYTE> expected = {1, 0, 0, 0, 0, 1, 0, 0, 0, 50, 0, 0, 0};
    for (wchar_t c : std::wstring(L"CURRENT_USER\\Environment"))
    {
        expected.push_back(static_cast<BYTE>(c));
        expected.push_back(0);
    }
    expected.insert(expected.end(), {0, 0, 10, 0, 0, 0, 'P', 0, 'a', 0, 't', 0, 'h', 0, 0, 0});
    EXPECT_EQ(bytes, expected);

    HGLOBAL memory = nullptr;
    ASSERT_TRUE(list.WriteToMemory(memory));
    EXPECT_GE(GlobalSize(memory), 77u);
    HGLOBAL tooSmall = GlobalAlloc(GMEM_MOVEABLE, 40);
    EXPECT_FALSE(list.WriteToMemory(tooSmall));
    GlobalFree(tooSmall);

    const BYTE* p = static_cast<const BYTE*>(GlobalLock(memory));
    CRegItemList back;
    ASSERT_TRUE(back.ReadFromBytes(p, 77));
    GlobalUnlock(memory);
    GlobalFree(memory);
    ASSERT_EQ(back.Count, 1);
    EXPECT_EQ(back.FullText(0), L"CURRENT_USER\\Environment\tPath");
    EXPECT_EQ(back.Kinds[0], 1u);
    EXPECT_FALSE(back.IsMove);
}

TEST(RegItemList, ReadHonoursTheLimitTheMoveFlagAndAppends)
{
    CRegItemList list;
    list.SetMove(true);
    for (int i = 0; i < 5; ++i)
        list.AddKey(L"CURRENT_USER", std::wstring(1, static_cast<wchar_t>(L'a' + i)));
    std::vector<BYTE> bytes = list.ToBytes();
    CRegItemList back;
    back.Add(L"X", L"first", 1);
    ASSERT_TRUE(back.ReadFromBytes(bytes.data(), bytes.size(), 3));
    ASSERT_EQ(back.Count, 4);
    EXPECT_EQ(back.FullText(3), L"CURRENT_USER\\c");
    EXPECT_TRUE(back.IsMove);
}

TEST(RegItemList, TruncatedOrLyingBlocksFailWithoutReadingPastTheEnd)
{
    CRegItemList list;
    list.Add(L"CURRENT_USER\\Environment", L"Path", 1);
    list.AddKey(L"CURRENT_USER", L"Software");
    std::vector<BYTE> good = list.ToBytes();
    // Every truncation fails and leaves the list as it was.
    for (size_t size = 0; size < good.size(); ++size)
    {
        std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<long>(size));
        CRegItemList back;
        EXPECT_FALSE(back.ReadFromBytes(cut.data(), cut.size())) << size;
        EXPECT_EQ(back.Count, 0);
    }
    // A count far beyond the records, a negative count, a length past the end.
    std::vector<BYTE> lying = good;
    lying[0] = 0xFF;
    lying[1] = 0xFF;
    lying[2] = 0xFF;
    lying[3] = 0x7F;
    CRegItemList a;
    EXPECT_FALSE(a.ReadFromBytes(lying.data(), lying.size()));
    lying[3] = 0xFF;
    EXPECT_FALSE(a.ReadFromBytes(lying.data(), lying.size()));
    std::vector<BYTE> longPath = good;
    longPath[9] = 0xF0; // P of the first record
    EXPECT_FALSE(a.ReadFromBytes(longPath.data(), longPath.size()));
    // A name without its NUL inside its length still reads within the block.
    std::vector<BYTE> noNul = good;
    size_t nameStart = 5 + 4 + 4 + 50 + 4;
    noNul[nameStart + 8] = 'X';
    CRegItemList b;
    ASSERT_TRUE(b.ReadFromBytes(noNul.data(), noNul.size()));
    EXPECT_EQ(b.Names[0], L"PathX");
}

TEST(RegItemList, RandomBlocksNeverCrashTheReader)
{
    std::mt19937 random(20261209);
    CRegItemList sample;
    sample.Add(L"CURRENT_USER\\Environment", L"Path", 1);
    sample.AddKey(L"LOCAL_MACHINE", L"SOFTWARE");
    std::vector<BYTE> good = sample.ToBytes();
    int accepted = 0;
    for (int round = 0; round < 100000; ++round)
    {
        std::vector<BYTE> block;
        if (round % 2 == 0)
        {
            // Mutations of a valid block.
            block = good;
            int flips = 1 + static_cast<int>(random() % 4);
            for (int f = 0; f < flips; ++f)
                block[random() % block.size()] = static_cast<BYTE>(random());
            block.resize(random() % (block.size() + 1));
        }
        else
        {
            block.resize(random() % 64);
            for (BYTE& b : block)
                b = static_cast<BYTE>(random() % 3 == 0 ? 0 : random());
        }
        // A heap block of exactly that size, so a read past it would be caught
        // by the heap checks rather than land in slack.
        std::unique_ptr<BYTE[]> exact(new BYTE[block.size() + 1]);
        if (!block.empty())
            std::memcpy(exact.get(), block.data(), block.size());
        CRegItemList list;
        if (list.ReadFromBytes(exact.get(), block.size(), 1000))
        {
            ++accepted;
            ASSERT_LE(list.Count, 1000);
            for (int i = 0; i < list.Count; ++i)
                ASSERT_LE((list.Paths[i].size() + list.Names[i].size()) * 2, block.size());
        }
    }
    EXPECT_GT(accepted, 0);
}

TEST(RegItemList, ClipboardTextIsRegistryScript)
{
    RegistrySandbox box;
    box.SetString(L"Vals", L"First", L"one");
    box.SetDword(L"Vals", L"Second", 2);
    CRegItemList values;
    values.Add(box.PathOf(L"Vals"), L"First", 1);
    values.Add(box.PathOf(L"Vals"), L"Second", 1);
    values.Add(box.PathOf(L"Vals"), L"Vanished", 1);
    std::wstring header = L"[HKEY_" + box.PathOf(L"Vals") + L"]";
    EXPECT_EQ(values.ClipboardText(),
              L"\r\n" + header + L"\r\n\"First\"=\"one\"\r\n\"Second\"=dword:00000002");

    CRegItemList mixed;
    mixed.AddKey(box.Path(), L"Key");
    mixed.Add(box.PathOf(L"Vals"), L"First", 1);
    EXPECT_EQ(mixed.ClipboardText(),
              L"[HKEY_" + box.PathOf(L"Key") + L"]\r\n" + header + L"\r\n\"First\"=\"one\"");
}

TEST(FileSafeName, ReplacesTheCharactersFilesCannotHold)
{
    EXPECT_EQ(FileSafeName(L"C:\\Temp"), L"C;-Temp");
    EXPECT_EQ(FileSafeName(L"a/b:c"), L"a#b;c");
    EXPECT_EQ(FileSafeName(L"<>/?:*|\"\\"), L"[]#$;+!'-");
    EXPECT_EQ(FileSafeName(std::wstring(L"x\ty\x7fz\x01", 6)), L"xyz");
    EXPECT_EQ(FileSafeName(L"A:B"), L"A;B");
}

TEST(FileSafeName, DeviceNamesAreEscapedAndLookAlikesKept)
{
    for (const wchar_t* device :
         {L"CON", L"nul", L"Com1", L"LPT9", L"aux.txt", L"con  .s2r", L"CONOUT$", L"PRN"})
        EXPECT_EQ(FileSafeName(device), L"_" + std::wstring(device)) << zv::ToUtf8(device);
    for (const wchar_t* name : {L"CONSOLE", L"COM10", L"xCON", L"NULL", L"COM", L"LPTA", L"a.CON"})
        EXPECT_EQ(FileSafeName(name), name) << zv::ToUtf8(name);
    EXPECT_EQ(FileSafeName(L"C\tON"), L"_CON") << "what remains after dropping control characters counts";

    EXPECT_EQ(CutFileName(L"abcdef", 4), L"abcd");
    EXPECT_EQ(CutFileName(L"ab", 4), L"ab");
    EXPECT_EQ(CutFileName(L"ab\xD83D\xDE00", 3), L"ab") << "a surrogate pair stays whole";
    EXPECT_EQ(CutFileName(L"ab\xD83D\xDE00", 4), L"ab\xD83D\xDE00");
}
