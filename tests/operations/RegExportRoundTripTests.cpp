// Exported files against a real peer: Wine's own reg.exe imports them back
// byte for byte, and writes the same bytes for ordinary trees.
#include "operations/RegExport.h"
#include "registry/EzReg.h"
#include "support/TreeFixtures.h"

#include "base/Strings.h"

#include <gtest/gtest.h>

TEST(RegExportRoundTrip, EveryValueTypeImportsBackByteForByte)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Tree");
    // Wine's importer mangles a string of an odd number of bytes and adds a
    // terminator to one without it; those two are checked against the
    // exported lines instead.
    box.SetValue(L"Tree", L"OddSize", REG_SZ, Bytes({'a', 0, 'b'}));
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Tree");

    std::wstring file = TempFilePath(L"roundtrip.reg");
    CEzReg reader(box.PathOf(L"Tree"));
    ASSERT_TRUE(ExportKey(reader, file));
    std::wstring text = ReadUtf16File(file);
    EXPECT_NE(text.find(L"\"OddSize\"=hex(1):61,00,62\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Unterminated\"=hex(1):6f,00,70,00,65,00,6e,00\r\n"), std::wstring::npos);

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Tree").c_str()), ERROR_SUCCESS);
    ASSERT_FALSE(box.Exists(L"Tree"));
    ASSERT_EQ(RunProgram(L"reg.exe import \"" + file + L"\""), 0u);

    TreeSnapshot imported = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Tree");
    for (const wchar_t* mangled : {L"OddSize", L"Unterminated"})
    {
        original[L""].erase(mangled);
        imported[L""].erase(mangled);
    }
    ASSERT_EQ(imported.size(), original.size());
    for (const auto& [key, values] : original)
    {
        ASSERT_TRUE(imported.count(key)) << zv::ToUtf8(key);
        for (const auto& [name, value] : values)
        {
            auto found = imported[key].find(name);
            ASSERT_NE(found, imported[key].end()) << zv::ToUtf8(key + L" : " + name);
            EXPECT_EQ(found->second.type, value.type) << zv::ToUtf8(name);
            EXPECT_EQ(found->second.data, value.data) << zv::ToUtf8(name);
        }
        EXPECT_EQ(imported[key].size(), values.size()) << zv::ToUtf8(key);
    }
    DeleteFileW(file.c_str());
}

TEST(RegExportRoundTrip, OrdinaryTreeIsByteIdenticalToThePlatformsOwnExport)
{
    RegistrySandbox box;
    box.SetString(L"Tree", L"", L"default");
    box.SetString(L"Tree", L"Path", L"C:\\Program Files\\\"Zorvane\"");
    box.SetString(L"Tree", L"Empty", L"");
    box.SetDword(L"Tree", L"Count", 12345);
    box.SetString(L"Tree", L"Expand", L"%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    box.SetValue(L"Tree", L"Multi", REG_MULTI_SZ, StringBytes(std::wstring(L"one\0two\0", 8)));
    box.SetValue(L"Tree", L"Qword", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    std::vector<BYTE> binary(150);
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<BYTE>(255 - i);
    box.SetValue(L"Tree", L"Binary", REG_BINARY, binary);
    box.SetValue(L"Tree", std::wstring(60, L'w'), REG_BINARY, std::vector<BYTE>(40, 1));
    box.SetValue(L"Tree\\Child", L"None", REG_NONE, Bytes({0}));
    box.SetDword(L"Tree\\Child\\Grand", L"Deep", 0);
    box.CreateKey(L"Tree\\Empty");

    std::wstring ours = TempFilePath(L"ours.reg");
    std::wstring theirs = TempFilePath(L"theirs.reg");
    CEzReg reader(box.PathOf(L"Tree"));
    ASSERT_TRUE(ExportKey(reader, ours));
    ASSERT_EQ(RunProgram(L"reg.exe export \"HKEY_" + box.PathOf(L"Tree") + L"\" \"" + theirs + L"\" /y"), 0u);
    std::wstring a = ReadUtf16File(ours), b = ReadUtf16File(theirs);
    EXPECT_EQ(ReadFileBytes(ours), ReadFileBytes(theirs)) << "ours:\n"
                                                          << zv::ToUtf8(a) << "\ntheirs:\n"
                                                          << zv::ToUtf8(b);
    DeleteFileW(ours.c_str());
    DeleteFileW(theirs.c_str());
}
