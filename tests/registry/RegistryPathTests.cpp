// Parsing typed locations and the path operations, against the test prefix.
#include "registry/RegistryPath.h"
#include "registry/RootKeys.h"
#include "support/RegistrySandbox.h"

#include "base/Strings.h"

#include <gtest/gtest.h>

namespace
{
std::wstring Parsed(std::wstring_view text)
{
    std::wstring path = L"untouched";
    bool ok = ParseRegistryPath(text, path);
    EXPECT_EQ(ok, !path.empty()) << zv::ToUtf8(std::wstring(text));
    return ok ? path : L"<fail>";
}
} // namespace

TEST(ParseRegistryPath, AcceptedSpellings)
{
    struct Case
    {
        const wchar_t* text;
        const wchar_t* path;
    } cases[] = {
        {L"HKEY_LOCAL_MACHINE\\Software", L"LOCAL_MACHINE\\Software"},
        {L"  \"HKEY_CURRENT_USER\\\\Software\\\\\\Foo\\", L"CURRENT_USER\\Software\\Foo"},
        {L"zorvane:HKEY_CLASSES_ROOT\\.txt", L"CLASSES_ROOT\\.txt"},
        {L"reg:HKCR\\.txt", L"CLASSES_ROOT\\.txt"},
        {L"zorvane://HKEY_CURRENT_USER/Software", L"CURRENT_USER\\Software"},
        {L"My Computer\\HKEY_USERS", L"USERS"},
        {L"Computer\\HKEY_USERS", L"USERS"},
        {L"Computer\\HKEY_LOCAL_MACHINE\\Software", L"LOCAL_MACHINE\\Software"},
        {L"Arbeitsplatz\\HKEY_CURRENT_USER", L"CURRENT_USER"},
        {L"Registry\\Machine\\Software", L"LOCAL_MACHINE\\Software"},
        {L"HKU", L"USERS"},
        {L"hku\\", L"USERS"},
        {L"USR:\\Software", L"CURRENT_USER\\Software"},
        {L"CONFIG", L"CURRENT_CONFIG"},
        {L"HKCC", L"CURRENT_CONFIG"},
        {L"CurrentUser\\Software", L"CURRENT_USER\\Software"},
        {L"HKLM", L"LOCAL_MACHINE"},
        {L"local_machine\\SOFTWARE", L"local_machine\\SOFTWARE"},
        {L"Local%20Machine\\Software", L"LOCAL_MACHINE\\Software"},
        {L"Local Machine\\Software", L"LOCAL_MACHINE\\Software"},
        {L"hklm/software/classes", L"LOCAL_MACHINE\\software\\classes"},
        {L"Software\\Microsoft", L"CURRENT_USER\\Software\\Microsoft"},
        {L"Environment", L"CURRENT_USER\\Environment"},
        // As users paste them: a script's section line, a quoted path, a shell drive.
        {L"[HKEY_CURRENT_USER\\Software]", L"CURRENT_USER\\Software"},
        {L"  [HKEY_CURRENT_USER\\Software]  ", L"CURRENT_USER\\Software"},
        {L"\"HKEY_CURRENT_USER\\Software\"", L"CURRENT_USER\\Software"},
        {L"\"[HKEY_CURRENT_USER\\Software]\"", L"CURRENT_USER\\Software"},
        {L"[\"HKCU\\Software\"]", L"CURRENT_USER\\Software"},
        {L"HKCU:\\Software", L"CURRENT_USER\\Software"},
        {L"hklm:/software", L"LOCAL_MACHINE\\software"},
        {L"HKEY_CURRENT_USER\\Software]", L"CURRENT_USER\\Software]"},
        // Doubled and mixed separators are one separator.
        {L"hklm//software", L"LOCAL_MACHINE\\software"},
        {L"HKLM/\\SOFTWARE", L"LOCAL_MACHINE\\SOFTWARE"},
        {L"zorvane://HKLM//SOFTWARE", L"LOCAL_MACHINE\\SOFTWARE"},
        {L"HKLM\\/\\/SOFTWARE\\\\", L"LOCAL_MACHINE\\SOFTWARE"},
        // Control characters next to the root word or inside the text vanish.
        {L"HKCU\r", L"CURRENT_USER"},
        {L"HKCU\r\n\\Software", L"CURRENT_USER\\Software"},
        {L"HKCU\\Software\x01\\Wine", L"CURRENT_USER\\Software\\Wine"},
        {L"123 HKCU", L"CURRENT_USER"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parsed(c.text), c.path) << zv::ToUtf8(c.text);
}

TEST(ParseRegistryPath, ANulInsideTheTextIsDroppedLikeAnyControlCharacter)
{
    const wchar_t text[] = L"HK\0LM\\SOFTWARE";
    EXPECT_EQ(Parsed(std::wstring_view(text, std::size(text) - 1)), L"LOCAL_MACHINE\\SOFTWARE");
}

TEST(ParseRegistryPath, TextsThatNameNoKeyFail)
{
    for (const wchar_t* text : {L"", L"   ", L"1234-56 \\//", L"HKEY%20LOCAL%20MACHINE", L"HKEY_",
                                L"zorvane:", L"NoSuchTopLevelKeyAnywhere\\x"})
        EXPECT_EQ(Parsed(text), L"<fail>") << zv::ToUtf8(text);
}

TEST(ParseRegistryPath, RootWordFallsBackToUserThenMachine)
{
    // HARDWARE exists only under the machine root.
    EXPECT_EQ(Parsed(L"HARDWARE\\DESCRIPTION"), L"LOCAL_MACHINE\\HARDWARE\\DESCRIPTION");
    RegistrySandbox box; // makes CURRENT_USER\Software exist for sure
    EXPECT_EQ(Parsed(L"software"), L"CURRENT_USER\\software");
}

TEST(ParseRegistryPath, SlashSurvivesOnlyWhereAKeyNameHoldsIt)
{
    RegistrySandbox box;
    box.CreateKey(L"a/b\\c");
    box.CreateKey(L"plain\\child");
    std::wstring base = box.Path();
    std::wstring slashed = zv::ReplaceAll(base, L"\\", L"/");

    EXPECT_EQ(Parsed(base + L"\\a/b"), base + L"\\a/b");
    EXPECT_EQ(Parsed(base + L"\\a/b/c"), base + L"\\a/b\\c");
    EXPECT_EQ(Parsed(slashed + L"/plain/child"), base + L"\\plain\\child");
    EXPECT_EQ(Parsed(slashed + L"/a/b"), base + L"\\a/b");
    // Below a missing key the slashes are left as typed.
    EXPECT_EQ(Parsed(base + L"\\none/x/y"), base + L"\\none/x/y");
}

TEST(RegistryPath, SplitKeyAndValueCutsAtTheLastTab)
{
    std::wstring key, value;
    EXPECT_TRUE(SplitKeyAndValue(L"A\\B\tone\ttwo", key, value));
    EXPECT_EQ(key, L"A\\B\tone");
    EXPECT_EQ(value, L"two");
    EXPECT_FALSE(SplitKeyAndValue(L"A\\B", key, value));
    EXPECT_EQ(key, L"A\\B");
    EXPECT_EQ(value, L"");
}

TEST(RegistryPath, ParentsAndClosestExistingKey)
{
    EXPECT_FALSE(ParentPath(L"CURRENT_USER"));
    EXPECT_EQ(ParentPath(L"CURRENT_USER\\Software").value_or(L"-"), L"CURRENT_USER");
    EXPECT_FALSE(ParentPath(L"\\Software"));

    RegistrySandbox box;
    box.CreateKey(L"Here");
    EXPECT_EQ(ClosestExistingKey(box.PathOf(L"Here\\Gone\\Deeper")), box.PathOf(L"Here"));
    EXPECT_EQ(ClosestExistingKey(box.PathOf(L"Here")), box.PathOf(L"Here"));
    EXPECT_EQ(ClosestExistingKey(L"NOROOT\\x"), L"");
    EXPECT_EQ(ClosestExistingKey(L""), L"");
    EXPECT_TRUE(KeyExists(L""));
    EXPECT_TRUE(KeyExists(L"USERS"));
    EXPECT_FALSE(KeyExists(L"LOCALMACHINE"));
}

TEST(RegistryPath, KeyWithoutReadControlCountsAsMissing)
{
    RegistrySandbox box;
    box.CreateKey(L"Locked");
    box.DenyReading(L"Locked");
    EXPECT_FALSE(KeyExists(box.PathOf(L"Locked")));
    EXPECT_EQ(ClosestExistingKey(box.PathOf(L"Locked\\Gone")), box.Path());
}

TEST(RegistryPath, ResolveRelativeTriesChildThenClassThenSibling)
{
    RegistrySandbox box;
    box.CreateKey(L"CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32");
    box.CreateKey(L"Sibling");
    std::wstring path;
    std::wstring guidKey = box.PathOf(L"CLSID\\{00000000-1111-2222-3333-444444444444}");
    EXPECT_TRUE(ResolveRelative(guidKey, L"\\\\InprocServer32", path));
    EXPECT_EQ(path, guidKey + L"\\InprocServer32");
    EXPECT_TRUE(ResolveRelative(box.PathOf(L"CLSID"), L"Sibling", path));
    EXPECT_EQ(path, box.PathOf(L"Sibling"));
    EXPECT_FALSE(ResolveRelative(box.PathOf(L"Sibling"), L"Sibling", path)); // the same name is no sibling
    EXPECT_FALSE(ResolveRelative(box.Path(), L"\\\\", path));
    EXPECT_FALSE(ResolveRelative(L"USERS", L"NoSuchChild", path));

    // A class key after a GUID or ProgID component: .txt exists under the classes root.
    EXPECT_TRUE(ResolveRelative(guidKey, L"Interface", path));
    EXPECT_EQ(path, L"CLASSES_ROOT\\Interface");
    EXPECT_TRUE(ResolveRelative(box.PathOf(L"Foo\\progid"), L"Interface", path));
    EXPECT_EQ(path, L"CLASSES_ROOT\\Interface");
    EXPECT_FALSE(ResolveRelative(box.PathOf(L"Foo\\Other"), L"Interface", path));

    EXPECT_TRUE(ResolveRelative(L"LOCAL_MACHINE\\SOFTWARE", L"Classes", path));
    EXPECT_EQ(path, L"LOCAL_MACHINE\\SOFTWARE\\Classes");
}

TEST(RegistryPath, CorrespondingKeysAndTheirEnableRules)
{
    EXPECT_EQ(CorrespondingKey(L"CURRENT_USER\\Software\\Classes\\.txt", kRootMachine),
              L"LOCAL_MACHINE\\Software\\Classes\\.txt");
    EXPECT_EQ(CorrespondingKey(L"CURRENT_USER\\Software\\Classes\\.txt", kRootClasses),
              L"CLASSES_ROOT\\.txt");
    EXPECT_EQ(CorrespondingKey(L"CLASSES_ROOT\\.txt", kRootUser), L"CURRENT_USER\\Software\\Classes\\.txt");
    EXPECT_EQ(CorrespondingKey(L"CURRENT_CONFIG\\Software", kRootMachine),
              L"LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\Software");
    EXPECT_EQ(CorrespondingKey(L"local_machine\\system\\currentcontrolset\\hardware profiles\\current\\X",
                               kRootConfig),
              L"CURRENT_CONFIG\\X");
    EXPECT_EQ(CorrespondingKey(L"LOCAL_MACHINE", kRootUser), L"CURRENT_USER");

    EXPECT_TRUE(CanGoToMachineKey(L"CLASSES_ROOT\\x"));
    EXPECT_TRUE(CanGoToMachineKey(L"CURRENT_USER"));
    EXPECT_TRUE(CanGoToMachineKey(L"CURRENT_CONFIG"));
    EXPECT_FALSE(CanGoToMachineKey(L"LOCAL_MACHINE\\x"));
    EXPECT_FALSE(CanGoToMachineKey(L""));
    EXPECT_TRUE(CanGoToUserKey(L"LOCAL_MACHINE\\Software"));
    EXPECT_TRUE(CanGoToUserKey(L"CLASSES_ROOT"));
    EXPECT_FALSE(CanGoToUserKey(L"USERS\\x"));
    EXPECT_TRUE(CanGoToClassesKey(L"CURRENT_USER\\software\\classes\\.txt"));
    // The infixes match whole names only.
    EXPECT_FALSE(CanGoToClassesKey(L"LOCAL_MACHINE\\Software\\ClassesX"));
    EXPECT_TRUE(CanGoToClassesKey(L"LOCAL_MACHINE\\Software\\Classes"));
    EXPECT_EQ(CorrespondingKey(L"CURRENT_USER\\Software\\Classesa", kRootClasses),
              L"CLASSES_ROOT\\Software\\Classesa");
    EXPECT_FALSE(CanGoToConfigKey(L"LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current2"));
    EXPECT_EQ(CorrespondingKey(L"LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current2",
                               kRootConfig),
              L"CURRENT_CONFIG\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current2");
    EXPECT_FALSE(CanGoToClassesKey(L"LOCAL_MACHINE\\Software"));
    EXPECT_FALSE(CanGoToClassesKey(L"USERS\\Software\\Classes"));
    EXPECT_TRUE(CanGoToConfigKey(L"LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"));
    EXPECT_FALSE(CanGoToConfigKey(L"CURRENT_USER\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"));
}

TEST(RegistryPath, SameOrUnderAndPathLikeTexts)
{
    EXPECT_FALSE(IsSameOrUnder(L"CURRENT_USER\\SoftwareX", L"CURRENT_USER\\Software"));
    EXPECT_TRUE(IsSameOrUnder(L"current_user\\software\\a", L"CURRENT_USER\\Software"));
    EXPECT_TRUE(IsSameOrUnder(L"CURRENT_USER\\SOFTWARE", L"CURRENT_USER\\Software"));
    EXPECT_FALSE(IsSameOrUnder(L"CURRENT_USER", L"CURRENT_USER\\Software"));

    EXPECT_TRUE(LooksLikeRegistryPath(L"\"HKEY_LOCAL_MACHINE\\x"));
    EXPECT_TRUE(LooksLikeRegistryPath(L"12 hklm"));
    EXPECT_TRUE(LooksLikeRegistryPath(L"software\\Foo"));
    EXPECT_TRUE(LooksLikeRegistryPath(L"usr:"));
    EXPECT_FALSE(LooksLikeRegistryPath(L"software"));
    EXPECT_FALSE(LooksLikeRegistryPath(L"C:\\Windows"));
    EXPECT_FALSE(LooksLikeRegistryPath(L""));
    EXPECT_TRUE(StartsWithBracedGuid(L"{00000000-1111-2222-3333-444444444444} tail"));
    EXPECT_FALSE(StartsWithBracedGuid(L"{00000000-1111-2222-3333-44444444444}"));
}
