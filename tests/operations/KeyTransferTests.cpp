// Copying and moving keys and values, and the recursion guard.
#include "operations/KeyTransfer.h"
#include "operations/ChangeJournal.h"
#include "operations/RegLinks.h"
#include "base/Strings.h"
#include "registry/EzReg.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>
#include <algorithm>

TEST(KeyTransfer, CopyAndMoveWholeTreesWithEveryValueTypeByteForByte)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Source");
    box.CreateKey(L"Copies");
    box.CreateKey(L"Moved");
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Source");
    ASSERT_GE(original.size(), 5u);

    ScriptedPrompts user;
    CEzReg copies(box.PathOf(L"Copies"));
    ASSERT_TRUE(PasteKey(copies, box.PathOf(L"Source"), false));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Copies\\Source"), original);
    EXPECT_TRUE(box.Exists(L"Source"));

    CEzReg moved(box.PathOf(L"Moved"));
    ASSERT_TRUE(PasteKey(moved, box.PathOf(L"Source"), true));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Moved\\Source"), original);
    EXPECT_FALSE(box.Exists(L"Source"));
    EXPECT_TRUE(user.Boxes().empty());
}

TEST(KeyTransfer, CopyIntoOwnParentAsksAndNamesTheCopyDotTwoThenDotThree)
{
    RegistrySandbox box;
    box.SetDword(L"Name", L"v", 1);
    ScriptedPrompts user;
    user.Answer(IDYES);
    user.Answer(IDYES);
    user.Answer(IDNO);
    CEzReg parent(box.Path());
    ASSERT_TRUE(PasteKey(parent, box.PathOf(L"Name"), false));
    ASSERT_TRUE(PasteKey(parent, box.PathOf(L"Name"), false));
    EXPECT_TRUE(PasteKey(parent, box.PathOf(L"Name"), false)); // declined: handled, nothing copied
    std::vector<RecordedBox> boxes = user.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text,
              L"The destination key already has a subkey named Name. The copy key name will be: "
              L"Name.2. \n\nDo you want to continue?");
    EXPECT_EQ(boxes[0].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_NE(boxes[1].text.find(L"Name.3."), std::wstring::npos);
    EXPECT_TRUE(box.Exists(L"Name.2"));
    EXPECT_TRUE(box.Exists(L"Name.3"));
    EXPECT_FALSE(box.Exists(L"Name.4"));
    DWORD type;
    std::vector<BYTE> data;
    EXPECT_TRUE(box.ReadValue(L"Name.3", L"v", type, data));
}

TEST(KeyTransfer, CopyIntoItselfOrBelowIsRefused)
{
    RegistrySandbox box;
    box.CreateKey(L"Src\\Child\\Deeper");
    ScriptedPrompts user;
    std::wstring error;
    for (const wchar_t* target : {L"Src", L"Src\\Child", L"Src\\Child\\Deeper"})
    {
        CEzReg destination(box.PathOf(target));
        EXPECT_FALSE(CheckCopyTarget(destination, box.PathOf(L"Src"), error));
        EXPECT_EQ(error, L"The destination key is a child of the source key");
    }
    std::wstring upper = box.PathOf(L"SRC");
    CEzReg sameInOtherCase(upper);
    EXPECT_FALSE(CheckCopyTarget(sameInOtherCase, box.PathOf(L"src"), error));

    // PasteKey puts the refusal into the status bar, not into a box.
    CEzReg child(box.PathOf(L"Src\\Child"));
    EXPECT_FALSE(PasteKey(child, box.PathOf(L"Src"), false));
    EXPECT_EQ(user.StatusTexts().back(), L"The destination key is a child of the source key");
    EXPECT_TRUE(user.Boxes().empty());
    EXPECT_EQ(box.SubKeys(L"Src\\Child"), (std::vector<std::wstring>{L"Deeper"}));
}

TEST(KeyTransfer, CopyIntoOwnTreeThroughAnotherRootIsRefusedByTheGuard)
{
    RegistrySandbox box;
    box.CreateKey(L"Src\\Inner");
    std::wstring sid = CurrentUserSid();
    ASSERT_FALSE(sid.empty());
    // The same key seen through USERS\<the user's SID>.
    std::wstring alias = L"USERS\\" + sid + L"\\" + box.SubKey() + L"\\Src\\Inner";
    CEzReg destination(alias);
    ASSERT_TRUE(destination.Open(KEY_READ));
    std::wstring error;
    EXPECT_FALSE(CheckCopyTarget(destination, box.PathOf(L"Src"), error));
    EXPECT_EQ(error, L"The source and destination keys are related so that recursive copy is not allowed.");
    // The guard is gone again.
    EXPECT_TRUE(box.SubKeys(L"Src\\Inner").empty());
}

TEST(KeyTransfer, AnotherRootNamingAKeyDeepInsideTheSourceIsFound)
{
    // CLASSES_ROOT shows LOCAL_MACHINE\Software\Classes: a key below it lies
    // inside LOCAL_MACHINE\Software, though no trailing name says so.
    HKEY made = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"ZorvaneAliasTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &made, nullptr),
              0);
    RegCloseKey(made);
    ASSERT_TRUE(KeyExistsRaw(HKEY_LOCAL_MACHINE, L"Software\\Classes\\ZorvaneAliasTest"));
    CEzReg destination(L"CLASSES_ROOT\\ZorvaneAliasTest");
    std::wstring error;
    EXPECT_FALSE(CheckCopyTarget(destination, L"LOCAL_MACHINE\\Software", error));
    EXPECT_EQ(error, L"The source and destination keys are related so that recursive copy is not allowed.");
    // A key of the same root that only shares a prefix of names is no relative.
    CEzReg unrelated(L"CLASSES_ROOT\\ZorvaneAliasTest");
    EXPECT_TRUE(CheckCopyTarget(unrelated, L"LOCAL_MACHINE\\Software\\Classes\\ZorvaneAliasTes", error))
        << zv::ToUtf8(error);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"ZorvaneAliasTest");
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"ZorvaneAliasTest");
}

TEST(KeyTransfer, ALinkWithinTheSameRootIsSeenThroughItsTrailingNames)
{
    RegistrySandbox box;
    box.CreateKey(L"Src\\Inner");
    std::wstring sid = CurrentUserSid();
    ASSERT_FALSE(sid.empty());
    // box\Link leads to box\Src, so box\Link\Inner is box\Src\Inner.
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Link").c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr),
              0);
    std::wstring target = L"\\Registry\\User\\" + sid + L"\\" + box.SubKey() + L"\\Src";
    ASSERT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(target.c_str()),
                             static_cast<DWORD>(target.size() * sizeof(wchar_t))),
              0);
    RegCloseKey(link);
    ASSERT_TRUE(KeyExistsRaw(HKEY_CURRENT_USER, box.SubKey() + L"\\Link\\Inner"));
    CEzReg destination(box.PathOf(L"Link\\Inner"));
    std::wstring error;
    EXPECT_FALSE(CheckCopyTarget(destination, box.PathOf(L"Src"), error));
    EXPECT_EQ(error, L"The source and destination keys are related so that recursive copy is not allowed.");
    EXPECT_TRUE(box.SubKeys(L"Src\\Inner").empty()) << "the guard is gone again";
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Link").c_str(), REG_OPTION_OPEN_LINK, DELETE,
                      &opened) == ERROR_SUCCESS)
    {
        RegDeleteKeyW(opened, L"");
        RegCloseKey(opened);
    }
}

TEST(KeyTransfer, DeletingALinkOrATreeHoldingOneNeverTouchesWhatItPointsTo)
{
    RegistrySandbox box;
    box.SetString(L"Target\\Deep", L"kept", L"yes");
    box.SetString(L"Holder\\Plain", L"gone", L"yes");
    std::wstring target = L"\\Registry\\User\\" + CurrentUserSid() + L"\\" + box.SubKey() + L"\\Target";
    for (const wchar_t* name : {L"Holder\\Link", L"Alone"})
    {
        HKEY link = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + name).c_str(), 0, nullptr,
                                  REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr),
                  0);
        RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                       static_cast<DWORD>(target.size() * sizeof(wchar_t)));
        RegCloseKey(link);
    }
    ASSERT_TRUE(box.Exists(L"Alone\\Deep")) << "the link leads to the target";

    CEzReg alone(box.PathOf(L"Alone"));
    EXPECT_TRUE(DeleteTree(alone));
    CEzReg holder(box.PathOf(L"Holder"));
    EXPECT_TRUE(DeleteTree(holder));
    EXPECT_FALSE(box.Exists(L"Alone"));
    EXPECT_FALSE(box.Exists(L"Holder"));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(box.ReadValue(L"Target\\Deep", L"kept", type, data)) << "the linked tree is untouched";
}

TEST(KeyTransfer, ProtectedDestinationsAndALeftOverGuard)
{
    RegistrySandbox box;
    box.CreateKey(L"Src");
    box.CreateKey(std::wstring(L"Dst\\") + kRecursionGuardName);
    std::wstring error;
    for (const wchar_t* path : {L"", L"LOCAL_MACHINE", L"users"})
    {
        CEzReg destination(path);
        EXPECT_FALSE(CheckCopyTarget(destination, box.PathOf(L"Src"), error)) << path;
        EXPECT_EQ(error, L"LocalMachine and Users don't allow subkey creation");
    }
    CEzReg user(L"CURRENT_USER");
    EXPECT_TRUE(CheckCopyTarget(user, box.PathOf(L"Src"), error)) << error;

    CEzReg destination(box.PathOf(L"Dst"));
    EXPECT_TRUE(CheckCopyTarget(destination, box.PathOf(L"Src"), error));
    // The left-over guard stays; the check's own (" 01") is gone.
    EXPECT_EQ(box.SubKeys(L"Dst"), (std::vector<std::wstring>{kRecursionGuardName}));
}

TEST(KeyTransfer, ValueCopiesGetDotCopyNames)
{
    RegistrySandbox box;
    box.SetDword(L"", L"Size", 4);
    box.SetString(L"", L"", L"default");
    CEzReg key(box.Path());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PasteValue(key, box.Path(), L"Size", false));
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(PasteValue(key, box.Path(), L"", false));
    std::vector<std::wstring> names = box.ValueNames(L"");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"", L".copy", L".copy.2", L"Size", L"Size.copy",
                                                L"Size.copy.2", L"Size.copy.3"}));
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"", L".copy.2", type, data));
    EXPECT_EQ(data, StringBytes(L"default"));
}

TEST(KeyTransfer, ValueMoveDeletesTheSourceOnlyAfterTheWrite)
{
    RegistrySandbox box;
    box.SetValue(L"A", L"Blob", REG_BINARY, Bytes({1, 2, 3}));
    box.CreateKey(L"B");
    CEzReg b(box.PathOf(L"B"));
    ASSERT_TRUE(PasteValue(b, box.PathOf(L"A"), L"Blob", true));
    EXPECT_TRUE(box.ValueNames(L"A").empty());
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"B", L"Blob", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data, Bytes({1, 2, 3}));
    EXPECT_FALSE(PasteValue(b, box.PathOf(L"A"), L"Missing", false));
    CEzReg computer(L"");
    EXPECT_FALSE(PasteValue(computer, box.PathOf(L"B"), L"Blob", false));
}

namespace
{
int g_writesBeforeFailure = 0;
LONG WINAPI FailingSetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (g_writesBeforeFailure-- <= 0)
        return ERROR_ACCESS_DENIED;
    return RegSetValueExW(key, name, reserved, type, data, size);
}

struct SetValueOverride
{
    explicit SetValueOverride(int writes)
    {
        g_writesBeforeFailure = writes;
        g_transferSetValue = FailingSetValue;
    }
    ~SetValueOverride() { g_transferSetValue = ::RegSetValueExW; }
};
} // namespace

TEST(KeyTransfer, MoveWhoseCopyFailsKeepsTheSource)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Source");
    box.CreateKey(L"Target");
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Source");
    ScriptedPrompts user;
    {
        SetValueOverride failAfter(5);
        CEzReg target(box.PathOf(L"Target"));
        EXPECT_FALSE(PasteKey(target, box.PathOf(L"Source"), true));
    }
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Source"), original);
}

TEST(KeyTransfer, CreateUniqueSubkeyTriesOneHundredNames)
{
    RegistrySandbox box;
    CEzReg key(box.Path());
    std::wstring created;
    ASSERT_TRUE(CreateUniqueSubkey(key, L"New Key", created));
    EXPECT_EQ(created, L"New Key");
    ASSERT_TRUE(CreateUniqueSubkey(key, L"New Key", created));
    EXPECT_EQ(created, L"New Key 01");
    for (int i = 2; i < 100; ++i)
        ASSERT_TRUE(CreateUniqueSubkey(key, L"New Key", created));
    EXPECT_EQ(created, L"New Key 99");
    EXPECT_FALSE(CreateUniqueSubkey(key, L"New Key", created));
    CEzReg computer(L"");
    EXPECT_FALSE(CreateUniqueSubkey(computer, L"x", created));
}

namespace
{
// The target value of box\sub when it is a link; nothing when it is not.
std::vector<BYTE> LinkTarget(const RegistrySandbox& box, const std::wstring& sub)
{
    std::wstring full = box.SubKey() + L"\\" + sub;
    size_t slash = full.rfind(L'\\');
    HKEY parent = nullptr;
    std::vector<BYTE> data;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, full.substr(0, slash).c_str(), 0, KEY_READ, &parent) != 0)
        return data;
    if (IsLinkKey(parent, full.substr(slash + 1).c_str()))
    {
        HKEY link = nullptr;
        RegOpenKeyExW(parent, full.substr(slash + 1).c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &link);
        DWORD size = 4096, type = 0;
        data.resize(size);
        if (RegQueryValueExW(link, L"SymbolicLinkValue", nullptr, &type, data.data(), &size) == 0)
            data.resize(size);
        else
            data.clear();
        RegCloseKey(link);
    }
    RegCloseKey(parent);
    return data;
}

} // namespace

TEST(KeyTransfer, ACopyNeverFollowsALinkButCopiesItAsALink)
{
    RegistrySandbox box;
    box.SetString(L"T\\A\\Plain", L"v", L"x");
    box.SetString(L"T\\B", L"b", L"y");
    box.SetString(L"Outside\\Deep", L"o", L"z");
    // A link inside the source leads to an ancestor of the target; another
    // leads outside the source.
    std::vector<BYTE> toB = MakeLink(box, L"T\\A\\ToB", L"T\\B");
    std::vector<BYTE> out = MakeLink(box, L"T\\A\\Out", L"Outside");
    // A link to a key without sub-keys, as a link has none of its own.
    box.SetString(L"Leaf", L"one", L"1");
    box.SetString(L"Leaf", L"two", L"2");
    std::vector<BYTE> leaf = MakeLink(box, L"T\\A\\ToLeaf", L"Leaf");
    box.CreateKey(L"T\\B\\C");
    ScriptedPrompts user;
    CEzReg target(box.PathOf(L"T\\B\\C"));
    ASSERT_TRUE(PasteKey(target, box.PathOf(L"T\\A"), false));
    EXPECT_EQ(LinkTarget(box, L"T\\B\\C\\A\\ToB"), toB) << "the link, with the same target";
    EXPECT_EQ(LinkTarget(box, L"T\\B\\C\\A\\Out"), out);
    EXPECT_EQ(LinkTarget(box, L"T\\B\\C\\A\\ToLeaf"), leaf);
    EXPECT_TRUE(LinkTarget(box, L"T\\B\\C\\A\\Plain").empty()) << "an ordinary key stays one";
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\T\\B\\C\\A\\Plain"),
              SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\T\\A\\Plain"));
    // Nothing grew through a link: B holds its value and C, C holds the copy.
    EXPECT_EQ(box.SubKeys(L"T\\B"), (std::vector<std::wstring>{L"C"}));
    EXPECT_EQ(box.SubKeys(L"T\\B\\C"), (std::vector<std::wstring>{L"A"}));
    EXPECT_EQ(box.SubKeys(L"Outside"), (std::vector<std::wstring>{L"Deep"}));

    // A move carries the links along and leaves what they point to alone.
    box.CreateKey(L"Moved");
    CEzReg moved(box.PathOf(L"Moved"));
    ASSERT_TRUE(PasteKey(moved, box.PathOf(L"T\\A"), true));
    EXPECT_FALSE(box.Exists(L"T\\A"));
    EXPECT_EQ(LinkTarget(box, L"Moved\\A\\Out"), out);
    EXPECT_TRUE(box.Exists(L"Outside\\Deep"));
    EXPECT_TRUE(box.Exists(L"T\\B\\C\\A\\Plain"));

    // Undo of a delete of a tree holding links puts the links back as links.
    ChangeJournal journal;
    {
        JournalRecorder record(&journal, L"Delete");
        record.AddTree(box.PathOf(L"Moved"));
        ASSERT_TRUE(DeleteRegistryKey(box.PathOf(L"Moved")));
    }
    EXPECT_TRUE(box.Exists(L"Outside\\Deep")) << "the delete left the link's target";
    std::vector<std::wstring> failures;
    ASSERT_TRUE(journal.Undo(failures)) << (failures.empty() ? "" : zv::ToUtf8(failures[0]));
    EXPECT_EQ(LinkTarget(box, L"Moved\\A\\Out"), out);
    EXPECT_EQ(LinkTarget(box, L"Moved\\A\\ToB"), toB);
    EXPECT_TRUE(box.SubKeys(L"Outside").size() == 1u);

    // A link pasted by itself is a link too.
    box.CreateKey(L"Single");
    ASSERT_TRUE(PasteKey(CEzReg(box.PathOf(L"Single")), box.PathOf(L"Moved\\A\\Out"), false));
    EXPECT_EQ(LinkTarget(box, L"Single\\Out"), out);
    for (const wchar_t* link :
         {L"T\\B\\C\\A\\ToB", L"T\\B\\C\\A\\Out", L"Moved\\A\\ToB", L"Moved\\A\\Out", L"Single\\Out"})
        DeleteLink(box, link);
}

TEST(KeyTransfer, ASiblingWhoseNameStartsWithTheSourcesIsNoChildOfIt)
{
    RegistrySandbox box;
    box.SetString(L"Src", L"v", L"1");
    box.CreateKey(L"Srcx");
    ScriptedPrompts user;
    CEzReg sibling(box.PathOf(L"Srcx"));
    std::wstring error;
    EXPECT_TRUE(CheckCopyTarget(sibling, box.PathOf(L"Src"), error)) << zv::ToUtf8(error);
    ASSERT_TRUE(PasteKey(CEzReg(box.PathOf(L"Srcx")), box.PathOf(L"Src"), false));
    EXPECT_TRUE(box.Exists(L"Srcx\\Src"));
    CEzReg child(box.PathOf(L"Src"));
    box.CreateKey(L"Src\\Inner");
    CEzReg inner(box.PathOf(L"Src\\Inner"));
    EXPECT_FALSE(CheckCopyTarget(inner, box.PathOf(L"Src"), error)) << "a real child stays refused";
}
