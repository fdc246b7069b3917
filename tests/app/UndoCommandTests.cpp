// Edit > Undo and Redo on the document: the menu texts follow the journal,
// a change another program made since is only overwritten after a Yes, and
// the commands take back and apply again what a move did.
#include "app/NavroDoc.h"
#include "app/framework/CmdTarget.h"
#include "base/Strings.h"
#include "support/DocumentFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "app/RegItemList.h"

#include "resource.h"

#include <gtest/gtest.h>

namespace
{
struct MenuState
{
    bool enabled;
    std::wstring text;
};

MenuState Probe(CNavroDoc& doc, UINT id)
{
    CCmdUI probe(id);
    probe.m_enabled = true;
    EXPECT_TRUE(doc.OnCmdMsg(id, &probe));
    return {probe.m_enabled, probe.m_text};
}

std::wstring Text(const RegistrySandbox& box, const wchar_t* key, const wchar_t* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!box.ReadValue(key, name, type, data))
        return L"(none)";
    return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2 - 1);
}
} // namespace

TEST(UndoCommands, TheMenuFollowsTheJournalAndOtherWritersChangesNeedAYes)
{
    RegistrySandbox box;
    box.SetString(L"From", L"v", L"mine");
    box.CreateKey(L"To");
    ScriptedPrompts user;
    DocumentFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"To").c_str(), true);
    MenuState undo = Probe(*f.doc, ID_EDIT_UNDO);
    EXPECT_FALSE(undo.enabled);
    EXPECT_EQ(undo.text, L"&Undo\tCtrl+Z");
    EXPECT_FALSE(Probe(*f.doc, ID_REDO).enabled);

    CRegItemList list;
    list.Add(box.PathOf(L"From"), L"v", 1);
    ASSERT_TRUE(f.doc->TransferItems(list, box.PathOf(L"To"), true, false));
    ASSERT_EQ(Text(box, L"To", L"v"), L"mine");
    undo = Probe(*f.doc, ID_EDIT_UNDO);
    EXPECT_TRUE(undo.enabled);
    EXPECT_EQ(undo.text.rfind(L"&Undo Move of ", 0), 0u);
    // The label keeps its start and its end (where the move went).
    std::wstring to = box.PathOf(L"To");
    std::wstring end = to.substr(to.size() - 30) + L"\tCtrl+Z";
    EXPECT_EQ(undo.text.substr(undo.text.size() - end.size()), end) << zv::ToUtf8(undo.text);

    // Another program changes the moved value: No leaves its data.
    box.SetString(L"To", L"v", L"theirs");
    user.Answer(IDNO);
    f.doc->OnCmdMsg(ID_EDIT_UNDO, nullptr);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_NE(user.Boxes()[0].text.find(box.PathOf(L"To") + L" \"v\" holds other data"), std::wstring::npos)
        << zv::ToUtf8(user.Boxes()[0].text);

    EXPECT_EQ(Text(box, L"To", L"v"), L"theirs");
    EXPECT_EQ(Text(box, L"From", L"v"), L"(none)");
    EXPECT_TRUE(Probe(*f.doc, ID_EDIT_UNDO).enabled) << "the step stays";

    // Yes puts the value back where it came from.
    user.Answer(IDYES);
    f.doc->OnCmdMsg(ID_EDIT_UNDO, nullptr);
    EXPECT_EQ(Text(box, L"From", L"v"), L"mine");
    EXPECT_EQ(Text(box, L"To", L"v"), L"(none)");
    EXPECT_FALSE(Probe(*f.doc, ID_EDIT_UNDO).enabled);
    MenuState redo = Probe(*f.doc, ID_REDO);
    EXPECT_TRUE(redo.enabled);
    EXPECT_EQ(redo.text.rfind(L"&Redo Move of ", 0), 0u);
    EXPECT_EQ(redo.text.substr(redo.text.size() - 13), L"\tCtrl+Shift+Z");

    f.doc->OnCmdMsg(ID_REDO, nullptr);
    EXPECT_EQ(Text(box, L"To", L"v"), L"mine");
    EXPECT_EQ(Text(box, L"From", L"v"), L"(none)");
    EXPECT_TRUE(Probe(*f.doc, ID_EDIT_UNDO).enabled);
    EXPECT_EQ(user.Boxes().size(), 2u) << "the question twice; the redo had nothing to ask";
}

TEST(UndoCommands, AStepNamingAQuotedValueIsNamedWithoutADoubledQuote)
{
    RegistrySandbox box;
    box.SetDword(L"Settings", L"Count", 1);
    ScriptedPrompts user;
    DocumentFixture f;
    const std::wstring settings = box.PathOf(L"Settings");
    {
        JournalRecorder record(&f.doc->Journal(), L"Edit of " + settings + L" " + JournalValueName(L"Count"));
        record.AddValue(settings, L"Count");
        box.SetDword(L"Settings", L"Count", 2);
    }
    box.SetDword(L"Settings", L"Count", 3); // another program
    user.Answer(IDNO);
    f.doc->OnCmdMsg(ID_EDIT_UNDO, nullptr);
    ASSERT_EQ(user.Boxes().size(), 1u);
    const std::wstring text = user.Boxes()[0].text;
    EXPECT_EQ(text.rfind(L"The registry was changed elsewhere since this step (Edit of " + settings +
                             L" \"Count\"):\n",
                         0),
              0u)
        << zv::ToUtf8(text);
    EXPECT_EQ(text.find(L"\"\""), std::wstring::npos) << zv::ToUtf8(text);
}

TEST(UndoCommands, MenuTextsShowNamesAsTheyAreAndStayShort)
{
    EXPECT_EQ(UndoMenuText(true, L""), L"&Undo\tCtrl+Z");
    EXPECT_EQ(UndoMenuText(false, L"Delete of A&B"), L"&Redo Delete of A&&B\tCtrl+Shift+Z");
    EXPECT_EQ(UndoMenuText(true, L"Edit of K \"a\tb\nc\""), L"&Undo Edit of K \"a b c\"\tCtrl+Z");
    std::wstring label = L"Delete of CURRENT_USER\\" + std::wstring(300, L'x') + L"\\End";
    std::wstring text = UndoMenuText(true, label);
    EXPECT_LE(text.size(), std::wstring(L"&Undo ").size() + 80 + std::wstring(L"\tCtrl+Z").size());
    EXPECT_EQ(text.rfind(L"&Undo Delete of CURRENT_USER\\", 0), 0u);
    EXPECT_NE(text.find(L"xx...xx"), std::wstring::npos) << zv::ToUtf8(text);
    EXPECT_EQ(text.substr(text.size() - 12), L"x\\End\tCtrl+Z");
    // An ampersand cut in half by the shortening still shows as one.
    std::wstring amps(200, L'&');
    std::wstring shown = UndoMenuText(true, amps);
    size_t single = 0;
    for (size_t at = 0; at + 1 < shown.size(); ++at)
        if (shown[at] == L'&' && shown[at + 1] != L'&' && (at == 0 || shown[at - 1] != L'&'))
            ++single;
    EXPECT_EQ(single, 1u) << "only the mnemonic of Undo";
}
