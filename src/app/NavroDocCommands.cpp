// The document's commands: parent and corresponding keys, searches, web
// searches, ownership, permissions, definitions, item transfers and export.
#include "app/NavroDoc.h"

#include "app/FrameServices.h"
#include "app/WebSearch.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "bookmarks/NameDlg.h"
#include "operations/KeySecurityInfo.h"
#include "operations/Ownership.h"
#include "operations/RegExport.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "registry/RootKeys.h"
#include "values/FileSafeName.h"
#include "values/RegItemList.h"

#include <commdlg.h>

#include <optional>

namespace
{
int TargetRoot(UINT command)
{
    switch (command)
    {
    case ID_MACHINE_KEY:
        return kRootMachine;
    case ID_USER_KEY:
        return kRootUser;
    case ID_CONFIG_KEY:
        return kRootConfig;
    default:
        return kRootClasses;
    }
}
} // namespace

void CNavroDoc::OnParentKey()
{
    std::optional<std::wstring> parent = ParentPath(CurrentPath);
    if (!parent)
        return;
    ParentText = *parent;
    GoTo(nullptr, ParentText.c_str(), true);
}

void CNavroDoc::OnUpdateParentKey(CCmdUI* ui)
{
    ui->Enable(ParentPath(CurrentPath).has_value());
}

void CNavroDoc::GoToCorresponding(UINT command)
{
    std::wstring target = CorrespondingKey(CurrentPath, TargetRoot(command));
    size_t slash = CurrentPath.find(L'\\');
    RootRest = slash == std::wstring::npos ? std::wstring() : CurrentPath.substr(slash);
    GoTo(nullptr, target.c_str(), true);
}

void CNavroDoc::OnUpdateCorresponding(CCmdUI* ui)
{
    switch (ui->m_nID)
    {
    case ID_MACHINE_KEY:
        ui->Enable(CanGoToMachineKey(CurrentPath));
        break;
    case ID_USER_KEY:
        ui->Enable(CanGoToUserKey(CurrentPath));
        break;
    case ID_CONFIG_KEY:
        ui->Enable(CanGoToConfigKey(CurrentPath));
        break;
    default:
        ui->Enable(CanGoToClassesKey(CurrentPath));
        break;
    }
}

void CNavroDoc::OnSearchName()
{
    size_t slash = CurrentPath.rfind(L'\\');
    SearchText = slash == std::wstring::npos ? CurrentPath : CurrentPath.substr(slash + 1);
    PostFrameCommand(ID_FIND);
}

void CNavroDoc::OnSearchData()
{
    CEzReg reader(CurrentPath);
    SearchText = reader.QueryValue(L"") ? reader.DataText() : std::wstring();
    PostFrameCommand(ID_FIND);
}

void CNavroDoc::OnPermissions()
{
    ShowPermissions(SecurityObjectName(CurrentPath));
}

void CNavroDoc::WebSearch(const std::wstring& text)
{
    std::wstring query = zv::TrimSpaces(text);
    if (query.empty())
        query = CurrentPath;
    std::wstring address = kWebSearchEndpoint + WebSearchQuery(query);
    UserPrompts().LaunchShell(PromptOwner(), L"open", address, L"", SW_SHOWNORMAL);
}

void CNavroDoc::WebSearchItem(const std::wstring& keyPath, const std::wstring& second)
{
    WebSearch(WebSearchItemText(keyPath, second));
}

void CNavroDoc::StartTakeOwnership(const std::wstring& path)
{
    std::wstring target = path.empty() ? CurrentPath : path;
    auto task = [target](const zv::StopToken& stop) -> IFrameServices::UiAction {
        if (TakeOwnership(target, true, false, stop))
            return {};
        DWORD error = GetLastError();
        if (error == ERROR_CANCELLED)
            return {};
        return [error] { ReportError(error, kTakeOwnershipFailed, true); };
    };
    if (m_frame)
        m_frame->StartTask(std::move(task));
    else if (IFrameServices::UiAction report = task({}))
        report(); // no frame to run it in the background
}

void CNavroDoc::GoToDefinition(const std::wstring& text)
{
    if (!StartsWithBracedGuid(text))
        return;
    std::wstring guid = text.substr(0, 38);
    std::wstring found;
    if (FindGuidKey(guid, found))
    {
        GoTo(nullptr, found.c_str(), true);
        return;
    }
    if (AskYesNo(zv::Format(zv::LoadResString(IDS_SEARCH_FOR).c_str(), guid.c_str())))
    {
        // The search pane searches below LOCAL_MACHINE for the text.
        SearchText = guid;
        SearchRoot = L"LOCAL_MACHINE";
        PostFrameCommand(ID_FIND);
    }
}

bool CNavroDoc::TransferItems(CRegItemList& list, const std::wstring& targetPath, bool move, bool confirm)
{
    return ::TransferItems(list, targetPath, move, confirm);
}

void CNavroDoc::ExportCurrentKey()
{
    CEzReg key(CurrentPath);
    FileDialogRequest request;
    request.save = true;
    request.owner = PromptOwner();
    request.filter = kRegFileFilter;
    request.defaultExtension = L"reg";
    request.fileName = FileSafeName(key.IsComputer() ? std::wstring(L"My Computer") : key.KeyName());
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!UserPrompts().FileDialog(request))
        return;
    ExportReport report;
    bool written;
    {
        CWaitCursor wait;
        written = key.ExportKey(request.fileName, &report);
    }
    // A backup that silently misses keys would be a failure reported as success.
    if (written && !report.IsComplete())
        AfxMessageBox(report.Message(request.fileName), MB_OK | MB_ICONWARNING);
}

void CNavroDoc::BookmarkCurrentKey()
{
    if (CurrentPath.empty())
        return;
    CRegItemList list;
    list.AddKeyPath(CurrentPath);
    BookmarkEach(list, PromptOwner());
}
