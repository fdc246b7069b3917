// The text forms a user edits must give back exactly the bytes they came
// from: escaped text of binary data, numbers in every format, byte lists with
// every separator; and text that is no number is refused with a reason.
#include "registry/NumberFormat.h"
#include "registry/ValueText.h"

#include "base/Strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace
{
std::vector<BYTE> Units(std::wstring_view text)
{
    std::vector<BYTE> bytes(text.size() * 2);
    if (!text.empty())
        std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

// Byte strings biased toward what breaks escapes: backslashes followed by
// 0, t, x and hex digits, NULs, tabs, CR and LF, and odd lengths.
std::vector<BYTE> TrickyBytes(std::mt19937& random)
{
    static const wchar_t* const pieces[] = {L"\\", L"0",     L"t",    L"x",    L"X",     L"4",
                                            L"1f", L"\\x41", L"\\\\", L"\\0",  L"\\t",   L"a",
                                            L"\r", L"\n",    L"\t",   L"\x5c", L"\xffff"};
    std::wstring text;
    int count = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < count; ++i)
    {
        int pick = std::uniform_int_distribution<int>(0, static_cast<int>(std::size(pieces)))(random);
        if (pick == static_cast<int>(std::size(pieces)))
            text += L'\0';
        else
            text += pieces[pick];
    }
    std::vector<BYTE> bytes = Units(text);
    if (std::uniform_int_distribution<int>(0, 3)(random) == 0)
        bytes.push_back(static_cast<BYTE>(std::uniform_int_distribution<int>(0, 255)(random))); // odd length
    return bytes;
}
} // namespace

TEST(ValueTextRoundTrip, EscapedTextGivesBackEveryByteSequence)
{
    // The cases that used to change: a backslash before t, 0 or x and two hex digits.
    for (std::wstring_view raw : {L"C:\\temp", L"a\\0b", L"\\x41", L"\\\\x41", L"end\\"})
    {
        std::vector<BYTE> bytes = Units(raw);
        std::wstring text = BytesToEscapedText(bytes.data(), bytes.size());
        EXPECT_EQ(EscapedTextToBytes(text), bytes) << zv::ToUtf8(text);
    }
    EXPECT_EQ(BytesToEscapedText(Units(L"C:\\temp").data(), 14), L"C:\\x5ctemp");
    // Typed text keeps its meaning: \t is a tab, a lone backslash a backslash.
    EXPECT_EQ(EscapedTextToBytes(L"a\\tb"), Units(std::wstring(L"a\tb")));
    EXPECT_EQ(EscapedTextToBytes(L"a\\b"), Units(L"a\\b"));

    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i)
    {
        std::vector<BYTE> bytes = TrickyBytes(random);
        std::wstring text = BytesToEscapedText(bytes.data(), bytes.size());
        ASSERT_EQ(EscapedTextToBytes(text), bytes) << zv::ToUtf8(text);
    }
}

TEST(ValueTextRoundTrip, EveryEditableTypeAndNumberFormatReadsBackItsBytes)
{
    std::mt19937 random(5);
    const wchar_t separators[] = {L' ', L',', L'-', L':', L'\t'};
    for (int format = 0; format < 3; ++format)
    {
        SetNumberFormatIndex(format);
        for (int i = 0; i < 3000; ++i)
        {
            DWORD dword = random();
            ULONGLONG qword = (static_cast<ULONGLONG>(random()) << 32) | random();
            std::vector<BYTE> dwordBytes(4), qwordBytes(8);
            std::memcpy(dwordBytes.data(), &dword, 4);
            std::memcpy(qwordBytes.data(), &qword, 8);
            ASSERT_EQ(ValueDataFromText(ValueDataText(REG_DWORD, dwordBytes.data(), 4), REG_DWORD),
                      dwordBytes);
            ASSERT_EQ(ValueDataFromText(ValueDataText(REG_QWORD, qwordBytes.data(), 8), REG_QWORD),
                      qwordBytes);

            std::vector<BYTE> binary = TrickyBytes(random);
            for (DWORD type : {static_cast<DWORD>(REG_BINARY), static_cast<DWORD>(REG_NONE)})
                ASSERT_EQ(ValueDataFromText(
                              ValueDataText(type, binary.data(), static_cast<DWORD>(binary.size())), type),
                          binary);
            // Byte lists typed with any separator.
            std::wstring list =
                BytesToHex(binary.data(), binary.size(), separators[i % std::size(separators)]);
            ASSERT_EQ(HexTextToBytes(list), binary) << zv::ToUtf8(list);
        }
    }
    SetNumberFormatIndex(0);
    // Strings: the text is the data up to its terminator.
    std::wstring text = L"h\x00e9llo \x4e16\x754c";
    std::vector<BYTE> sz = ValueDataFromText(text, REG_SZ);
    EXPECT_EQ(ValueDataText(REG_SZ, sz.data(), static_cast<DWORD>(sz.size())), text);
    std::vector<BYTE> multi = ValueDataFromText(L"a\r\nb", REG_MULTI_SZ);
    EXPECT_EQ(ValueDataText(REG_MULTI_SZ, multi.data(), static_cast<DWORD>(multi.size())), L"a\r\nb");
}

TEST(ValueTextRoundTrip, NumbersThatAreNoNumberOrDoNotFitAreRefusedWithAReason)
{
    DWORD value = 7;
    std::wstring problem;
    EXPECT_FALSE(TryParseDwordText(L"abc", value, &problem));
    EXPECT_EQ(problem, L"\"abc\" is not a number.");
    EXPECT_FALSE(TryParseDwordText(L"4294967296", value, &problem));
    EXPECT_EQ(problem, L"4294967296 does not fit in 32 bits.");
    EXPECT_FALSE(TryParseDwordText(L"-10000000009", value, &problem))
        << "not 1, as the platform's C library says";
    EXPECT_FALSE(TryParseDwordText(L"12abc", value, &problem));
    EXPECT_FALSE(TryParseDwordText(L"", value, &problem));
    EXPECT_FALSE(TryParseDwordText(L"0x", value, &problem));
    EXPECT_FALSE(TryParseDwordText(L"09", value, &problem)) << "a leading 0 is octal";
    EXPECT_EQ(value, 7u) << "nothing is changed on a refusal";
    ULONGLONG big = 0;
    EXPECT_FALSE(TryParseQwordText(L"18446744073709551616", big, &problem));
    EXPECT_EQ(problem, L"18446744073709551616 does not fit in 64 bits.");

    struct Case
    {
        const wchar_t* text;
        DWORD value;
    } accepted[] = {{L"4294967295", 0xFFFFFFFFu},
                    {L"0xffffffff", 0xFFFFFFFFu},
                    {L" 42 ", 42},
                    {L"010", 8},
                    {L"-1", 0xFFFFFFFFu},
                    {L"+5", 5},
                    {L"0X1A", 26},
                    {L"0", 0}};
    for (const Case& c : accepted)
    {
        EXPECT_TRUE(TryParseDwordText(c.text, value, &problem)) << zv::ToUtf8(c.text);
        EXPECT_EQ(value, c.value) << zv::ToUtf8(c.text);
    }
    EXPECT_TRUE(TryParseQwordText(L"18446744073709551615", big));
    EXPECT_EQ(big, ~0ull);
    EXPECT_EQ(ValueTextProblem(L"abc", REG_DWORD), L"\"abc\" is not a number.");
    EXPECT_EQ(ValueTextProblem(L"abc", REG_SZ), L"");
}

TEST(ValueTextRoundTrip, FirstFourBytesOfAByteListWhateverSeparatesThem)
{
    SetNumberFormatIndex(1);
    std::wstring text = L"01, 02, 03, 04";
    EXPECT_EQ(HexToDwordText(text), 0x04030201u);
    text = L"01-02-03-04-05";
    EXPECT_EQ(HexToDwordText(text), 0x04030201u);
    SetNumberFormatIndex(0);
}

TEST(ValueTextRoundTrip, EnvironmentExpansionHasNoLengthLimit)
{
    std::wstring longValue(3000, L'y');
    SetEnvironmentVariableW(L"ZORVANE_LONG", longValue.c_str());
    std::wstring expanded = ExpandEnvironment(L"<%ZORVANE_LONG%>");
    EXPECT_EQ(expanded, L"<" + longValue + L">");
    SetEnvironmentVariableW(L"ZORVANE_LONG", nullptr);
}
