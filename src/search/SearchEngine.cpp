// The registry search walk and its matching rules.
#include "search/SearchEngine.h"

#include "base/Strings.h"
#include "registry/LiveRegistry.h"

#include <algorithm>

namespace
{
// Rows leave the walk in batches of this many, or after this long.
constexpr size_t kBatchRows = 256;
constexpr DWORD kBatchMs = 100;
// The cancel check and the progress text come every this many keys.
constexpr DWORD kCheckEvery = 1000;

// Case-folded copy of text into scratch (for ignoring case), or text itself.
std::wstring_view Candidate(const SearchSettings& settings, std::wstring_view text, std::wstring& scratch)
{
    if (!settings.ignoreCase || text.empty())
        return text;
    scratch.assign(text);
    CharUpperBuffW(scratch.data(), static_cast<DWORD>(scratch.size()));
    return scratch;
}

bool Contains(const SearchSettings& settings, std::wstring_view text, std::wstring& scratch)
{
    if (settings.pattern.empty())
        return true;
    return Candidate(settings, text, scratch).find(settings.pattern) != std::wstring_view::npos;
}

// The data text the tests look at: a string up to its first NUL; the strings
// of a list joined by CR LF; bytes as lower-case hex pairs with one blank.
void DataTextForMatch(DWORD type, const BYTE* data, DWORD size, std::wstring& text)
{
    text.clear();
    const auto* units = reinterpret_cast<const wchar_t*>(data);
    size_t count = size / sizeof(wchar_t);
    if (type == REG_SZ || type == REG_EXPAND_SZ)
    {
        size_t end = 0;
        while (end < count && units[end])
            ++end;
        text.assign(units, end);
    }
    else if (type == REG_MULTI_SZ)
    {
        size_t at = 0;
        bool first = true;
        while (at < count && units[at])
        {
            size_t end = at;
            while (end < count && units[end])
                ++end;
            if (!first)
                text += L"\r\n";
            text.append(units + at, end - at);
            first = false;
            at = end + 1;
        }
    }
    else if (type == REG_BINARY)
    {
        static const wchar_t digits[] = L"0123456789abcdef";
        text.reserve(size * 3);
        for (DWORD i = 0; i < size; ++i)
        {
            if (i)
                text += L' ';
            text += digits[data[i] >> 4];
            text += digits[data[i] & 15];
        }
    }
}

class Walk
{
  public:
    Walk(const SearchSettings& settings, const zv::StopToken& stop, ISearchSink& sink)
        : m_settings(settings), m_stop(stop), m_sink(sink),
          m_use(settings.LooksAtValues() ? KeyUse::SubKeys | KeyUse::Values : KeyUse::SubKeys)
    {
        m_batchStart = GetTickCount();
        m_everyKey = sink.WantsEveryKey();
    }

    // Searches key (open) whose path is path; false when cancelled.
    bool Key(const SourceKey& key, std::wstring& path)
    {
        DWORD n = m_totals.keysSearched++;
        if (n % kCheckEvery == 0)
        {
            Flush();
            m_sink.Progress(path);
            Sleep(0); // other threads first, now and then
        }
        // The stop flag is a plain memory read: looked at before every
        // registry call, so a cancel is seen at once wherever the walk is.
        if (Stopped())
            return false;
        if (m_everyKey)
            m_sink.Searching(path);
        bool incomplete = false; // counted once however many listings failed
        if (m_settings.LooksAtValues() && !Values(key, path, incomplete))
            return false;
        for (DWORD index = 0;; ++index)
        {
            if (Stopped())
                return false;
            LONG result = key.SubKeyAt(index, m_child);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result == ERROR_MORE_DATA)
                continue; // this one name is unreadable; the next may not be
            if (result != ERROR_SUCCESS)
            {
                // A key deleted or made unreadable under the walk answers the
                // same at every index: its listing ends here, and the key
                // counts as one the search could not read completely.
                incomplete = true;
                break;
            }
            size_t parentLength = path.size();
            path += L'\\';
            path.append(m_child.Name());
            // Sub-keys open as themselves: a linked tree would show twice,
            // and a loop of links would never end.
            LONG error = ERROR_SUCCESS;
            if (SourceKey sub = key.OpenSubKey(m_child.name, m_use, error))
            {
                if (!Key(sub, path))
                    return false;
            }
            else
            {
                // Counted as searched, and as a key the search could not see.
                ++m_totals.keysSearched;
                ++m_totals.unopened;
            }
            // The child's own walk reused m_child: its name is read from the path.
            std::wstring_view child = std::wstring_view(path).substr(parentLength + 1);
            if (m_settings.keyNames && Contains(m_settings, child, m_scratch))
            {
                FoundRow row;
                row.isKey = true;
                row.name.assign(child);
                row.location.assign(path, 0, parentLength);
                Add(std::move(row));
            }
            path.resize(parentLength);
        }
        if (incomplete)
            ++m_totals.incomplete;
        return true;
    }

    void Flush()
    {
        if (!m_batch.empty())
            m_sink.Rows(std::move(m_batch));
        m_batch.clear();
        m_batchStart = GetTickCount();
    }

    SearchTotals m_totals;

  private:
    // Tests the values of key; false when cancelled. incomplete is set when
    // the listing failed before its end.
    bool Values(const SourceKey& key, const std::wstring& path, bool& incomplete)
    {
        for (DWORD index = 0;; ++index)
        {
            if (Stopped())
                return false;
            LONG result = key.ValueAt(index, m_value);
            if (result == ERROR_NO_MORE_ITEMS)
                return true;
            if (result == ERROR_MORE_DATA)
                continue; // a name past the registry's limit: this value only
            if (result != ERROR_SUCCESS)
            {
                // Deleted or closed under the walk: every later index answers
                // the same, so the listing ends here.
                incomplete = true;
                return true;
            }
            if (!ValueMatchesIn(m_value.name.data(), m_value.nameLength, m_value.type, m_value.Bytes(),
                                m_value.size))
                continue;
            FoundRow row;
            row.name.assign(m_value.Name());
            row.location = path;
            row.type = m_value.type;
            row.data.assign(m_value.Bytes(), m_value.Bytes() + m_value.size);
            Add(std::move(row));
        }
    }

    bool Stopped()
    {
        if (!m_stop.StopRequested())
            return false;
        m_totals.cancelled = true;
        return true;
    }

    bool ValueMatchesIn(const wchar_t* name, DWORD nameLength, DWORD type, const BYTE* data, DWORD size)
    {
        if (m_settings.valueNames && Contains(m_settings, std::wstring_view(name, nameLength), m_scratch))
            return true;
        bool tested = (m_settings.strings && (type == REG_SZ || type == REG_EXPAND_SZ)) ||
                      (m_settings.multiStrings && type == REG_MULTI_SZ) ||
                      (m_settings.binary && type == REG_BINARY);
        if (!tested)
            return false;
        DataTextForMatch(type, data, size, m_text);
        return Contains(m_settings, m_text, m_scratch);
    }

    void Add(FoundRow&& row)
    {
        if (++m_totals.matches > kMaxSearchRows)
            return;
        m_batch.push_back(std::move(row));
        if (m_batch.size() >= kBatchRows || GetTickCount() - m_batchStart >= kBatchMs)
            Flush();
    }

    const SearchSettings& m_settings;
    const zv::StopToken& m_stop;
    ISearchSink& m_sink;
    bool m_everyKey = false;
    KeyUse m_use;
    SubKeyEntry m_child;
    ValueEntry m_value;
    std::wstring m_text;
    std::wstring m_scratch;
    std::vector<FoundRow> m_batch;
    DWORD m_batchStart = 0;
};

} // namespace

void SearchSettings::Prepare()
{
    size_t start = root.find_first_not_of(L" \t");
    root = start == std::wstring::npos ? std::wstring() : root.substr(start);
    while (!root.empty() && root.back() == L'\\')
        root.pop_back();
    if (ignoreCase && !pattern.empty())
        CharUpperBuffW(pattern.data(), static_cast<DWORD>(pattern.size()));
}

bool TextMatches(const SearchSettings& settings, std::wstring_view text)
{
    std::wstring scratch;
    return Contains(settings, text, scratch);
}

bool ValueMatches(const SearchSettings& settings, const wchar_t* name, DWORD type, const BYTE* data,
                  DWORD size)
{
    std::wstring scratch;
    if (settings.valueNames && Contains(settings, name ? name : L"", scratch))
        return true;
    bool tested = (settings.strings && (type == REG_SZ || type == REG_EXPAND_SZ)) ||
                  (settings.multiStrings && type == REG_MULTI_SZ) || (settings.binary && type == REG_BINARY);
    if (!tested)
        return false;
    std::wstring text;
    DataTextForMatch(type, data, size, text);
    return Contains(settings, text, scratch);
}

SearchTotals RunSearch(const SearchSettings& settings, const zv::StopToken& stop, ISearchSink& sink)
{
    return RunSearch(LiveRegistry(), settings, stop, sink);
}

SearchTotals RunSearch(const KeySource& source, const SearchSettings& settings, const zv::StopToken& stop,
                       ISearchSink& sink)
{
    DWORD start = GetTickCount();
    Walk walk(settings, stop, sink);
    std::vector<std::wstring> roots;
    if (settings.root.empty())
        roots = {L"LOCAL_MACHINE", L"USERS"}; // the other roots are views into these
    else
        roots = {settings.root};
    KeyUse use = settings.LooksAtValues() ? KeyUse::SubKeys | KeyUse::Values : KeyUse::SubKeys;
    for (const std::wstring& root : roots)
    {
        LONG error = ERROR_SUCCESS;
        SourceKey key = source.Open(root, use, error);
        if (!key)
        {
            ++walk.m_totals.keysSearched;
            ++walk.m_totals.unopened;
            continue;
        }
        std::wstring path = root;
        if (!walk.Key(key, path))
            break;
    }
    walk.Flush();
    walk.m_totals.elapsedMs = GetTickCount() - start;
    return walk.m_totals;
}

std::wstring SearchEndReport(const SearchTotals& totals)
{
    std::wstring text;
    if (totals.matches < kMaxSearchRows + 1)
        text = totals.matches == 1
                   ? zv::Format(L"Found 1 match in %d ms. Searched %s.", static_cast<int>(totals.elapsedMs),
                                zv::Counted(totals.keysSearched, L"key", L"keys").c_str())
                   : zv::Format(L"Found %d matches in %d ms. Searched %s.", static_cast<int>(totals.matches),
                                static_cast<int>(totals.elapsedMs),
                                zv::Counted(totals.keysSearched, L"key", L"keys").c_str());
    else
        text = zv::Format(
            L"Found %d matches. Displaying maximum supported number of matches (%d). Searched %s "
            L"in %d ms.",
            static_cast<int>(totals.matches), static_cast<int>(kMaxSearchRows),
            zv::Counted(totals.keysSearched, L"key", L"keys").c_str(), static_cast<int>(totals.elapsedMs));
    // Keys the search could not see make the result incomplete: say so.
    if (totals.unopened)
        text += L" " + zv::Counted(totals.unopened, L"key", L"keys") +
                (totals.unopened == 1 ? L" could not be opened and was not searched."
                                      : L" could not be opened and were not searched.");
    if (totals.incomplete)
        text += L" " + zv::Counted(totals.incomplete, L"key", L"keys") +
                L" could not be read to the end (changed or deleted meanwhile).";
    return text;
}
