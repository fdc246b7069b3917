// Text forms of value data under the three numeric formats.
#include "registry/EzReg.h"
#include "registry/NumberFormat.h"
#include "registry/ValueText.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>
#include <cstring>

namespace
{
// Restores decimal after each test that switches the format.
class ValueText : public ::testing::Test
{
  protected:
    void TearDown() override { SetNumberFormatIndex(0); }
};

std::wstring Shown(DWORD type, const std::vector<BYTE>& data)
{
    return ValueDataText(type, data.data(), static_cast<DWORD>(data.size()));
}

std::vector<BYTE> Dword(DWORD v)
{
    std::vector<BYTE> b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
}

std::vector<BYTE> Qword(ULONGLONG v)
{
    std::vector<BYTE> b(8);
    std::memcpy(b.data(), &v, 8);
    return b;
}
} // namespace

TEST_F(ValueText, NumbersInEachFormat)
{
    struct Case
    {
        int format;
        const wchar_t* dword255;
        const wchar_t* qword255;
        const wchar_t* dwordFormat;
    } cases[] = {
        {0, L"255", L"255", L"%u"},
        {1, L"0x000000ff", L"0xff", L"0x%08lx"},
        {2, L"0x000000FF", L"0x00000000000000FF", L"0x%08lX"},
        {5, L"0x000000FF", L"0x00000000000000FF", L"0x%08lX"},
    };
    for (const Case& c : cases)
    {
        SetNumberFormatIndex(c.format);
        EXPECT_EQ(Shown(REG_DWORD, Dword(255)), c.dword255) << c.format;
        EXPECT_EQ(Shown(REG_QWORD, Qword(255)), c.qword255) << c.format;
        EXPECT_STREQ(DwordFormat(), c.dwordFormat);
    }
    SetNumberFormatIndex(0);
    EXPECT_EQ(Shown(REG_DWORD, Dword(0xFFFFFFFF)), L"4294967295");
    EXPECT_EQ(Shown(REG_QWORD, Qword(0xFFFFFFFFFFFFFFFFull)), L"18446744073709551615");
}

TEST_F(ValueText, StringsMultiStringsAndBytes)
{
    EXPECT_EQ(Shown(REG_SZ, StringBytes(L"abc")), L"abc");
    EXPECT_EQ(Shown(REG_SZ, StringBytes(L"abc", false)), L"abc");
    EXPECT_EQ(Shown(REG_EXPAND_SZ, StringBytes(L"%PATH%")), L"%PATH%");
    std::vector<BYTE> embedded = StringBytes(std::wstring(L"ab\0cd", 5));
    EXPECT_EQ(Shown(REG_SZ, embedded), L"ab");
    EXPECT_EQ(Shown(REG_SZ, Bytes({'a', 0, 'b'})), L"a"); // odd size: whole units only

    EXPECT_EQ(Shown(REG_MULTI_SZ, StringBytes(std::wstring(L"one\0two\0", 8))), L"one\r\ntwo");
    EXPECT_EQ(Shown(REG_MULTI_SZ, StringBytes(std::wstring(L"one\0\0two\0", 9))), L"one");
    EXPECT_EQ(Shown(REG_MULTI_SZ, StringBytes(std::wstring(L"\0two\0", 5))), L"");
    EXPECT_EQ(Shown(REG_MULTI_SZ, StringBytes(L"tail", false)), L"tail");

    EXPECT_EQ(Shown(REG_BINARY, {}), L"");
    EXPECT_EQ(Shown(REG_BINARY, Bytes({1, 2})), L"01 02");
    EXPECT_EQ(Shown(REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 1})), L"00 00 00 01");
    EXPECT_EQ(Shown(REG_NONE, Bytes({0x00, 0x1a, 0xff})), L"00 1a ff");
    EXPECT_EQ(Shown(12, Bytes({5})), L"05");
    EXPECT_EQ(Shown(REG_RESOURCE_LIST, Bytes({0xde, 0xad})), L"de ad");
}

TEST_F(ValueText, NumbersOfTheWrongSizeShowTheirOwnBytes)
{
    EXPECT_EQ(Shown(REG_DWORD, Bytes({0x12, 0x34})), L"12 34");
    EXPECT_EQ(Shown(REG_QWORD, Bytes({1, 2, 3, 4})), L"01 02 03 04");
    EXPECT_EQ(Shown(REG_DWORD, Bytes({1, 0, 0, 0, 9})), L"01 00 00 00 09");
}

TEST_F(ValueText, ShortDwordThroughTheReaderAfterABiggerValue)
{
    // The reader's buffer still holds the earlier value's bytes; they must not show.
    RegistrySandbox box;
    box.SetValue(L"", L"a", REG_DWORD, Dword(0x11223344));
    box.SetValue(L"", L"b", REG_DWORD, Bytes({0x99}));
    CEzReg reader(box.Path());
    ASSERT_TRUE(reader.QueryValue(L"a"));
    EXPECT_EQ(reader.DataText(), L"287454020");
    ASSERT_TRUE(reader.QueryValue(L"b"));
    EXPECT_EQ(reader.DataText(), L"99");
}

TEST_F(ValueText, TypeNames)
{
    EXPECT_EQ(TypeName(0), L"REG_NONE");
    EXPECT_EQ(TypeName(11), L"REG_QWORD");
    EXPECT_EQ(TypeName(10), L"REG_RESOURCE_REQUIREMENTS_LIST");
    EXPECT_EQ(TypeName(12), L"0xc");
    EXPECT_EQ(TypeName(0x1f4), L"0x1f4");
    EXPECT_EQ(TypeFromName(L"REG_BINARY"), 3);
    EXPECT_EQ(TypeFromName(L"reg_binary"), -1);
    EXPECT_EQ(TypeFromName(L"0xc"), -1);
    int editable = 0;
    for (DWORD t = 0; t < 16; ++t)
        editable += IsEditableType(t);
    EXPECT_EQ(editable, 7);
    EXPECT_FALSE(IsEditableType(REG_DWORD_BIG_ENDIAN));
    EXPECT_TRUE(IsEditableType(REG_QWORD));
}

TEST_F(ValueText, WritingFromTextGivesTheRightBytes)
{
    EXPECT_EQ(ValueDataFromText(L"", REG_MULTI_SZ), Bytes({0, 0, 0, 0}));
    EXPECT_EQ(ValueDataFromText(L"a\r\n\r\nb", REG_MULTI_SZ), StringBytes(std::wstring(L"a\0b\0", 4)));
    EXPECT_EQ(ValueDataFromText(L"a\r\n", REG_MULTI_SZ), StringBytes(std::wstring(L"a\0\0", 3)));
    EXPECT_EQ(ValueDataFromText(L"x\r\ny", REG_MULTI_SZ), StringBytes(std::wstring(L"x\0y\0", 4)));
    EXPECT_EQ(ValueDataFromText(L"-1", REG_DWORD), Dword(0xFFFFFFFF));
    EXPECT_EQ(ValueDataFromText(L"0x10", REG_DWORD), Dword(16));
    EXPECT_EQ(ValueDataFromText(L"010", REG_DWORD), Dword(8));
    // Text that is no number is refused before anything is written.
    EXPECT_NE(ValueTextProblem(L"12abc", REG_DWORD), L"");
    EXPECT_NE(ValueTextProblem(L"nonsense", REG_QWORD), L"");
    EXPECT_EQ(ValueDataFromText(L"0xFFFFFFFFFFFFFFFF", REG_QWORD), Qword(0xFFFFFFFFFFFFFFFFull));
    EXPECT_EQ(ValueDataFromText(L"abc", REG_SZ), StringBytes(L"abc"));
    EXPECT_EQ(ValueDataFromText(L"", REG_EXPAND_SZ), Bytes({0, 0}));
    EXPECT_EQ(ValueDataFromText(L"00 1a FF", REG_BINARY), Bytes({0, 0x1a, 0xff}));
    EXPECT_EQ(ValueDataFromText(L"xyz? qrs!", REG_NONE).size(), 0u);
}

TEST_F(ValueText, SetValueTextWritesAndRefusesTypesItCannotEdit)
{
    RegistrySandbox box;
    CEzReg reader(box.Path());
    EXPECT_TRUE(reader.SetValueText(L"m", L"one\r\ntwo", REG_MULTI_SZ));
    EXPECT_TRUE(reader.SetValueText(L"b", L"", REG_BINARY));
    EXPECT_FALSE(reader.SetValueText(L"x", L"00 00 00 01", REG_DWORD_BIG_ENDIAN));
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"", L"m", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(data, StringBytes(std::wstring(L"one\0two\0", 8)));
    ASSERT_TRUE(box.ReadValue(L"", L"b", type, data));
    EXPECT_TRUE(data.empty());
    EXPECT_FALSE(box.ReadValue(L"", L"x", type, data));
    CEzReg missing(box.PathOf(L"NoSuchKey"));
    EXPECT_FALSE(missing.SetValueText(L"v", L"1", REG_DWORD));
}

TEST_F(ValueText, HexAndNumberConversionsOfTheEditor)
{
    EXPECT_EQ(HexTextToBytes(L"abc"), Bytes({0xab, 0x0c}));
    EXPECT_EQ(HexTextToBytes(L"zz"), std::vector<BYTE>());
    BYTE buffer[2] = {};
    DWORD size = 2;
    HexTextToBytes(L"01 02 03", buffer, size);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(buffer[1], 2);
    size = 2;
    HexTextToBytes(L"7", buffer, size);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(BytesToHex(Bytes({0, 0x1a, 0xff}).data(), 3, L','), L"00,1a,ff");

    std::wstring text = L"1";
    DwordTextToHex(text);
    EXPECT_EQ(text, L"01 00 00 00");
    text = L"0x0102030405060708";
    QwordTextToHex(text);
    EXPECT_EQ(text, L"08 07 06 05 04 03 02 01");

    SetNumberFormatIndex(2);
    text = L"01 02 03 04 05";
    EXPECT_EQ(HexToDwordText(text), 0x04030201u);
    EXPECT_EQ(text, L"0x04030201");
    text = L"";
    EXPECT_EQ(HexToDwordText(text), 0u);
    EXPECT_EQ(text, L"");
    text = L"ff";
    EXPECT_EQ(HexToQwordText(text), 0xffull);
    EXPECT_EQ(text, L"0x00000000000000FF");
}

TEST_F(ValueText, EscapedTextRoundTrips)
{
    std::vector<BYTE> data = StringBytes(std::wstring(L"A\0\t", 3), false);
    std::wstring text = BytesToEscapedText(data.data(), data.size());
    EXPECT_EQ(text, L"A\\0\\t");
    EXPECT_EQ(EscapedTextToBytes(text), data);

    EXPECT_EQ(EscapedTextToBytes(L"\\x41B"), Bytes({0x41, 0, 'B', 0}));
    EXPECT_EQ(EscapedTextToBytes(L"\\q"), Bytes({'\\', 0, 'q', 0}));
    EXPECT_EQ(EscapedTextToBytes(L"\\x4"), Bytes({'\\', 0, 'x', 0, '4', 0}));

    // An odd last byte survives the trip through the text view.
    std::vector<BYTE> odd = Bytes({'h', 0, 0x7f});
    std::wstring oddText = BytesToEscapedText(odd.data(), odd.size());
    EXPECT_EQ(oddText, L"h\\x7f");
    EXPECT_EQ(EscapedTextToBytes(oddText), odd);

    BYTE small[3] = {};
    DWORD size = 3;
    EscapedTextToBytes(L"abc", small, size);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(small[2], 'b');
}
