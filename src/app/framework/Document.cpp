// Documents: views, updates, and shortcut files through the archive.
#include "app/framework/Document.h"

#include "app/framework/Archive.h"
#include "app/framework/DocTemplate.h"
#include "base/Handles.h"
#include "base/UserPrompts.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

#include <commdlg.h>
#include <algorithm>

CDocument::~CDocument()
{
    for (CView* view : m_views)
        view->m_pDocument = nullptr;
}

void CDocument::AddView(CView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
    if (view->m_pDocument == this)
        view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, const CUpdateHint* hintObject)
{
    // A copy: a view may go away while others are updated.
    std::vector<CView*> views = m_views;
    for (CView* view : views)
        if (view != sender && std::find(m_views.begin(), m_views.end(), view) != m_views.end())
            view->OnUpdate(sender, hint, hintObject);
}

void CDocument::SetPathName(const std::wstring& path, bool addToRecent)
{
    m_pathName = path;
    size_t slash = path.find_last_of(L"\\/");
    m_title = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (addToRecent)
        if (CWinApp* app = AfxGetApp())
            app->AddToRecentFileList(path);
}

bool CDocument::OnOpenDocument(const std::wstring& path)
{
    zv::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    bool ok = false;
    if (file)
    {
        CArchive archive(file.get(), CArchive::load);
        Serialize(archive);
        ok = !archive.Failed();
    }
    if (!ok)
        AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC, MB_OK | MB_ICONEXCLAMATION);
    return ok;
}

bool CDocument::OnSaveDocument(const std::wstring& path)
{
    zv::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool ok = false;
    if (file)
    {
        CArchive archive(file.get(), CArchive::store);
        Serialize(archive);
        ok = archive.Flush() && !archive.Failed();
    }
    if (!ok)
    {
        DeleteFileW(path.c_str());
        AfxMessageBox(AFX_IDP_FAILED_TO_SAVE_DOC, MB_OK | MB_ICONEXCLAMATION);
    }
    return ok;
}

bool CDocument::DoSaveAs()
{
    FileDialogRequest request;
    request.save = true;
    request.owner = PromptOwner();
    request.fileName = m_pathName;
    std::wstring extension;
    if (m_pDocTemplate)
    {
        extension = m_pDocTemplate->GetDocString(CSingleDocTemplate::filterExt);
        request.filter = m_pDocTemplate->FileFilter();
    }
    if (!extension.empty() && extension[0] == L'.')
        extension.erase(0, 1);
    request.defaultExtension = extension;
    // The proposal is the bare name with the extension added.
    size_t slash = request.fileName.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        request.fileName.erase(0, slash + 1);
    // Always added: a key name such as Word.Document has a dot of its own.
    std::wstring suffix = L"." + extension;
    if (!extension.empty() && !request.fileName.empty() &&
        (request.fileName.size() < suffix.size() ||
         _wcsicmp(request.fileName.c_str() + request.fileName.size() - suffix.size(), suffix.c_str()) != 0))
        request.fileName += suffix;
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!UserPrompts().FileDialog(request))
        return false;
    if (!OnSaveDocument(request.fileName))
        return false;
    SetPathName(request.fileName, true);
    return true;
}
