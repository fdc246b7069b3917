// CDocument: the data the views show. Views learn of changes only through
// UpdateAllViews, which calls every view's OnUpdate except the sender's,
// synchronously on the calling thread.
#pragma once

#include "app/framework/CmdTarget.h"
#include "app/framework/FrameworkIds.h"

#include <string>
#include <vector>

class CArchive;
class CView;
class CUpdateHint;
class CSingleDocTemplate;

class CDocument : public CCmdTarget
{
  public:
    CDocument() = default;
    ~CDocument() override;

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& Views() const noexcept { return m_views; }
    void UpdateAllViews(CView* sender, LPARAM hint = 0, const CUpdateHint* hintObject = nullptr);

    virtual bool OnNewDocument() { return true; }
    virtual bool OnOpenDocument(const std::wstring& path);
    virtual bool OnSaveDocument(const std::wstring& path);
    virtual void Serialize(CArchive&) {}

    const std::wstring& GetPathName() const noexcept { return m_pathName; }
    // The document's file; addToRecent also enters it in the recent-file list.
    virtual void SetPathName(const std::wstring& path, bool addToRecent = true);
    const std::wstring& GetTitle() const noexcept { return m_title; }
    virtual void SetTitle(const std::wstring& title) { m_title = title; }
    // Save As: proposes the document's file name, writes the chosen file.
    bool DoSaveAs();

    CSingleDocTemplate* m_pDocTemplate = nullptr;

    BEGIN_COMMAND_MAP(CDocument)
        ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
    END_COMMAND_MAP()

  protected:
    void OnFileSaveAs() { DoSaveAs(); }

  private:
    std::vector<CView*> m_views;
    std::wstring m_pathName;
    std::wstring m_title;
};
