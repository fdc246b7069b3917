// Single-document template.
#include "app/framework/DocTemplate.h"

#include "app/framework/Document.h"
#include "app/framework/FrameWnd.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, std::function<CDocument*()> newDocument,
                                       std::function<CFrameWnd*()> newFrame, std::function<CView*()> newView)
    : m_resourceId(resourceId), m_newDocument(std::move(newDocument)), m_newFrame(std::move(newFrame)),
      m_newView(std::move(newView))
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    if (m_frame && m_frame->m_hWnd)
    {
        m_frame->m_autoDelete = false;
        m_frame->m_docTemplate = nullptr;
        ::DestroyWindow(m_frame->m_hWnd);
        delete m_frame;
    }
    delete m_document;
}

std::wstring CSingleDocTemplate::GetDocString(DocStringIndex index) const
{
    std::wstring all = zv::LoadResString(m_resourceId);
    size_t start = 0;
    for (int i = 0; i < index; ++i)
    {
        size_t next = all.find(L'\n', start);
        if (next == std::wstring::npos)
            return {};
        start = next + 1;
    }
    size_t end = all.find(L'\n', start);
    return all.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring CSingleDocTemplate::FileFilter() const
{
    std::wstring name = GetDocString(filterName), extension = GetDocString(filterExt);
    std::wstring filter;
    if (!name.empty() && !extension.empty())
        filter = name + L"|*" + extension + L"|";
    return filter + L"All Files (*.*)|*.*||";
}

bool CSingleDocTemplate::CreateFrame()
{
    CFrameWnd* frame = m_newFrame();
    m_frame = frame;
    if (!frame)
        return false;
    frame->m_autoDelete = true;
    frame->m_docTemplate = this;
    CCreateContext context;
    context.document = m_document;
    context.docTemplate = this;
    context.newView = m_newView;
    if (!frame->LoadFrame(m_resourceId, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, &context))
    {
        // A window that was made and went has deleted its frame already (and
        // made this template forget it); only a frame without one is left.
        if (m_frame == frame && !frame->m_hWnd)
            delete frame;
        m_frame = nullptr;
        return false;
    }
    // The frame forgets itself here when its window goes.
    return true;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const wchar_t* path, bool makeVisible)
{
    bool created = false;
    if (!m_document)
    {
        m_document = m_newDocument();
        if (!m_document)
            return nullptr;
        m_document->m_pDocTemplate = this;
        if (!CreateFrame())
        {
            delete m_document;
            m_document = nullptr;
            return nullptr;
        }
        created = true;
        if (CWinApp* app = AfxGetApp())
            if (!app->m_pMainWnd)
                app->m_pMainWnd = m_frame;
        SetPromptOwner(m_frame->m_hWnd);
        SetStatusTextSink(m_frame);
    }
    bool ok = path ? m_document->OnOpenDocument(path) : m_document->OnNewDocument();
    if (!ok)
    {
        if (created)
        {
            ::DestroyWindow(m_frame->m_hWnd);
            m_frame = nullptr;
            delete m_document;
            m_document = nullptr;
        }
        return nullptr;
    }
    if (path)
        m_document->SetPathName(path, true);
    m_frame->InitialUpdateFrame(m_document, makeVisible && created);
    return m_document;
}
