// The document's commands: parent and corresponding keys, searches, web
// searches and shortcut files.
#include "app/NavroDoc.h"
#include "app/WebSearch.h"
#include "operations/Hives.h"
#include "app/framework/CmdTarget.h"
#include "support/DocumentFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include "resource.h"

#include <gtest/gtest.h>

namespace
{
// Whether the document enables a command at its current location.
bool Enabled(CNavroDoc& doc, UINT id)
{
    CCmdUI probe(id);
    probe.m_enabled = true;
    EXPECT_TRUE(doc.OnCmdMsg(id, &probe)) << "the document handles " << id;
    return probe.m_enabled;
}

// The commands posted to a window, in order.
std::vector<UINT> PostedCommands(HWND window)
{
    std::vector<UINT> ids;
    MSG msg;
    while (PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        ids.push_back(LOWORD(msg.wParam));
    return ids;
}
} // namespace

TEST(DocumentCommands, ParentKeyIsThereBelowTheRootsOnly)
{
    RegistrySandbox box;
    box.CreateKey(L"P\\C");
    DocumentFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"P\\C").c_str(), true);
    EXPECT_TRUE(Enabled(*f.doc, ID_PARENT_KEY));
    f.doc->OnCmdMsg(ID_PARENT_KEY, nullptr);
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"P"));
    f.doc->GoTo(nullptr, L"USERS", true);
    EXPECT_FALSE(Enabled(*f.doc, ID_PARENT_KEY)) << "a root has no parent to go to";
    f.doc->OnCmdMsg(ID_PARENT_KEY, nullptr);
    EXPECT_EQ(f.doc->GetCurrentPath(), L"USERS");
}

TEST(DocumentCommands, CorrespondingKeysFollowTheirEnableRules)
{
    DocumentFixture f;
    f.doc->GoTo(nullptr, L"CURRENT_USER\\Software", true);
    EXPECT_TRUE(Enabled(*f.doc, ID_MACHINE_KEY));
    EXPECT_FALSE(Enabled(*f.doc, ID_USER_KEY)) << "already in the user's key";
    f.doc->OnCmdMsg(ID_MACHINE_KEY, nullptr);
    EXPECT_EQ(f.doc->GetCurrentPath(), L"LOCAL_MACHINE\\Software");
    EXPECT_EQ(f.doc->RootRest, L"\\Software");
    EXPECT_TRUE(Enabled(*f.doc, ID_USER_KEY));
    f.doc->OnCmdMsg(ID_USER_KEY, nullptr);
    EXPECT_EQ(f.doc->GetCurrentPath(), L"CURRENT_USER\\Software");
}

TEST(DocumentCommands, SearchesTakeTheNameOrTheDefaultDataAndAskTheFrame)
{
    RegistrySandbox box;
    box.SetString(L"WithData", L"", L"the default");
    box.CreateKey(L"NoData");
    DocumentFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"WithData").c_str(), true);
    PostedCommands(f.frame->m_hWnd);
    f.doc->OnCmdMsg(ID_SEARCH_NAME, nullptr);
    EXPECT_EQ(f.doc->GetSearchText(), L"WithData");
    f.doc->OnCmdMsg(ID_SEARCH_DATA, nullptr);
    EXPECT_EQ(f.doc->GetSearchText(), L"the default");
    f.doc->GoTo(nullptr, box.PathOf(L"NoData").c_str(), true);
    f.doc->OnCmdMsg(ID_SEARCH_DATA, nullptr);
    EXPECT_EQ(f.doc->GetSearchText(), L"");
    EXPECT_EQ(PostedCommands(f.frame->m_hWnd), (std::vector<UINT>{ID_FIND, ID_FIND, ID_FIND}));
}

TEST(DocumentCommands, WebSearchOpensTheEncodedQuery)
{
    ScriptedPrompts prompts;
    DocumentFixture f;
    f.doc->WebSearch(L"  R&D #1 ");
    f.doc->WebSearch(L"");
    auto launches = prompts.Launches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].verb, L"open");
    EXPECT_EQ(launches[0].file, std::wstring(kWebSearchEndpoint) + L"R%26D+%231");
    EXPECT_EQ(launches[1].file, std::wstring(kWebSearchEndpoint) + WebSearchQuery(f.doc->GetCurrentPath()))
        << "nothing selected searches for the current key";
}

TEST(DocumentCommands, ShortcutFilesHoldTheLocationAndOpenIt)
{
    RegistrySandbox box;
    box.SetDword(L"A;B", L"Val", 3);
    DocumentFixture f;
    f.doc->GoTo(nullptr, (box.PathOf(L"A;B") + L"\tVal").c_str(), true);
    f.doc->ValueSelected = true;
    std::wstring file = TempFilePath(L"shortcut.s2r");
    ASSERT_TRUE(f.doc->OnSaveDocument(file));
    std::vector<unsigned char> bytes = ReadFileBytes(file);
    std::wstring text = box.PathOf(L"A;B") + L"\tVal";
    ASSERT_GE(bytes.size(), 4u);
    // The UTF-16 mark, then the length in characters (one byte while under 255).
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], text.size());
    EXPECT_EQ(bytes.size(), 4 + 2 * text.size());

    DocumentFixture other;
    ASSERT_TRUE(other.doc->OnOpenDocument(file));
    EXPECT_EQ(other.doc->GetCurrentPath(), box.PathOf(L"A;B"));
    EXPECT_EQ(other.doc->GetValueName(), L"Val");
    DeleteFileW(file.c_str());
}

TEST(DocumentCommands, AnUnreadableShortcutKeepsTheLocationAndSaysSo)
{
    ScriptedPrompts prompts;
    prompts.Answer(IDOK);
    DocumentFixture f;
    f.doc->GoTo(nullptr, L"CURRENT_USER", true);
    std::wstring file = TempFilePath(L"broken.s2r");
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, "\xFF\xFE\xFF\x30x", 5, &written, nullptr); // claims 48 characters, holds half of one
    CloseHandle(h);
    EXPECT_FALSE(f.doc->OnOpenDocument(file));
    EXPECT_EQ(f.doc->GetCurrentPath(), L"CURRENT_USER");
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    DeleteFileW(file.c_str());
}

TEST(DocumentCommands, LoadHiveGoesToItAndTheUnloadItemNamesItOnlyThere)
{
    RegistrySandbox box;
    box.SetString(L"Tree\\R&D", L"v", L"x");
    std::wstring file = TempFilePath(L"ZvDocHive");
    DeleteFileW(file.c_str());
    ASSERT_TRUE(SaveHive(box.PathOf(L"Tree"), file));
    std::wstring name = file.substr(file.rfind(L'\\') + 1);
    ScriptedPrompts user;
    DocumentFixture f;
    f.doc->GoTo(nullptr, L"LOCAL_MACHINE\\Software", true);

    auto unloadItem = [&](bool& enabled) {
        CCmdUI probe(ID_UNLOAD_HIVE);
        f.doc->OnCmdMsg(ID_UNLOAD_HIVE, &probe);
        enabled = probe.m_enabled;
        return probe.m_text;
    };
    bool enabled = true;
    EXPECT_EQ(unloadItem(enabled), L"&Unload Hive ");
    EXPECT_FALSE(enabled);

    // The file dialog is Load Hive's, hive files first; the key name is the
    // file's, in a box the user may change: a taken name is refused there.
    user.AnswerFile(file);
    user.Answer(IDOK);
    HWND nameDialog = nullptr;
    user.onDialog = [&](UINT id, HWND dialog) {
        EXPECT_EQ(id, static_cast<UINT>(IDD_LOAD_HIVE));
        nameDialog = dialog;
        wchar_t text[MAX_PATH] = {};
        GetDlgItemTextW(dialog, IDC_HIVE_NAME, text, MAX_PATH);
        EXPECT_EQ(std::wstring(text), name) << "proposed from the file";
        SetDlgItemTextW(dialog, IDC_HIVE_NAME, L"Software"); // taken below LOCAL_MACHINE
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    // After the refusal the user types another name and presses OK again.
    user.onBox = [&](const RecordedBox&) {
        SetDlgItemTextW(nameDialog, IDC_HIVE_NAME, (name + L" mine").c_str());
        PostMessageW(nameDialog, WM_COMMAND, IDOK, 0);
    };
    f.doc->OnCmdMsg(ID_LOAD_HIVE, nullptr);
    user.onDialog = nullptr;
    user.onBox = nullptr;
    ASSERT_EQ(user.FileDialogs().size(), 1u);
    EXPECT_EQ(user.FileDialogs()[0].title, L"Load Hive");
    EXPECT_EQ(user.FileDialogs()[0].filter.rfind(L"Hive Files (*.hiv, *.dat)|*.hiv;*.dat|", 0), 0u);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, L"LOCAL_MACHINE\\Software exists already: choose another name.");
    name += L" mine";
    ASSERT_EQ(f.doc->GetCurrentPath(), L"LOCAL_MACHINE\\" + name);
    EXPECT_EQ(unloadItem(enabled), L"&Unload Hive LOCAL_MACHINE\\" + name);
    EXPECT_TRUE(enabled);
    // Below the hive: no unload.
    f.doc->GoTo(nullptr, (L"LOCAL_MACHINE\\" + name + L"\\R&D").c_str(), true);
    EXPECT_FALSE((unloadItem(enabled), enabled));
    f.doc->GoTo(nullptr, (L"LOCAL_MACHINE\\" + name).c_str(), true);

    f.doc->OnCmdMsg(ID_UNLOAD_HIVE, nullptr);
    EXPECT_FALSE(KeyExistsRaw(HKEY_LOCAL_MACHINE, name));
    EXPECT_EQ(f.doc->GetCurrentPath(), L"LOCAL_MACHINE");
    EXPECT_TRUE(box.Exists(L"Tree\\R&D")) << "the saved tree is untouched";
    DeleteFileW(file.c_str());
}
