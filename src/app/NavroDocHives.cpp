// The document's hive commands: Save as Hive, Load Hive and Unload Hive.
#include "app/NavroDoc.h"

#include "app/Hints.h"
#include "app/LoadHiveDlg.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "operations/Hives.h"
#include "registry/EzReg.h"
#include "base/FileSafeName.h"

#include <commdlg.h>

namespace
{
const wchar_t kHiveFileFilter[] = L"Hive Files (*.hiv, *.dat)|*.hiv;*.dat|All Files (*.*)|*.*||";
} // namespace

void CNavroDoc::OnSaveHive()
{
    CEzReg key(CurrentPath);
    FileDialogRequest request;
    request.save = true;
    request.owner = PromptOwner();
    request.title = L"Save as Hive";
    request.filter = kHiveFileFilter;
    request.fileName = FileSafeName(key.KeyName());
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!UserPrompts().FileDialog(request))
        return;
    CWaitCursor wait;
    if (SaveHive(CurrentPath, request.fileName))
        ShowStatus(L"Saved " + CurrentPath + L" as the hive file " + request.fileName);
}

void CNavroDoc::OnLoadHive()
{
    FileDialogRequest request;
    request.owner = PromptOwner();
    request.title = L"Load Hive";
    request.filter = kHiveFileFilter;
    request.flags = OFN_HIDEREADONLY;
    if (!UserPrompts().FileDialog(request))
        return;
    // The key it is mounted under: the file's name, unless the user gives another.
    CLoadHiveDlg name(PromptOwner(), request.fileName, HiveRootFor(CurrentPath));
    if (name.DoModal() != IDOK)
        return;
    std::wstring mounted;
    bool loaded;
    {
        CWaitCursor wait;
        loaded = LoadHiveAs(request.fileName, name.Root, name.KeyName, mounted);
    }
    if (loaded)
    {
        UpdateAllViews(nullptr, kHintRefresh, nullptr);
        GoTo(nullptr, mounted.c_str(), true);
    }
}

void CNavroDoc::OnUnloadHive()
{
    std::wstring path = CurrentPath;
    if (!UnloadHive(path))
        return;
    size_t slash = path.find(L'\\');
    std::wstring root = path.substr(0, slash);
    GoTo(nullptr, root.c_str(), true);
    UpdateAllViews(nullptr, kHintRefresh, nullptr);
}

void CNavroDoc::OnUpdateUnloadHive(CCmdUI* ui)
{
    bool hive = IsLoadedHive(CurrentPath);
    // The item names the hive it would unload ("&" shown literally).
    std::wstring text =
        zv::Format(L"&Unload Hive %s", hive ? zv::ReplaceAll(CurrentPath, L"&", L"&&").c_str() : L"");
    ui->SetText(text.c_str());
    ui->Enable(hive);
}
