// The document: location, history, title and navigation.
#include "app/NavroDoc.h"

#include "app/Hints.h"
#include "base/Elevation.h"
#include "app/Options.h"
#include "app/framework/Archive.h"
#include "base/SettingsStore.h"
#include "base/Strings.h"
#include "app/FrameServices.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "registry/RootKeys.h"
#include "base/FileSafeName.h"

namespace
{
std::wstring g_startLocation;
const wchar_t kHistorySection[] = L"RecentPath";
} // namespace

void CNavroDoc::SetStartLocation(const std::wstring& location)
{
    g_startLocation = location;
}

std::wstring DocumentTitle(const std::wstring& decoration, const std::wstring& path)
{
    return zv::Format(L"%s %s %s ", zv::LoadResString(AFX_IDS_APP_TITLE).c_str(), decoration.c_str(),
                      path.c_str());
}

std::wstring ShortcutFileName(const std::wstring& path)
{
    std::wstring key = path;
    while (!key.empty() && key.back() == L'\\')
        key.pop_back();
    size_t slash = key.rfind(L'\\');
    std::wstring name = FileSafeName(slash == std::wstring::npos ? key : key.substr(slash + 1));
    return name.empty() ? std::wstring(L"Zorvane") : name;
}

CNavroDoc::CNavroDoc() : History(L"Path", false, true)
{
    TitleDecoration = IsElevated() ? L"(Administrator)" : L"(Limited Edit Rights)";
    HistoryIndex = static_cast<int>(Settings().GetProfileInt(kHistorySection, L"Index", 0));
    History.Load();
    if (HistoryIndex < 0 || HistoryIndex >= History.GetSize())
        HistoryIndex = 0;
    if (!g_startLocation.empty())
        CurrentPath = g_startLocation;
    else if (!History.IsEmpty() && GetRestoreLastKey())
        CurrentPath = History[HistoryIndex];
}

CNavroDoc::~CNavroDoc()
{
    if (m_pendingRecord)
        m_pendingRecord->Drop();
    SaveHistory();
}

void CNavroDoc::SaveHistory()
{
    History.Save();
    Settings().WriteProfileInt(kHistorySection, L"Index", HistoryIndex);
}

bool CNavroDoc::GoTo(CView* sender, const wchar_t* target, bool addToHistory)
{
    std::wstring resolved;
    bool namesValue = false;
    if (target)
    {
        std::wstring text(target);
        if (!CurrentPath.empty() && ResolveRelative(CurrentPath, text, resolved))
        {
            CurrentPath = resolved;
        }
        else
        {
            // The value name is cut off first: the parser drops tabs, which
            // would glue the name onto the key path.
            std::wstring keyText, valueName;
            namesValue = SplitKeyAndValue(text, keyText, valueName);
            if (!ParseRegistryPath(keyText, resolved))
            {
                ShowProblem(zv::Format(zv::LoadResString(IDS_NOT_A_LOCATION).c_str(), text.c_str()));
                return false;
            }
            CurrentPath = resolved;
            ValueName = valueName;
        }
    }
    else
    {
        std::wstring keyText, valueName;
        namesValue = SplitKeyAndValue(CurrentPath, keyText, valueName);
        if (!ParseRegistryPath(keyText, resolved))
            resolved.clear();
        CurrentPath = resolved;
        ValueName = valueName;
    }
    if (!namesValue && !KeyExists(CurrentPath))
        namesValue = TakeValueFromPath();
    const std::wstring wanted = CurrentPath;
    CurrentPath = ClosestExistingKey(CurrentPath);
    if (target && !zv::EqualsNoCase(CurrentPath, wanted))
        ShowProblem(zv::Format(zv::LoadResString(IDS_KEY_NOT_FOUND).c_str(), wanted.c_str(),
                               CurrentPath.empty() ? kComputerName : CurrentPath.c_str()));
    else if (target && m_statusShowsProblem)
    {
        // The place asked for was found: what went wrong before is over.
        ShowStatus(L"");
    }
    // One name query gives every component the registry's own case.
    if (!CurrentPath.empty())
        CurrentPath = RegistrySpelling(CurrentPath);
    ValueSelected = namesValue && !ValueName.empty();
    UpdateAllViews(sender, kHintLocationChanged, nullptr);
    UpdateTitle();
    if (!CurrentPath.empty())
    {
        if (addToHistory)
        {
            while (HistoryIndex > 0 && !History.IsEmpty())
            {
                History.RemoveAt(0);
                --HistoryIndex;
            }
            HistoryIndex = 0;
            History.Add(CurrentPath);
        }
        if (ValueSelected)
        {
            const SelectValueHint select(ValueName);
            UpdateAllViews(nullptr, kHintSelectValue, &select);
        }
    }
    return true;
}

bool CNavroDoc::TakeValueFromPath()
{
    std::optional<std::wstring> parent = ParentPath(CurrentPath);
    if (!parent || !KeyExists(*parent))
        return false;
    std::wstring name = CurrentPath.substr(parent->size() + 1);
    CEzReg key(*parent);
    if (!key.QueryValue(name.c_str()))
        return false;
    // The last component names a value of the key above it.
    CurrentPath = *parent;
    ValueName = name;
    return true;
}

void CNavroDoc::ShowStatus(const std::wstring& text)
{
    m_statusShowsProblem = false;
    if (m_frame)
        m_frame->SetStatusText(text);
}

void CNavroDoc::ShowProblem(const std::wstring& text)
{
    ShowStatus(text);
    m_statusShowsProblem = true;
}

bool CNavroDoc::CanGo(bool forward) const
{
    return forward ? HistoryIndex > 0 : HistoryIndex < History.GetSize() - 1;
}

void CNavroDoc::GoBack()
{
    if (!CanGo(false))
        return;
    ++HistoryIndex;
    std::wstring target = History[HistoryIndex];
    GoTo(nullptr, target.c_str(), false);
}

void CNavroDoc::GoForward()
{
    if (!CanGo(true))
        return;
    --HistoryIndex;
    std::wstring target = History[HistoryIndex];
    GoTo(nullptr, target.c_str(), false);
}

void CNavroDoc::UpdateTitle()
{
    if (m_frame)
    {
        m_frame->SetTitle(DocumentTitle(TitleDecoration, CurrentPath));
        m_frame->ShowLocation(CurrentPath);
    }
    SetPathName(ShortcutFileName(CurrentPath), false);
}

void CNavroDoc::PostFrameCommand(UINT command)
{
    if (m_frame)
        m_frame->PostCommand(command);
}

void CNavroDoc::KeyRenamed(CView*, const std::wstring& newPath)
{
    const std::wstring old = CurrentPath;
    for (std::wstring& entry : History.Entries())
        if (!old.empty() && IsSameOrUnder(entry, old))
            entry = newPath + entry.substr(old.size());
    CurrentPath = newPath;
    PostFrameCommand(ID_UPDATE_TITLE);
}

void CNavroDoc::Serialize(CArchive& archive)
{
    if (archive.IsStoring())
    {
        std::wstring text = CurrentPath;
        if (ValueSelected)
            text += L"\t" + ValueName;
        archive.WriteString(text);
        return;
    }
    std::wstring text;
    if (!archive.ReadString(text))
        return; // the archive records the failure
    SplitKeyAndValue(text, CurrentPath, ValueName);
}

bool CNavroDoc::OnOpenDocument(const std::wstring& path)
{
    std::wstring previousPath = CurrentPath, previousValue = ValueName;
    if (CDocument::OnOpenDocument(path))
        return true;
    CurrentPath = previousPath;
    ValueName = previousValue;
    return false;
}
