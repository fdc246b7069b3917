// The search pane's searches: the Find dialog's outcome becomes a run on a
// worker the pane owns. The worker reads the registry on its own copy of the
// settings and hands whole rows back through the pane's inbox; the window
// thread adds them in one step, so no sort, refresh or delete in between can
// split a row. A run's late hand-overs after a newer run started are dropped.
#include "search/SearchPaneView.h"

#include "app/FrameServices.h"
#include "app/NavroDoc.h"
#include "base/Log.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "registry/ValueText.h"
#include "search/FindDlg.h"
#include "search/InvalidClassScan.h"
#include "values/DataLinks.h"

#include "resource.h"

#include <memory>

namespace
{
// Hands a run's rows and progress to the pane's inbox.
class InboxSink : public ISearchSink
{
  public:
    InboxSink(zv::UiInbox& inbox, std::function<void(std::vector<FoundRow>&)> add, IFrameServices* frame)
        : m_inbox(inbox), m_add(std::move(add)), m_frame(frame)
    {
    }
    void Rows(std::vector<FoundRow>&& rows) override
    {
        auto batch = std::make_shared<std::vector<FoundRow>>(std::move(rows));
        m_inbox.Post([add = m_add, batch] { add(*batch); });
    }
    void Progress(const std::wstring& path) override
    {
        if (IFrameServices* frame = m_frame)
            m_inbox.Post([frame, path] { frame->SetStatusText(path); });
    }
    // A logged search writes the path of each key it searches.
    bool WantsEveryKey() const override { return IsLogging(); }
    void Searching(const std::wstring& path) override { Log(L"%s", path.c_str()); }

  private:
    zv::UiInbox& m_inbox;
    std::function<void(std::vector<FoundRow>&)> m_add;
    IFrameServices* m_frame;
};
} // namespace

void CSearchPaneView::StartSearch(const std::wstring* text, const std::wstring* root)
{
    CNavroDoc* doc = GetDocument();
    CFindDlg dialog(m_hWnd);
    dialog.SearchUnder = root ? *root : doc ? doc->GetCurrentPath() : std::wstring();
    if (doc)
        dialog.FindText = doc->GetSearchText();
    if (text)
        dialog.FindText = *text;
    if (dialog.DoModal() != IDOK)
        return;
    SearchSettings settings;
    settings.root = dialog.SearchUnder;
    settings.pattern = dialog.FindText;
    settings.ignoreCase = !dialog.MatchCase;
    settings.keyNames = dialog.LookAtKeys;
    settings.valueNames = dialog.LookAtValueNames;
    settings.strings = dialog.LookAtStrings;
    settings.multiStrings = dialog.LookAtMultiStrings;
    settings.binary = dialog.LookAtBinary;
    StartSearchWith(std::move(settings));
}

bool CSearchPaneView::StartSearchWith(SearchSettings settings)
{
    settings.Prepare();
    return StartRun(L"Searching...",
                    [settings = std::move(settings)](const zv::StopToken& stop, ISearchSink& sink) {
                        return RunSearch(settings, stop, sink);
                    });
}

bool CSearchPaneView::StartClsidScan()
{
    return StartRun(L"Find Invalid CLSIDs...", [](const zv::StopToken& stop, ISearchSink& sink) {
        return RunClassScan(UserAndMachineClasses(), stop, sink);
    });
}

bool CSearchPaneView::StartRun(const wchar_t* logText, RunBody body)
{
    if (IsSearching())
    {
        if (!m_cancelled)
            return false;
        // A cancelled run ends at its next check; wait for it, so that the
        // new run is the only one.
        m_run.Stop();
    }
    EndCellEdit();
    DeleteAllRows();
    m_cancelled = false;
    unsigned serial = ++m_runSerial;
    auto add = [this, serial](std::vector<FoundRow>& found) {
        if (serial == m_runSerial)
            AddFoundRows(found);
    };
    IFrameServices* frame = m_frame;
    zv::UiInbox* inbox = &m_searchInbox;
    m_run = zv::StartWorkerThread([body = std::move(body), logText, add, frame, inbox, serial,
                                   this](const zv::StopToken& stop) -> unsigned {
        InboxSink sink(*inbox, add, frame);
        if (IsLogging())
        {
            LogStart();
            Log(L"%s", logText);
        }
        SearchTotals totals = body(stop, sink);
        inbox->Post([this, serial, totals] { FinishRun(serial, totals); });
        return 0;
    });
    return true;
}

void CSearchPaneView::CancelSearch()
{
    if (!IsSearching())
        return;
    m_cancelled = true;
    m_run.RequestStop();
}

void CSearchPaneView::AddFoundRows(std::vector<FoundRow>& found)
{
    std::vector<ListRow> rows;
    rows.reserve(found.size());
    for (FoundRow& item : found)
    {
        ListRow row;
        row.name = std::move(item.name);
        row.location = std::move(item.location);
        if (item.isKey)
        {
            row.data = std::move(item.keyData);
            row.image = kIconKey;
            row.itemData = static_cast<LPARAM>(kKeyRow) << kRowKindShift;
            row.linkIcon = ListRow::kLinkUnknown;
        }
        else
        {
            row.type = item.type;
            row.hasType = true;
            row.data = ValueDataText(item.type, item.data.empty() ? nullptr : item.data.data(),
                                     static_cast<DWORD>(item.data.size()));
            row.image = TypeIcon(item.type);
            row.itemData = static_cast<LPARAM>(kValueRow) << kRowKindShift;
            bool linkable = item.type == REG_SZ || item.type == REG_EXPAND_SZ || item.type == REG_MULTI_SZ;
            row.linkIcon = linkable && !row.data.empty() ? ListRow::kLinkUnknown : -1;
        }
        rows.push_back(std::move(row));
    }
    AppendRows(std::move(rows));
}

void CSearchPaneView::FinishRun(unsigned serial, const SearchTotals& totals)
{
    if (serial != m_runSerial)
        return;
    m_totals = totals;
    ++m_finishedRuns;
    std::wstring text = totals.cancelled ? zv::LoadResString(IDS_SEARCH_ABORTED) : SearchEndReport(totals);
    if (m_frame)
        m_frame->SetStatusText(text);
    if (IsLogging())
        Log(L"%s", totals.cancelled ? L"Search aborted." : text.c_str());
    // The frame's idle pass updates Find and Cancel at once.
    if (HWND main = GetAncestor(m_hWnd, GA_ROOT))
        ::PostMessageW(main, WM_NULL, 0, 0);
}

LRESULT CSearchPaneView::OnSearchInbox(UINT, WPARAM, LPARAM, bool&)
{
    DrainSearchInbox();
    return 0;
}

void CSearchPaneView::DrainSearchInbox()
{
    // A slice at a time; the next slice comes from a timer, after the input
    // and painting that arrived meanwhile, however fast the worker finds rows.
    constexpr DWORD kSliceMs = 40;
    constexpr UINT kPauseMs = 10;
    m_searchInbox.Drain(kSliceMs, false);
    if (m_searchInbox.Pending())
        ::SetTimer(m_hWnd, kDrainTimer, kPauseMs, nullptr);
}

LRESULT CSearchPaneView::OnSearchTimer(UINT, WPARAM id, LPARAM, bool& handled)
{
    if (id != kDrainTimer)
    {
        handled = false;
        return 0;
    }
    ::KillTimer(m_hWnd, kDrainTimer);
    DrainSearchInbox();
    return 0;
}

void CSearchPaneView::OnSearchPaneDestroy()
{
    // The worker only posts to the inbox and never waits on this window:
    // stopping it here cannot deadlock, and what it still hands over is dropped.
    ::KillTimer(m_hWnd, kDrainTimer);
    m_searchInbox.Close();
    m_run.Stop();
    CNavroView::OnDestroy();
}
