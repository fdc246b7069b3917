// Import through the document as a user drives it: the file dialog, the
// preview's title, rows and check boxes, Apply and Cancel, the end report, a
// script that does not parse, pasted registry text, and "/import" on the
// command line.
#include "app/NavroDoc.h"
#include "app/StartArguments.h"
#include "base/Strings.h"
#include "operations/ImportPlan.h"
#include "app/framework/OleDataSource.h"
#include "support/DocumentFixture.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include "resource.h"

#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

namespace
{
std::wstring WriteScript(const std::wstring& name, const std::wstring& text)
{
    std::wstring path = TempFilePath(name);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "\xFF\xFE", 2, &written, nullptr);
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::wstring Script(const RegistrySandbox& box)
{
    return L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_" + box.PathOf(L"Imported") +
           L"]\r\n\"one\"=\"1\"\r\n\"two\"=dword:00000002\r\n\"three\"=hex:03\r\n";
}

struct PreviewSeen
{
    std::wstring title;
    int rows = -1;
};

// Answers the preview: notes what it shows, unticks the row of the value
// named skip (Space on the focused row), then presses button.
void AnswerPreview(ScriptedPrompts& user, PreviewSeen& seen, int skipRow, UINT button)
{
    user.onDialog = [&seen, skipRow, button](UINT id, HWND dialog) {
        if (id != IDD_IMPORT_PREVIEW)
            return;
        wchar_t title[256] = {};
        GetWindowTextW(dialog, title, 256);
        seen.title = title;
        HWND list = GetDlgItem(dialog, IDC_IMPORT_CHANGES);
        seen.rows = ListView_GetItemCount(list);
        if (skipRow >= 0)
        {
            ListView_SetItemState(list, skipRow, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
            NMLVKEYDOWN key = {};
            key.hdr.hwndFrom = list;
            key.hdr.idFrom = IDC_IMPORT_CHANGES;
            key.hdr.code = LVN_KEYDOWN;
            key.wVKey = VK_SPACE;
            SendMessageW(dialog, WM_NOTIFY, IDC_IMPORT_CHANGES, reinterpret_cast<LPARAM>(&key));
        }
        PostMessageW(dialog, WM_COMMAND, button, 0);
    };
}
} // namespace

TEST(ImportCommand, TheFileGoesThroughThePreviewAndOnlyCheckedChangesAreWritten)
{
    RegistrySandbox box;
    std::wstring file = WriteScript(L"preview.reg", Script(box));
    ScriptedPrompts user;
    DocumentFixture f;

    // Cancel: nothing is written.
    PreviewSeen seen;
    AnswerPreview(user, seen, -1, IDCANCEL);
    user.AnswerFile(file);
    f.doc->OnCmdMsg(ID_IMPORT, nullptr);
    ASSERT_EQ(user.FileDialogs().size(), 1u);
    EXPECT_EQ(user.FileDialogs()[0].filter, L"Registry Files (*.reg)|*.reg|All Files (*.*)|*.*||");
    EXPECT_EQ(seen.title, L"Import " + file.substr(file.rfind(L'\\') + 1));
    EXPECT_EQ(seen.rows, 4) << "the key and its three values";
    EXPECT_FALSE(box.Exists(L"Imported"));
    EXPECT_TRUE(user.Boxes().empty());

    // Apply with "two" (row 2) left out.
    AnswerPreview(user, seen, 2, IDOK);
    user.Answer(IDOK);
    EXPECT_TRUE(f.doc->ImportFile(file));
    EXPECT_EQ(box.ValueNames(L"Imported"), (std::vector<std::wstring>{L"one", L"three"}));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              L"Imported: 1 key created, 0 keys deleted, 2 values written, 0 values deleted, "
              L"0 left unchanged, 0 failed. 1 change was left out.");
    DeleteFileW(file.c_str());
}

TEST(ImportCommand, AScriptThatDoesNotParseSaysWhereAndWritesNothing)
{
    RegistrySandbox box;
    std::wstring file = WriteScript(L"broken.reg", Script(box) + L"[HKEY_NOWHERE\\Software]\r\n");
    ScriptedPrompts user;
    DocumentFixture f;
    user.Answer(IDOK);
    EXPECT_FALSE(f.doc->ImportFile(file));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              L"The file was not imported; nothing was written.\nLine 7: unknown root \"HKEY_NOWHERE\".");
    EXPECT_FALSE(box.Exists(L"Imported"));
    DeleteFileW(file.c_str());
}

TEST(ImportCommand, PastedRegistryTextGoesThroughThePreview)
{
    RegistrySandbox box;
    ScriptedPrompts user;
    DocumentFixture f;
    std::wstring text = Script(box);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    EXPECT_TRUE(CNavroDoc::ClipboardHoldsRegistryScript());
    PreviewSeen seen;
    AnswerPreview(user, seen, -1, IDOK);
    user.Answer(IDOK);
    EXPECT_TRUE(f.doc->PasteRegistryScript());
    EXPECT_EQ(seen.title, L"Import from the clipboard");
    EXPECT_EQ(box.ValueNames(L"Imported").size(), 3u);

    // Plain text is no script: nothing happens.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    memory = GlobalAlloc(GMEM_MOVEABLE, 16);
    memcpy(GlobalLock(memory), L"hello", 12);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    EXPECT_FALSE(CNavroDoc::ClipboardHoldsRegistryScript());
    EXPECT_FALSE(f.doc->PasteRegistryScript());
}

TEST(ImportCommand, ImportOnTheCommandLineTakesTheNextArgument)
{
    StartArguments a = ScanStartArguments({L"/import", L"C:\\x.reg", L"HKCU\\Software"});
    EXPECT_EQ(a.importFile, L"C:\\x.reg");
    EXPECT_EQ(a.location, L"HKCU\\Software");
    StartArguments b = ScanStartArguments({L"-IMPORT", L"y.reg"});
    EXPECT_EQ(b.importFile, L"y.reg");
    EXPECT_TRUE(b.location.empty());
    // A link never imports.
    StartArguments c = ScanStartArguments({L"zorvane:HKCU", L"/import", L"C:\\x.reg"});
    EXPECT_TRUE(c.importFile.empty());
}

TEST(ImportCommand, AKeysCheckBoxTakesItsValuesAlong)
{
    ImportPlan plan;
    for (ImportChangeKind kind :
         {ImportChangeKind::CreateKey, ImportChangeKind::AddValue, ImportChangeKind::AddValue,
          ImportChangeKind::KeyExists, ImportChangeKind::ChangeValue})
    {
        ImportChange change;
        change.kind = kind;
        plan.changes.push_back(change);
    }
    SelectImportChange(plan, 0, false);
    std::vector<bool> selected;
    for (const ImportChange& change : plan.changes)
        selected.push_back(change.selected);
    EXPECT_EQ(selected, (std::vector<bool>{false, false, false, true, true}));
    SelectImportChange(plan, 4, false);
    SelectImportChange(plan, 0, true);
    selected.clear();
    for (const ImportChange& change : plan.changes)
        selected.push_back(change.selected);
    EXPECT_EQ(selected, (std::vector<bool>{true, true, true, true, false}));
    // The last key's values reach the end of the plan.
    SelectImportChange(plan, 4, true);
    SelectImportChange(plan, 3, false);
    selected.clear();
    for (const ImportChange& change : plan.changes)
        selected.push_back(change.selected);
    EXPECT_EQ(selected, (std::vector<bool>{true, true, true, false, false}));
}

TEST(ImportCommand, AScriptDroppedFromTheShellOnEitherPaneIsImported)
{
    RegistrySandbox box;
    std::wstring file = WriteScript(L"dropped.reg", Script(box));
    auto dropOf = [](const std::wstring& path) {
        // DROPFILES, then the wide path and an empty one.
        size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        memcpy(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES), path.c_str(),
               path.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        zv::com_ptr<COleDataSource> source = zv::MakeCom<COleDataSource>();
        source->CacheGlobalData(CF_HDROP, memory);
        return source;
    };
    ScriptedPrompts user;
    FrameFixture f;
    PreviewSeen seen;
    AnswerPreview(user, seen, -1, IDOK);
    user.Answer(IDOK);
    zv::com_ptr<COleDataSource> script = dropOf(file);
    EXPECT_EQ(f.Values().OnDragOver(script.get(), 0, POINT{10, 10}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_TRUE(f.Values().OnDrop(script.get(), DROPEFFECT_COPY, POINT{10, 10}));
    EXPECT_EQ(seen.title, L"Import " + file.substr(file.rfind(L'\\') + 1));
    EXPECT_EQ(box.ValueNames(L"Imported").size(), 3u);

    // Another kind of file is no import.
    std::wstring text = WriteScript(L"notes.txt", Script(box));
    zv::com_ptr<COleDataSource> other = dropOf(text);
    EXPECT_EQ(f.Tree().OnDragOver(other.get(), 0, POINT{10, 10}), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_FALSE(f.Tree().OnDrop(other.get(), DROPEFFECT_COPY, POINT{10, 10}));
    DeleteFileW(file.c_str());
    DeleteFileW(text.c_str());
}
