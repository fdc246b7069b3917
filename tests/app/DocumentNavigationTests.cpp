// Navigation: GoTo, the history, the title and renames.
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "support/DocumentFixture.h"
#include "support/RegistrySandbox.h"

#include "base/Strings.h"

#include <gtest/gtest.h>

TEST(DocumentNavigation, GoToParsesRecordsAndTellsTheOtherViews)
{
    RegistrySandbox box;
    box.CreateKey(L"A\\B");
    DocumentFixture f;
    EXPECT_TRUE(f.doc->GoTo(&f.view, (L"HKEY_" + box.PathOf(L"A")).c_str(), true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"A"));
    EXPECT_TRUE(f.view.hints.empty()) << "the sender hears nothing";
    ASSERT_EQ(f.second.hints.size(), 1u);
    EXPECT_EQ(f.second.hints[0].hint, kHintLocationChanged);
    EXPECT_EQ(f.doc->GetHistory().Entries(), (std::vector<std::wstring>{box.PathOf(L"A")}));

    // A relative name resolves against the current key first.
    EXPECT_TRUE(f.doc->GoTo(nullptr, L"B", true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"A\\B"));
    // An unparseable target changes nothing.
    EXPECT_FALSE(f.doc->GoTo(nullptr, L"1234 !!", true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"A\\B"));
    EXPECT_EQ(f.doc->GetHistory().GetSize(), 2);
}

TEST(DocumentNavigation, DeletedTargetLandsOnItsClosestExistingAncestor)
{
    RegistrySandbox box;
    box.CreateKey(L"Kept");
    DocumentFixture f;
    EXPECT_TRUE(f.doc->GoTo(nullptr, box.PathOf(L"Kept\\Gone\\Deeper").c_str(), true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Kept"));
    EXPECT_EQ(f.doc->GetHistory()[0], box.PathOf(L"Kept"));
    // A root that does not exist ends at the computer level, which is never recorded.
    EXPECT_TRUE(f.doc->GoTo(nullptr, L"HKLM\\NoSuchKeyHere\\x", true));
    EXPECT_EQ(f.doc->GetCurrentPath(), L"LOCAL_MACHINE");
}

TEST(DocumentNavigation, HistoryMovesToTheFrontAndNewTargetsDropTheForwardPart)
{
    RegistrySandbox box;
    for (const wchar_t* k : {L"1", L"2", L"3", L"4"})
        box.CreateKey(k);
    DocumentFixture f;
    for (const wchar_t* k : {L"1", L"2", L"3"})
        f.doc->GoTo(nullptr, box.PathOf(k).c_str(), true);
    f.doc->GoTo(nullptr, box.PathOf(L"1").c_str(), true);
    EXPECT_EQ(f.doc->GetHistory().Entries(),
              (std::vector<std::wstring>{box.PathOf(L"1"), box.PathOf(L"3"), box.PathOf(L"2")}));

    EXPECT_FALSE(f.doc->CanGo(true));
    EXPECT_TRUE(f.doc->CanGo(false));
    f.doc->GoBack();
    f.doc->GoBack();
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"2"));
    EXPECT_FALSE(f.doc->CanGo(false));
    EXPECT_TRUE(f.doc->CanGo(true));
    f.doc->GoForward();
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"3"));
    EXPECT_EQ(f.doc->GetHistoryIndex(), 1);

    // Back twice, then somewhere new: the two newer entries go.
    f.doc->GoBack();
    f.doc->GoTo(nullptr, box.PathOf(L"4").c_str(), true);
    EXPECT_EQ(f.doc->GetHistory().Entries(), (std::vector<std::wstring>{box.PathOf(L"4"), box.PathOf(L"2")}));
    EXPECT_EQ(f.doc->GetHistoryIndex(), 0);
}

TEST(DocumentNavigation, HistoryAndIndexSurviveTheDocument)
{
    RegistrySandbox box;
    box.CreateKey(L"x");
    box.CreateKey(L"y");
    {
        DocumentFixture f;
        f.doc->GoTo(nullptr, box.PathOf(L"x").c_str(), true);
        f.doc->GoTo(nullptr, box.PathOf(L"y").c_str(), true);
        f.doc->GoBack();
        // The fixture's next document must see this one's saved state.
        delete f.doc;
        f.doc = new CNavroDoc;
        EXPECT_EQ(f.doc->GetHistoryIndex(), 1);
        EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"x")) << "the last selected key comes back";
        EXPECT_EQ(f.doc->GetHistory().GetSize(), 2);
    }
}

TEST(DocumentNavigation, FirstGoToTakesTheStartLocationOfTheCommandLine)
{
    CNavroDoc::SetStartLocation(L"zorvane:HKEY_CURRENT_USER\\Software");
    DocumentFixture f;
    CNavroDoc::SetStartLocation(L"");
    EXPECT_EQ(f.doc->GetCurrentPath(), L"zorvane:HKEY_CURRENT_USER\\Software");
    EXPECT_TRUE(f.doc->GoTo(nullptr, nullptr, true));
    EXPECT_EQ(f.doc->GetCurrentPath(), L"CURRENT_USER\\Software");
}

TEST(DocumentNavigation, LocationsNamingAValueKeepTheNameApart)
{
    RegistrySandbox box;
    box.SetDword(L"K", L"Foo", 1);
    DocumentFixture f;
    EXPECT_TRUE(f.doc->GoTo(nullptr, (box.PathOf(L"K") + L"\tFoo").c_str(), true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"K"));
    EXPECT_EQ(f.doc->GetValueName(), L"Foo");
    // Selecting the value is asked for only when the document is told to.
    f.second.hints.clear();
    f.doc->ValueSelected = true;
    f.doc->GoTo(nullptr, (box.PathOf(L"K") + L"\tFoo").c_str(), false);
    ASSERT_EQ(f.second.hints.size(), 2u);
    EXPECT_EQ(f.second.hints[1].hint, kHintSelectValue);
    EXPECT_EQ(f.second.hints[1].text, L"Foo");
}

TEST(DocumentNavigation, TitleShowsRightsAndPathAndProposesAShortcutName)
{
    RegistrySandbox box;
    box.CreateKey(L"A:B");
    DocumentFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"A:B").c_str(), true);
    EXPECT_EQ(f.WindowTitle(), L"Zorvane " + f.doc->TitleDecoration + L" " + box.PathOf(L"A:B") + L" ");
    EXPECT_TRUE(f.doc->TitleDecoration == L"(Administrator)" ||
                f.doc->TitleDecoration == L"(Limited Editi Rights)");
    EXPECT_EQ(f.doc->GetPathName(), L"A;B");
    EXPECT_EQ(ShortcutFileName(L"\\"), L"Zorvane") << "nothing file-safe left";
    EXPECT_EQ(ShortcutFileName(L"CURRENT_USER\\Software\\"), L"Software");
    EXPECT_EQ(DocumentTitle(L"(Administrator)", L""), L"Zorvane (Administrator)  ");
}

TEST(DocumentNavigation, KeyRenamedRewritesTheHistoryBelowTheOldName)
{
    RegistrySandbox box;
    box.CreateKey(L"Old\\Child");
    box.CreateKey(L"Other");
    DocumentFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Old\\Child").c_str(), true);
    f.doc->GoTo(nullptr, box.PathOf(L"Other").c_str(), true);
    f.doc->GoTo(nullptr, box.PathOf(L"Old").c_str(), true);
    f.doc->KeyRenamed(nullptr, box.PathOf(L"New"));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"New"));
    EXPECT_EQ(
        f.doc->GetHistory().Entries(),
        (std::vector<std::wstring>{box.PathOf(L"New"), box.PathOf(L"Other"), box.PathOf(L"New\\Child")}));
    // The title follows by a posted command.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, f.frame->m_hWnd, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(msg.wParam), ID_UPDATE_TITLE);
}

TEST(DocumentNavigation, PathsTakeTheRegistrysOwnSpelling)
{
    RegistrySandbox box;
    box.CreateKey(L"Demo\\Nested\\Level2");
    box.CreateKey(L"Demo\\Ünïcode Näme\\Кириллица");
    DocumentFixture f;
    std::wstring typed =
        L"hkcu/software/" + box.SubKey().substr(std::wstring(L"Software\\").size()) + L"/demo/nested/level2";
    for (wchar_t& c : typed)
        c = static_cast<wchar_t>(towlower(c));
    ASSERT_TRUE(f.doc->GoTo(nullptr, typed.c_str(), true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Demo\\Nested\\Level2"));
    EXPECT_EQ(f.doc->GetHistory()[0], box.PathOf(L"Demo\\Nested\\Level2"));
    EXPECT_NE(f.WindowTitle().find(box.PathOf(L"Demo\\Nested\\Level2")), std::wstring::npos);
    // The root's short name too, and names beyond Latin letters.
    ASSERT_TRUE(
        f.doc->GoTo(nullptr, zv::ToUpper(box.PathOf(L"demo\\ÜNÏCODE NÄME\\кириллица")).c_str(), true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Demo\\Ünïcode Näme\\Кириллица"));
    ASSERT_TRUE(f.doc->GoTo(nullptr, L"local_machine\\software", true));
    EXPECT_EQ(f.doc->GetCurrentPath().substr(0, 14), L"LOCAL_MACHINE\\");
}

TEST(DocumentNavigation, ALocationNamingAValueOpensItsKeyAndSelectsTheValue)
{
    RegistrySandbox box;
    box.SetDword(L"Demo", L"Qword", 7);
    box.CreateKey(L"Demo\\Sub");
    DocumentFixture f;
    ASSERT_TRUE(f.doc->GoTo(nullptr, box.PathOf(L"Demo\\Qword").c_str(), true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Demo"));
    ASSERT_FALSE(f.second.hints.empty());
    EXPECT_EQ(f.second.hints.back().hint, kHintSelectValue);
    EXPECT_EQ(f.second.hints.back().text, L"Qword");
    EXPECT_TRUE(f.frame->statusTexts.empty()) << "a value is found, not missing";
    // The key-and-value form selects too; a key of that name wins over a value.
    f.second.hints.clear();
    ASSERT_TRUE(f.doc->GoTo(nullptr, (box.PathOf(L"Demo") + L"\tQword").c_str(), true));
    EXPECT_EQ(f.second.hints.back().hint, kHintSelectValue);
    f.second.hints.clear();
    ASSERT_TRUE(f.doc->GoTo(nullptr, box.PathOf(L"Demo\\Sub").c_str(), true));
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Demo\\Sub"));
    ASSERT_EQ(f.second.hints.size(), 1u);
    EXPECT_EQ(f.second.hints[0].hint, kHintLocationChanged);
}

TEST(DocumentNavigation, WhatWasNotFoundIsSaidInTheStatusBar)
{
    RegistrySandbox box;
    box.CreateKey(L"Kept");
    DocumentFixture f;
    ASSERT_TRUE(f.doc->GoTo(nullptr, box.PathOf(L"Kept\\Gone").c_str(), true));
    ASSERT_EQ(f.frame->statusTexts.size(), 1u);
    EXPECT_EQ(f.frame->statusTexts[0],
              box.PathOf(L"Kept\\Gone") + L" was not found; showing " + box.PathOf(L"Kept"));
    EXPECT_FALSE(f.doc->GoTo(nullptr, L"NoSuchRootWord\\x", true));
    ASSERT_EQ(f.frame->statusTexts.size(), 2u);
    EXPECT_EQ(f.frame->statusTexts[1], L"NoSuchRootWord\\x is not a registry location");
    // The next navigation that finds its key clears what went wrong before;
    // after that, re-validating the location or a tree selection says nothing.
    ASSERT_TRUE(f.doc->GoTo(nullptr, box.PathOf(L"Kept").c_str(), true));
    ASSERT_EQ(f.frame->statusTexts.size(), 3u);
    EXPECT_EQ(f.frame->statusTexts[2], L"");
    ASSERT_TRUE(f.doc->GoTo(nullptr, box.PathOf(L"Kept").c_str(), true));
    ASSERT_TRUE(f.doc->GoTo(nullptr, nullptr, true));
    EXPECT_EQ(f.frame->statusTexts.size(), 3u);
}
