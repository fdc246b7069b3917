// The archive string format of shortcut files, both ways.
#include "app/framework/Archive.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>

TEST(ArchiveString, ShortLengthForm)
{
    std::wstring path = L"CURRENT_USER\\Software\\Classes";
    std::vector<BYTE> bytes = EncodeArchiveString(path);
    ASSERT_EQ(bytes.size(), 4 + 2 * path.size());
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + 4), Bytes({0xFF, 0xFE, 0xFF, 0x1D}));
    EXPECT_EQ(bytes[4], 'C');
    EXPECT_EQ(bytes[5], 0);
    std::wstring back;
    size_t used = 0;
    ASSERT_TRUE(DecodeArchiveString(bytes.data(), bytes.size(), back, used));
    EXPECT_EQ(back, path);
    EXPECT_EQ(used, bytes.size());
}

TEST(ArchiveString, ThreeAndSevenByteLengthForms)
{
    std::wstring medium(300, L'm');
    std::vector<BYTE> bytes = EncodeArchiveString(medium);
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + 6),
              Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}));
    std::wstring back;
    size_t used;
    ASSERT_TRUE(DecodeArchiveString(bytes.data(), bytes.size(), back, used));
    EXPECT_EQ(back, medium);

    std::wstring edge(254, L'e');
    EXPECT_EQ(EncodeArchiveString(edge)[3], 254);
    std::wstring at255(255, L'f');
    EXPECT_EQ(EncodeArchiveString(at255)[3], 0xFF);

    std::wstring big(70000, L'b');
    bytes = EncodeArchiveString(big);
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + 10),
              Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
    ASSERT_TRUE(DecodeArchiveString(bytes.data(), bytes.size(), back, used));
    EXPECT_EQ(back.size(), 70000u);
}

TEST(ArchiveString, EightBitFormAndDamagedInput)
{
    std::vector<BYTE> narrow = Bytes({3, 'a', 'b', 'c'});
    std::wstring back;
    size_t used;
    ASSERT_TRUE(DecodeArchiveString(narrow.data(), narrow.size(), back, used));
    EXPECT_EQ(back, L"abc");

    std::vector<BYTE> good = EncodeArchiveString(L"HKCU\\x");
    for (size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(DecodeArchiveString(good.data(), size, back, used)) << size;
    std::vector<BYTE> twoMarks = Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 1, 'a', 0});
    EXPECT_FALSE(DecodeArchiveString(twoMarks.data(), twoMarks.size(), back, used));
}

TEST(Archive, WritesAndReadsStringsThroughAFile)
{
    std::wstring path = TempFilePath(L"archive.bin");
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CArchive archive(file, CArchive::store, 16); // a small buffer: several flushes
        EXPECT_TRUE(archive.WriteString(L"LOCAL_MACHINE\\SOFTWARE\tFoo"));
        EXPECT_TRUE(archive.WriteString(std::wstring(400, L'z')));
        EXPECT_TRUE(archive.Flush());
        CloseHandle(file);
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
        CArchive archive(file, CArchive::load, 16);
        std::wstring first, second, third;
        EXPECT_TRUE(archive.ReadString(first));
        EXPECT_EQ(first, L"LOCAL_MACHINE\\SOFTWARE\tFoo");
        EXPECT_TRUE(archive.ReadString(second));
        EXPECT_EQ(second, std::wstring(400, L'z'));
        EXPECT_FALSE(archive.ReadString(third));
    }
    CloseHandle(file);
    DeleteFileW(path.c_str());
}
