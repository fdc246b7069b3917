// CSearchPaneView: the search pane, the value list class with a Location
// column, its own settings section and its three command rows. It runs a
// search on a worker it owns; each run has its own settings, counters and
// stop flag, and its rows arrive whole through the pane's inbox.
#pragma once

#include "base/UiInbox.h"
#include "base/WorkerThread.h"
#include "search/SearchEngine.h"
#include "values/NavroView.h"

#include <functional>

class CSearchPaneView : public CNavroView
{
  public:
    CSearchPaneView();
    ~CSearchPaneView() override;
    void ActivateSelectedItem() override;
    std::wstring GetItemParentPath(int row) const override;
    bool IsPasteTarget(int row) const override;
    // Results are not a key: nothing is pasted into the pane itself.
    bool PasteItemList(CRegItemList&, bool, int) override { return false; }
    void OnUpdate(CView* sender, LPARAM hint, const CUpdateHint* hintObject) override;

    // --- Searching (SearchPaneRun.cpp) ---
    // Runs the Find dialog (text and root filled in when given) and, on OK,
    // a search; a search already running is left alone.
    void StartSearch(const std::wstring* text = nullptr, const std::wstring* root = nullptr);
    // Starts a search with settings (the dialog's outcome) unless one runs.
    bool StartSearchWith(SearchSettings settings);
    // Lists the class registrations whose server file is missing, unless a
    // search or scan runs.
    bool StartClsidScan();
    // Asks the running search to stop; its rows stay.
    void CancelSearch();
    // Whether a search's thread has not ended yet.
    bool IsSearching() const noexcept { return m_run.IsRunning(); }
    // The last run's totals once it ended (tests and the end report).
    const SearchTotals& LastTotals() const noexcept { return m_totals; }
    // How many runs ended (tests wait for the next one).
    unsigned FinishedRuns() const noexcept { return m_finishedRuns; }
    // Results a worker handed over that the window has not taken yet.
    size_t WaitingResults() const { return m_searchInbox.Pending(); }

    bool OnControlCreated() override;
    // Drops rows whose key or value is gone and updates the others, for rows
    // at or under the path (all when empty); nothing above kRefreshRowLimit rows.
    void RefreshRows(const std::wstring& under);
    static constexpr DWORD kRefreshRowLimit = 10000;

    BEGIN_MSG_MAP(CSearchPaneView)
        MESSAGE_HANDLER(kSearchInboxMessage, OnSearchInbox)
        MESSAGE_HANDLER(WM_TIMER, OnSearchTimer)
        MSG_WM_DESTROY(OnSearchPaneDestroy)
        CHAIN_MSG_MAP(CNavroView)
    END_MSG_MAP()

  private:
    // Apart from the value list's own messages (WM_APP + 0x51 and + 0x52),
    // which this pane's map would otherwise take first.
    static constexpr UINT kSearchInboxMessage = WM_APP + 0x58;
    static constexpr UINT_PTR kDrainTimer = 0x5EA2;
    LRESULT OnSearchInbox(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSearchTimer(UINT, WPARAM id, LPARAM, bool& handled);
    void DrainSearchInbox();
    void OnSearchPaneDestroy();
    using RunBody = std::function<SearchTotals(const zv::StopToken&, ISearchSink&)>;
    // Clears the rows and starts body on the pane's worker (see StartSearchWith).
    bool StartRun(const wchar_t* logText, RunBody body);
    void AddFoundRows(std::vector<FoundRow>& found);
    void FinishRun(unsigned serial, const SearchTotals& totals);
    void AddCommandRows();

    zv::UiInbox m_searchInbox;
    zv::WorkerThread m_run;
    // Each run's number: what an older run still hands over is dropped.
    unsigned m_runSerial = 0;
    bool m_cancelled = false;
    SearchTotals m_totals;
    unsigned m_finishedRuns = 0;
};
