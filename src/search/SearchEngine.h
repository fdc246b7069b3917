// The registry search: a depth-first walk below a start key that tests key
// names, value names and value data against a text, on a worker thread.
// Each run owns its settings, its counters and its stop flag; rows leave it
// whole, in batches, through a sink the caller provides. Window-free.
#pragma once

#include "base/WorkerThread.h"
#include "registry/KeySource.h"

#include <windows.h>
#include <string>
#include <vector>

// At most this many rows per search; matches beyond are counted only.
constexpr DWORD kMaxSearchRows = 65500;

struct SearchSettings
{
    std::wstring root;    // start key path; empty: LOCAL_MACHINE, then USERS
    std::wstring pattern; // upper case when ignoreCase (see Prepare)
    bool ignoreCase = true;
    bool keyNames = true;
    bool valueNames = true;
    bool strings = true;
    bool multiStrings = false;
    bool binary = false;

    bool LooksAtValues() const noexcept { return valueNames || strings || multiStrings || binary; }
    // The form a run needs: leading blanks and trailing backslashes off the
    // root, the pattern in upper case when case is ignored.
    void Prepare();
};

// One result: a value (its key's path as location) or a key (its parent's).
struct FoundRow
{
    bool isKey = false;
    std::wstring name;
    std::wstring location;
    DWORD type = 0;
    std::vector<BYTE> data;
    std::wstring keyData; // a key row's Data cell
};

struct SearchTotals
{
    DWORD keysSearched = 0;
    DWORD matches = 0;
    DWORD unopened = 0;   // keys that could not be opened (counted, skipped)
    DWORD incomplete = 0; // keys whose listing failed part way (deleted meanwhile)
    bool cancelled = false;
    DWORD elapsedMs = 0;
};

class ISearchSink
{
  public:
    virtual ~ISearchSink() = default;
    // A batch of rows, in the order found.
    virtual void Rows(std::vector<FoundRow>&& rows) = 0;
    // The key being searched, now and then.
    virtual void Progress(const std::wstring& path) = 0;
    // Whether the sink wants every key searched (asked once, at the start).
    virtual bool WantsEveryKey() const { return false; }
    // Each key as its search begins, when WantsEveryKey said so.
    virtual void Searching(const std::wstring& path) { (void)path; }
};

// Runs the search on the calling thread until done or stop is requested:
// in the live registry, or in another source of keys.
SearchTotals RunSearch(const SearchSettings& settings, const zv::StopToken& stop, ISearchSink& sink);
SearchTotals RunSearch(const KeySource& source, const SearchSettings& settings, const zv::StopToken& stop,
                       ISearchSink& sink);

// Whether a value matches (the first test that applies makes the match).
bool ValueMatches(const SearchSettings& settings, const wchar_t* name, DWORD type, const BYTE* data,
                  DWORD size);
// Whether text contains the prepared pattern under the settings' case rule.
bool TextMatches(const SearchSettings& settings, std::wstring_view text);

// The status text at the end of a search.
std::wstring SearchEndReport(const SearchTotals& totals);
