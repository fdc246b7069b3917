// The exact text the registry script writer produces.
#include "base/Strings.h"
#include "operations/RegExport.h"
#include "registry/EzReg.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>
#include <algorithm>

namespace
{
// The line the writer gives for one value of the sandbox.
std::wstring LineOf(const RegistrySandbox& box, const wchar_t* name)
{
    CEzReg reader(box.Path());
    EXPECT_TRUE(reader.QueryValue(name));
    return ValueLine(reader);
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t pos = 0;
    for (;;)
    {
        size_t end = text.find(L"\r\n", pos);
        lines.push_back(text.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos));
        if (end == std::wstring::npos)
            return lines;
        pos = end + 2;
    }
}
} // namespace

TEST(RegExport, EmptyKeyFileIsExactlyTheHeaderLines)
{
    RegistrySandbox box;
    std::wstring file = TempFilePath(L"empty.reg");
    CEzReg reader(box.Path());
    ASSERT_TRUE(ExportKey(reader, file));
    std::wstring expected = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_" + box.Path() + L"]\r\n\r\n";
    EXPECT_EQ(ReadUtf16File(file), expected);
    std::vector<BYTE> bytes = ReadFileBytes(file);
    EXPECT_EQ(bytes.size(), 2 + expected.size() * 2);
    DeleteFileW(file.c_str());
}

TEST(RegExport, ValueLinesOfEveryType)
{
    RegistrySandbox box;
    box.SetString(L"", L"Name", L"C:\\Temp \"x\"");
    box.SetString(L"", L"", L"abc");
    box.SetString(L"", L"Blank", L"");
    box.SetString(L"", L"Quote\"And\\Slash", L"v");
    box.SetDword(L"", L"One", 1);
    box.SetDword(L"", L"Max", 0xFFFFFFFF);
    box.SetString(L"", L"Expand", L"%PATH%", REG_EXPAND_SZ);
    box.SetValue(L"", L"Qword", REG_QWORD, Bytes({0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}));
    box.SetValue(L"", L"Multi", REG_MULTI_SZ, StringBytes(std::wstring(L"a\0b\0", 4)));
    box.SetValue(L"", L"None", REG_NONE, {});
    box.SetValue(L"", L"Bin", REG_BINARY, Bytes({0, 0xff}));
    box.SetValue(L"", L"Big", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 1}));
    box.SetValue(L"", L"Req", REG_RESOURCE_REQUIREMENTS_LIST, Bytes({1}));
    box.SetValue(L"", L"Odd", 0x1f4, Bytes({2}));

    EXPECT_EQ(LineOf(box, L"Name"), L"\"Name\"=\"C:\\\\Temp \\\"x\\\"\"");
    EXPECT_EQ(LineOf(box, L""), L"@=\"abc\"");
    EXPECT_EQ(LineOf(box, L"Blank"), L"\"Blank\"=\"\"");
    EXPECT_EQ(LineOf(box, L"Quote\"And\\Slash"), L"\"Quote\\\"And\\\\Slash\"=\"v\"");
    EXPECT_EQ(LineOf(box, L"One"), L"\"One\"=dword:00000001");
    EXPECT_EQ(LineOf(box, L"Max"), L"\"Max\"=dword:ffffffff");
    EXPECT_EQ(LineOf(box, L"Expand"), L"\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00");
    EXPECT_EQ(LineOf(box, L"Qword"), L"\"Qword\"=hex(b):08,07,06,05,04,03,02,01");
    EXPECT_EQ(LineOf(box, L"Multi"), L"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00");
    EXPECT_EQ(LineOf(box, L"None"), L"\"None\"=hex(0):");
    EXPECT_EQ(LineOf(box, L"Bin"), L"\"Bin\"=hex:00,ff");
    EXPECT_EQ(LineOf(box, L"Big"), L"\"Big\"=hex(5):00,00,00,01");
    EXPECT_EQ(LineOf(box, L"Req"), L"\"Req\"=hex(a):01");
    EXPECT_EQ(LineOf(box, L"Odd"), L"\"Odd\"=hex(1f4):02");
}

TEST(RegExport, StringsThatTheQuotedFormWouldChangeAreWrittenAsHexOne)
{
    RegistrySandbox box;
    box.SetValue(L"", L"Nul", REG_SZ, StringBytes(std::wstring(L"a\0b", 3)));
    box.SetString(L"", L"Break", L"a\r\nb");
    box.SetString(L"", L"Feed", L"a\nb");
    box.SetString(L"", L"Return", L"a\rb");
    box.SetValue(L"", L"OddSize", REG_SZ, Bytes({'a', 0, 0}));
    box.SetValue(L"", L"NoTerminator", REG_SZ, StringBytes(L"ab", false));
    box.SetValue(L"", L"ZeroSize", REG_SZ, {});
    box.SetValue(L"", L"ShortDword", REG_DWORD, Bytes({1, 2}));
    EXPECT_EQ(LineOf(box, L"Nul"), L"\"Nul\"=hex(1):61,00,00,00,62,00,00,00");
    EXPECT_EQ(LineOf(box, L"Break"), L"\"Break\"=hex(1):61,00,0d,00,0a,00,62,00,00,00");
    EXPECT_EQ(LineOf(box, L"Feed"), L"\"Feed\"=hex(1):61,00,0a,00,62,00,00,00");
    EXPECT_EQ(LineOf(box, L"Return"), L"\"Return\"=hex(1):61,00,0d,00,62,00,00,00") << "a CR alone too";
    EXPECT_EQ(LineOf(box, L"OddSize"), L"\"OddSize\"=hex(1):61,00,00");
    EXPECT_EQ(LineOf(box, L"NoTerminator"), L"\"NoTerminator\"=hex(1):61,00,62,00");
    EXPECT_EQ(LineOf(box, L"ZeroSize"), L"\"ZeroSize\"=hex(1):");
    EXPECT_EQ(LineOf(box, L"ShortDword"), L"\"ShortDword\"=hex(4):01,02");
}

TEST(RegExport, ByteListsWrapAtEightyColumns)
{
    RegistrySandbox box;
    std::vector<BYTE> sixty(60, 0xab);
    box.SetValue(L"", L"Data", REG_BINARY, sixty);
    std::vector<std::wstring> lines = Lines(LineOf(box, L"Data"));
    ASSERT_EQ(lines.size(), 3u);
    auto bytesOn = [](const std::wstring& line) { return std::count(line.begin(), line.end(), L'b'); };
    EXPECT_EQ(bytesOn(lines[0]), 22);
    EXPECT_EQ(bytesOn(lines[1]), 25);
    EXPECT_EQ(bytesOn(lines[2]), 13);
    EXPECT_EQ(lines[0].size(), 78u);
    EXPECT_EQ(lines[1].size(), 78u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 2), L",\\");
    EXPECT_EQ(lines[1].substr(0, 4), L"  ab");
    std::wstring last = L"  ";
    for (int i = 0; i < 12; ++i)
        last += L"ab,";
    EXPECT_EQ(lines[2], last + L"ab");

    // A name of 70 characters leaves no room: the bytes start on the next line.
    std::wstring name(70, L'n');
    box.SetValue(L"", name, REG_BINARY, Bytes({1, 2}));
    std::vector<std::wstring> wide = Lines(LineOf(box, name.c_str()));
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0], L"\"" + name + L"\"=hex:\\");
    EXPECT_EQ(wide[1], L"  01,02");
}

TEST(RegExport, SectionsNestWithAnEmptyLineBeforeEachKey)
{
    RegistrySandbox box;
    box.SetDword(L"", L"top", 1);
    box.SetDword(L"A", L"a", 2);
    box.CreateKey(L"A\\B");
    std::wstring text;
    CEzReg reader(box.Path());
    KeySectionText(reader, text);
    std::wstring root = L"[HKEY_" + box.Path();
    EXPECT_EQ(text, L"\r\n" + root + L"]\r\n\"top\"=dword:00000001\r\n\r\n" + root +
                        L"\\A]\r\n\"a\"=dword:00000002\r\n\r\n" + root + L"\\A\\B]");
}

TEST(RegExport, ExportingTheComputerLevelWritesEveryRootInFull)
{
    RegistrySandbox box;
    box.SetDword(L"", L"marker", 42);
    std::wstring text;
    CEzReg computer(L"");
    KeySectionText(computer, text);
    EXPECT_EQ(text.rfind(L"\r\n[HKEY_CLASSES_ROOT]\r\n", 0), 0u);
    size_t order[5];
    const wchar_t* roots[] = {L"\r\n[HKEY_CLASSES_ROOT]", L"\r\n[HKEY_CURRENT_CONFIG]",
                              L"\r\n[HKEY_CURRENT_USER]", L"\r\n[HKEY_LOCAL_MACHINE]", L"\r\n[HKEY_USERS]"};
    for (int i = 0; i < 5; ++i)
    {
        order[i] = text.find(roots[i]);
        ASSERT_NE(order[i], std::wstring::npos) << i;
        if (i)
        {
            EXPECT_GT(order[i], order[i - 1]);
        }
    }
    EXPECT_NE(text.find(L"[HKEY_" + box.Path() + L"]\r\n\"marker\"=dword:0000002a"), std::wstring::npos);
    EXPECT_EQ(text.find(L"[HKEY_]"), std::wstring::npos);
}

TEST(RegExport, FileThatCannotBeCreatedShowsTheFileError)
{
    RegistrySandbox box;
    ScriptedPrompts user;
    user.Answer(IDOK);
    CEzReg reader(box.Path());
    EXPECT_FALSE(ExportKey(reader, L"C:\\no\\such\\folder\\x.reg"));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              L"All or part of the path C:\\no\\such\\folder\\x.reg could not be found.");
}

TEST(RegExport, LineBreaksInNamesAreEscapedAndKeysTheFileCannotHoldAreReported)
{
    RegistrySandbox box;
    // A name crafted to inject a section and a value if written raw.
    box.SetString(L"", L"a\r\n[HKEY_LOCAL_MACHINE\\X]\r\n@", L"v");
    box.SetDword(L"Plain", L"p", 1);
    box.SetDword(L"Bad\nKey", L"inner", 2);
    std::wstring file = TempFilePath(L"names.reg");
    CEzReg reader(box.Path());
    ExportReport report;
    ASSERT_TRUE(ExportKey(reader, file, &report));
    std::wstring text = ReadUtf16File(file);
    DeleteFileW(file.c_str());
    EXPECT_NE(text.find(L"\"a\\r\\n[HKEY_LOCAL_MACHINE\\\\X]\\r\\n@\"=\"v\""), std::wstring::npos);
    EXPECT_EQ(text.find(L"\r\n[HKEY_LOCAL_MACHINE"), std::wstring::npos) << "no injected section";
    EXPECT_EQ(text.find(L"inner"), std::wstring::npos) << "the key that cannot be written is left out";
    EXPECT_NE(text.find(L"[HKEY_" + box.PathOf(L"Plain") + L"]\r\n\"p\"=dword:00000001"), std::wstring::npos);
    EXPECT_EQ(report.unwritable, 1u);
    EXPECT_EQ(report.unreadable, 0u);
    ASSERT_EQ(report.examples.size(), 1u);
    EXPECT_EQ(report.examples[0], box.PathOf(L"Bad\nKey"));
    EXPECT_NE(report.Message(file).find(L"line break"), std::wstring::npos);
    EXPECT_EQ(report.Message(file).find(L"Bad\nKey"), std::wstring::npos) << "shown without its line break";
}

TEST(RegExport, UnreadableKeysLeaveTheirEmptyLineAndAreReported)
{
    RegistrySandbox box;
    box.SetDword(L"A", L"a", 1);
    box.SetDword(L"Locked", L"secret", 2);
    box.SetDword(L"Locked\\Below", L"deeper", 3);
    box.SetDword(L"Z", L"z", 4);
    box.DenyReading(L"Locked");
    std::wstring file = TempFilePath(L"locked.reg");
    CEzReg reader(box.Path());
    ExportReport report;
    ASSERT_TRUE(ExportKey(reader, file, &report));
    std::wstring text = ReadUtf16File(file);
    DeleteFileW(file.c_str());
    std::wstring root = L"[HKEY_" + box.Path();
    // The bytes stay as they were: an empty line where the section would be.
    EXPECT_NE(text.find(root + L"\\A]\r\n\"a\"=dword:00000001\r\n\r\n\r\n" + root + L"\\Z]"),
              std::wstring::npos)
        << zv::ToUtf8(text);
    EXPECT_EQ(report.unreadable, 1u);
    EXPECT_EQ(report.examples, std::vector<std::wstring>{box.PathOf(L"Locked")});
    EXPECT_FALSE(report.IsComplete());
    std::wstring message = report.Message(file);
    EXPECT_NE(message.find(L"1 key could not be read and is missing from it"), std::wstring::npos)
        << zv::ToUtf8(message);
    EXPECT_NE(message.find(box.PathOf(L"Locked")), std::wstring::npos);
}

TEST(RegExport, ALargeTreeWrittenAsItWalksMatchesTheTextBuiltInMemory)
{
    RegistrySandbox box;
    for (int i = 0; i < 300; ++i)
    {
        std::wstring key = zv::Format(L"K%03d", i);
        box.SetValue(key, L"Data", REG_BINARY, std::vector<BYTE>(200, static_cast<BYTE>(i)));
        box.SetString(key + L"\\Sub", L"s", std::wstring(100, L'x'));
    }
    std::wstring file = TempFilePath(L"large.reg");
    CEzReg reader(box.Path());
    ExportReport report;
    ASSERT_TRUE(ExportKey(reader, file, &report));
    std::wstring text;
    CEzReg again(box.Path());
    KeySectionText(again, text);
    EXPECT_GT(text.size(), 2u * 64 * 1024) << "more than one buffer";
    EXPECT_EQ(ReadUtf16File(file), std::wstring(kRegFileHeader) + L"\r\n" + text + L"\r\n\r\n");
    EXPECT_TRUE(report.IsComplete());
    DeleteFileW(file.c_str());
}
