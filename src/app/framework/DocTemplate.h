// The single-document template: one document class, one frame class and one
// view class, named by a resource id whose string holds the document names,
// the file filter and the extension.
#pragma once

#include "app/framework/CmdTarget.h"

#include <functional>
#include <string>

class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate : public CCmdTarget
{
  public:
    enum DocStringIndex
    {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };

    CSingleDocTemplate(UINT resourceId, std::function<CDocument*()> newDocument,
                       std::function<CFrameWnd*()> newFrame, std::function<CView*()> newView);
    ~CSingleDocTemplate() override;
    // The frame's window is gone; the frame is no longer this template's.
    void FrameGone(CFrameWnd* frame) noexcept
    {
        if (m_frame == frame)
            m_frame = nullptr;
    }

    // Null path: a new document. Creates document and frame the first time.
    CDocument* OpenDocumentFile(const wchar_t* path, bool makeVisible = true);
    std::wstring GetDocString(DocStringIndex index) const;
    // "<filter name>|*<ext>|All Files (*.*)|*.*||"
    std::wstring FileFilter() const;
    CDocument* Document() const noexcept { return m_document; }
    CFrameWnd* Frame() const noexcept { return m_frame; }
    UINT ResourceId() const noexcept { return m_resourceId; }

  private:
    bool CreateFrame();
    UINT m_resourceId;
    std::function<CDocument*()> m_newDocument;
    std::function<CFrameWnd*()> m_newFrame;
    std::function<CView*()> m_newView;
    CDocument* m_document = nullptr;
    CFrameWnd* m_frame = nullptr;
};
