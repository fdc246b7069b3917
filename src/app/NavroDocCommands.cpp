// The document's commands: parent and corresponding keys, searches, web
// searches, ownership, permissions, definitions, item transfers and export.
#include "app/NavroDoc.h"

#include "operations/KeyTransfer.h"

#include "app/FrameServices.h"
#include "app/WebSearch.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "app/NameDlg.h"
#include "operations/KeySecurityInfo.h"
#include "operations/Ownership.h"
#include "operations/RegExport.h"
#include "operations/SnapshotFile.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/LiveRegistry.h"
#include "registry/RegistryPath.h"
#include "registry/RootKeys.h"
#include "base/FileSafeName.h"
#include "app/RegItemList.h"

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
    JournalRecorder record(&m_journal, L"Permissions of " + CurrentPath);
    record.Add({RegRegion::Security, CurrentPath});
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

std::wstring TakeOwnershipQuestion(const std::wstring& path, DWORD subKeys)
{
    std::wstring what = subKeys ? path + L" and its " + zv::Counted(subKeys, L"subkey", L"subkeys") : path;
    return L"Take ownership of " + what + L"?\n\nYou become the owner of " +
           (subKeys ? std::wstring(L"each of them") : std::wstring(L"it")) +
           L" and get full control; the permissions others have stay as they are.";
}

void CNavroDoc::StartTakeOwnership(const std::wstring& path)
{
    std::wstring target = path.empty() ? CurrentPath : path;
    KeyTreeCount below;
    {
        CWaitCursor wait;
        below = CountKeyTree(target);
    }
    if (!AskYesNo(TakeOwnershipQuestion(target, below.keys)))
        return;
    // The owners of the tree are read now and again once the worker is done;
    // the entry is made on this thread, or not at all when the document goes first.
    auto record = std::make_shared<JournalRecorder>(&m_journal, L"Take Ownership of " + target);
    {
        CWaitCursor wait;
        record->Add({RegRegion::Security, target, L"", true});
    }
    if (m_pendingRecord)
        m_pendingRecord->Drop();
    m_pendingRecord = record;
    std::weak_ptr<JournalRecorder> pending = record;
    auto task = [target, pending](const zv::StopToken& stop) -> IFrameServices::UiAction {
        bool taken = TakeOwnership(target, true, false, stop);
        DWORD error = taken ? ERROR_SUCCESS : GetLastError();
        return [pending, error] {
            if (std::shared_ptr<JournalRecorder> record = pending.lock())
                record->Finish();
            if (error != ERROR_SUCCESS && error != ERROR_CANCELLED)
                ReportError(error, kTakeOwnershipFailed, true);
        };
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
    JournalRecorder record(&m_journal, std::wstring(move ? L"Move of " : L"Copy of ") + list.Description() +
                                           L" to " + targetPath);
    {
        CWaitCursor wait; // what a move takes away is read for undo first
        if (move)
            for (int i = 0; i < list.GetCount(); ++i)
            {
                if (list.IsKeyItem(i))
                    record.AddTree(list.FullText(i));
                else
                    record.AddValue(list.Paths[static_cast<size_t>(i)], list.Names[static_cast<size_t>(i)],
                                    true);
            }
        record.WatchNewItems(targetPath);
    }
    bool done = ::TransferItems(list, targetPath, move, confirm);
    record.Finish();
    return done;
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
        written = ExportKey(key, request.fileName, &report);
    }
    if (!written)
        return;
    ShowStatus(report.Summary(request.fileName));
    // A backup that silently misses keys would be a failure reported as success.
    if (!report.IsComplete())
        AfxMessageBox(report.Message(request.fileName), MB_OK | MB_ICONWARNING);
}

void CNavroDoc::TakeSnapshotOfCurrentKey()
{
    if (CurrentPath.empty())
        return;
    CEzReg key(CurrentPath);
    FileDialogRequest request;
    request.save = true;
    request.owner = PromptOwner();
    request.filter = kSnapshotFileFilter;
    request.defaultExtension = L"zvsnap";
    request.fileName = FileSafeName(key.KeyName());
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!UserPrompts().FileDialog(request))
        return;
    IFrameServices* frame = m_frame;
    auto task = [path = CurrentPath, file = request.fileName, frame](const zv::StopToken& stop) {
        SnapshotResult result = TakeSnapshot(LiveRegistry(), path, file, stop, [frame](DWORD keys) {
            if (frame)
                frame->PostToUi([frame, keys] {
                    frame->SetStatusText(zv::Format(L"Taking a snapshot: %lu keys read...", keys));
                });
        });
        return IFrameServices::UiAction([result, file, frame] {
            std::wstring text = SnapshotReport(result, file);
            if (frame)
                frame->SetStatusText(text);
            if (!result.written && !result.cancelled)
                AfxMessageBox(text, MB_OK | MB_ICONWARNING);
        });
    };
    if (m_frame)
        m_frame->StartTask(std::move(task));
    else if (IFrameServices::UiAction report = task({}))
        report();
}

void CNavroDoc::BookmarkCurrentKey()
{
    if (CurrentPath.empty())
        return;
    CRegItemList list;
    list.AddKeyPath(CurrentPath);
    BookmarkEach(list, PromptOwner());
}
