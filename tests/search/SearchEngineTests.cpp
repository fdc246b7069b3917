// The search walk against the test prefix's registry: what matches (case,
// hex bytes, each type box gating its own type, empty text), the order and
// locations of rows, counts, the row limit, keys that cannot be opened, and
// links that are not followed.
#include "base/Strings.h"
#include "search/SearchEngine.h"
#include "support/RegistrySandbox.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace
{
struct Collect : ISearchSink
{
    std::vector<FoundRow> rows;
    int batches = 0;
    void Rows(std::vector<FoundRow>&& batch) override
    {
        ++batches;
        for (FoundRow& row : batch)
            rows.push_back(std::move(row));
    }
    void Progress(const std::wstring&) override {}
    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        for (const FoundRow& row : rows)
            names.push_back((row.isKey ? L"K:" : L"V:") + row.name);
        return names;
    }
};

SearchSettings Settings(const std::wstring& root, const std::wstring& pattern, bool ignoreCase = true)
{
    SearchSettings settings;
    settings.root = root;
    settings.pattern = pattern;
    settings.ignoreCase = ignoreCase;
    settings.Prepare();
    return settings;
}

std::vector<BYTE> Wide(const std::wstring& text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}
} // namespace

TEST(SearchMatching, CaseHexBytesAndEachTypeBoxGatesOnlyItsType)
{
    SearchSettings any = Settings(L"", L"abc");
    EXPECT_TRUE(TextMatches(any, L"xxABCxx"));
    EXPECT_TRUE(TextMatches(any, L"abc"));
    SearchSettings exact = Settings(L"", L"abc", false);
    EXPECT_FALSE(TextMatches(exact, L"ABC"));
    EXPECT_TRUE(TextMatches(Settings(L"", L""), L"anything"));

    const BYTE bytes[] = {0x01, 0x0a, 0x0b, 0xff};
    SearchSettings binary = Settings(L"", L"0a 0b", false);
    binary.valueNames = false;
    binary.binary = true;
    EXPECT_TRUE(ValueMatches(binary, L"n", REG_BINARY, bytes, sizeof bytes));
    binary.pattern = L"0A";
    EXPECT_FALSE(ValueMatches(binary, L"n", REG_BINARY, bytes, sizeof bytes)) << "binary text is lower case";
    binary.pattern = L"0a0b";
    EXPECT_FALSE(ValueMatches(binary, L"n", REG_BINARY, bytes, sizeof bytes));
    SearchSettings upper = Settings(L"", L"0A 0B", true);
    upper.valueNames = false;
    upper.binary = true;
    EXPECT_TRUE(ValueMatches(upper, L"n", REG_BINARY, bytes, sizeof bytes));
    binary.binary = false;
    binary.pattern = L"0a";
    EXPECT_FALSE(ValueMatches(binary, L"n", REG_BINARY, bytes, sizeof bytes)) << "the binary box is clear";

    // Strings up to the first NUL; lists joined by CR LF, never across two strings.
    SearchSettings strings = Settings(L"", L"hidden");
    strings.valueNames = false;
    std::vector<BYTE> afterNul = Wide(std::wstring(L"shown\0hidden", 12));
    EXPECT_FALSE(ValueMatches(strings, L"n", REG_SZ, afterNul.data(), static_cast<DWORD>(afterNul.size())));
    std::vector<BYTE> list = Wide(std::wstring(L"one\0two\0", 8));
    SearchSettings multi = Settings(L"", L"onetwo");
    multi.valueNames = false;
    multi.multiStrings = true;
    EXPECT_FALSE(ValueMatches(multi, L"n", REG_MULTI_SZ, list.data(), static_cast<DWORD>(list.size())));
    multi.pattern = L"TWO";
    EXPECT_TRUE(ValueMatches(multi, L"n", REG_MULTI_SZ, list.data(), static_cast<DWORD>(list.size())));
    multi.multiStrings = false;
    EXPECT_FALSE(ValueMatches(multi, L"n", REG_MULTI_SZ, list.data(), static_cast<DWORD>(list.size())));
    std::vector<BYTE> expand = Wide(L"%PATH%\\two");
    EXPECT_FALSE(ValueMatches(multi, L"n", REG_DWORD, expand.data(), static_cast<DWORD>(expand.size())));
    EXPECT_TRUE(ValueMatches(multi, L"n", REG_EXPAND_SZ, expand.data(), static_cast<DWORD>(expand.size())));
}

TEST(SearchWalk, RowsComeInWalkOrderWithTheirLocationsAndTheStartKeyIsNeverListed)
{
    RegistrySandbox box;
    box.CreateKey(L"Abc\\Inner abc");
    box.SetString(L"Abc", L"ABC value", L"x");
    box.SetString(L"Abc\\Inner abc", L"a plain", L"data with abc");
    box.SetDword(L"Abc\\Inner abc", L"b abc number", 5);
    box.SetString(L"Abc\\Inner abc", L"other", L"nothing");
    box.CreateKey(L"Abcd");
    Collect sink;
    SearchTotals totals = RunSearch(Settings(box.PathOf(L"Abc") + L"\\\\", L"abc"), {}, sink);
    EXPECT_EQ(sink.Names(),
              (std::vector<std::wstring>{L"V:ABC value", L"V:a plain", L"V:b abc number", L"K:Inner abc"}));
    ASSERT_EQ(sink.rows.size(), 4u);
    EXPECT_EQ(sink.rows[0].location, box.PathOf(L"Abc"));
    EXPECT_EQ(sink.rows[1].location, box.PathOf(L"Abc\\Inner abc"));
    EXPECT_EQ(sink.rows[3].location, box.PathOf(L"Abc"));
    EXPECT_EQ(totals.keysSearched, 2u);
    EXPECT_EQ(totals.matches, 4u);
    EXPECT_FALSE(totals.cancelled);
    EXPECT_EQ(SearchEndReport(totals).rfind(L"Found 4 matches in ", 0), 0u);
    EXPECT_NE(SearchEndReport(totals).find(L" ms. Searched 2 keys."), std::wstring::npos);

    // No box set: every key visited and counted, nothing found.
    SearchSettings none = Settings(box.Path(), L"");
    none.keyNames = none.valueNames = none.strings = false;
    Collect nothing;
    totals = RunSearch(none, {}, nothing);
    EXPECT_TRUE(nothing.rows.empty());
    EXPECT_EQ(totals.keysSearched, 4u);
}

TEST(SearchWalk, LockedKeysAreCountedAndLinksAreNotFollowed)
{
    RegistrySandbox box;
    box.SetString(L"Open", L"needle", L"1");
    box.SetString(L"Locked\\Below", L"needle", L"2");
    box.DenyReading(L"Locked");
    std::wstring sid = CurrentUserSid();
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Link").c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr),
              0);
    std::wstring target = L"\\Registry\\User\\" + sid + L"\\" + box.SubKey() + L"\\Open";
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);

    Collect sink;
    SearchTotals totals = RunSearch(Settings(box.Path(), L"needle"), {}, sink);
    box.AllowReading(L"Locked");
    EXPECT_EQ(sink.Names(), (std::vector<std::wstring>{L"V:needle"})) << "the link's target shows once";
    EXPECT_EQ(totals.unopened, 1u);
    EXPECT_NE(SearchEndReport(totals).find(L"1 key could not be opened and was not searched."),
              std::wstring::npos)
        << zv::ToUtf8(SearchEndReport(totals));
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Link").c_str(), REG_OPTION_OPEN_LINK, DELETE,
                      &opened) == ERROR_SUCCESS)
    {
        RegDeleteKeyW(opened, L"");
        RegCloseKey(opened);
    }
}

TEST(SearchWalk, RowsStopAtTheLimitWhileTheCountGoesOn)
{
    RegistrySandbox box;
    box.CreateKey(L"Many");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Many").c_str(), 0, KEY_SET_VALUE, &key),
              0);
    for (DWORD i = 0; i < kMaxSearchRows + 7; ++i)
    {
        wchar_t name[16];
        swprintf(name, 16, L"v%05lu", static_cast<unsigned long>(i));
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i);
    }
    RegCloseKey(key);
    Collect sink;
    SearchTotals totals = RunSearch(Settings(box.PathOf(L"Many"), L""), {}, sink);
    EXPECT_EQ(sink.rows.size(), static_cast<size_t>(kMaxSearchRows));
    EXPECT_EQ(totals.matches, kMaxSearchRows + 7);
    EXPECT_GT(sink.batches, 10) << "rows leave in batches";
    std::wstring report = SearchEndReport(totals);
    EXPECT_EQ(report.rfind(L"Found 65507 matches. Displaying maximum supported number of matches (65500). "
                           L"Searched 1 key in ",
                           0),
              0u)
        << zv::ToUtf8(report);
}

TEST(SearchWalk, AStopRequestEndsTheWalkAtItsNextCheck)
{
    RegistrySandbox box;
    for (int i = 0; i < 2500; ++i)
        box.CreateKey(L"K" + std::to_wstring(i));
    // The walk runs on a worker whose stop is requested at once.
    SearchTotals totals;
    Collect sink;
    zv::WorkerThread run = zv::StartWorkerThread([&](const zv::StopToken& stop) -> unsigned {
        while (!stop.StopRequested())
            Sleep(1);
        totals = RunSearch(Settings(box.Path(), L"K"), stop, sink);
        return 0;
    });
    run.Stop();
    EXPECT_TRUE(totals.cancelled);
    EXPECT_EQ(totals.keysSearched, 1u) << "the first key is a check point";
}

namespace
{
// Runs a search on a worker and waits for it to end; a walk that never ends
// fails the test instead of hanging the run.
struct GuardedRun
{
    SearchTotals totals;
    bool ended = false;
    template <class Body> void Run(Body body)
    {
        std::atomic<bool> ready{false};
        zv::WorkerThread run;
        run = zv::StartWorkerThread([&](const zv::StopToken& stop) -> unsigned {
            while (!ready.load())
                Sleep(1);
            totals = body(stop, run);
            return 0;
        });
        ready = true;
        ended = WaitForSingleObject(run.Handle(), 120000) == WAIT_OBJECT_0;
        if (!ended)
            TerminateThread(run.Handle(), 1); // the walk loops: nothing else ends it
    }
};
} // namespace

TEST(SearchWalk, AKeyDeletedUnderTheWalkEndsItsListingAndIsReported)
{
    RegistrySandbox box;
    box.SetString(L"Gone", L"needle one", L"1");
    box.SetString(L"Gone", L"needle two", L"2");
    box.CreateKey(L"Gone\\Inner");
    // The first progress report comes with the start key open and unread:
    // another program deletes the key then.
    struct DeletingSink : Collect
    {
        std::wstring subKey;
        void Progress(const std::wstring&) override
        {
            if (!subKey.empty())
                RegDeleteTreeW(HKEY_CURRENT_USER, subKey.c_str());
            subKey.clear();
        }
    } sink;
    sink.subKey = box.SubKey() + L"\\Gone";
    GuardedRun guarded;
    guarded.Run([&](const zv::StopToken& stop, zv::WorkerThread&) {
        return RunSearch(Settings(box.PathOf(L"Gone"), L"needle"), stop, sink);
    });
    ASSERT_TRUE(guarded.ended) << "the walk kept asking a deleted key for its values";
    EXPECT_FALSE(guarded.totals.cancelled);
    EXPECT_EQ(guarded.totals.incomplete, 1u) << "one key, counted once for both of its listings";
    EXPECT_TRUE(sink.rows.empty());
    std::wstring report = SearchEndReport(guarded.totals);
    EXPECT_NE(report.find(L"1 key could not be read to the end"), std::wstring::npos) << zv::ToUtf8(report);
}

TEST(SearchWalk, ACancelInsideAKeyOfManyValuesEndsTheWalkThere)
{
    RegistrySandbox box;
    box.CreateKey(L"Wide");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Wide").c_str(), 0, KEY_SET_VALUE, &key),
              0);
    constexpr DWORD kValues = 100000;
    for (DWORD i = 0; i < kValues; ++i)
    {
        wchar_t name[16];
        swprintf(name, 16, L"v%06lu", static_cast<unsigned long>(i));
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i);
    }
    RegCloseKey(key);
    // The user cancels when the first rows arrive, in the middle of the key.
    struct CancellingSink : Collect
    {
        zv::WorkerThread* run = nullptr;
        void Rows(std::vector<FoundRow>&& batch) override
        {
            Collect::Rows(std::move(batch));
            if (run)
                run->RequestStop();
        }
    } sink;
    GuardedRun guarded;
    guarded.Run([&](const zv::StopToken& stop, zv::WorkerThread& run) {
        sink.run = &run;
        return RunSearch(Settings(box.PathOf(L"Wide"), L"v"), stop, sink);
    });
    ASSERT_TRUE(guarded.ended);
    EXPECT_TRUE(guarded.totals.cancelled);
    EXPECT_LT(guarded.totals.matches, 1000u) << "the walk read on after the cancel";
    EXPECT_EQ(guarded.totals.matches, sink.rows.size()) << "every value found was handed on";
}

TEST(SearchReport, CountsTakeTheirNounInTheRightNumber)
{
    SearchTotals totals;
    totals.matches = 1;
    totals.keysSearched = 1;
    totals.elapsedMs = 5;
    EXPECT_EQ(SearchEndReport(totals), L"Found 1 match in 5 ms. Searched 1 key.");
    totals.matches = 2;
    totals.keysSearched = 3;
    totals.unopened = 2;
    totals.incomplete = 1;
    EXPECT_EQ(SearchEndReport(totals),
              L"Found 2 matches in 5 ms. Searched 3 keys. 2 keys could not be opened and "
              L"were not searched. 1 key could not be read to the end (changed or "
              L"deleted meanwhile).");
    totals.matches = 0;
    EXPECT_EQ(SearchEndReport(totals).rfind(L"Found 0 matches in 5 ms.", 0), 0u);
}

TEST(SearchWalk, EveryTestedTypeIsLookedAtInTheWalkAndListsJoinWithCrLf)
{
    RegistrySandbox box;
    box.SetString(L"K", L"plain", L"find me", REG_SZ);
    box.SetString(L"K", L"expand", L"%TEMP%\\find me", REG_EXPAND_SZ);
    box.SetValue(L"K", L"list", REG_MULTI_SZ, StringBytes(std::wstring(L"one\0two\0", 8)));
    box.SetDword(L"K", L"number", 7);
    SearchSettings settings = Settings(box.PathOf(L"K"), L"find me");
    settings.valueNames = false;
    settings.keyNames = false;
    Collect sink;
    RunSearch(settings, {}, sink);
    std::vector<std::wstring> found = sink.Names();
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{L"V:expand", L"V:plain"}));

    // A list's strings are one text joined by CR LF: a pattern across the
    // join finds it only with that separator.
    settings.multiStrings = true;
    settings.pattern = L"ONE\r\nTWO";
    Collect joined;
    RunSearch(settings, {}, joined);
    EXPECT_EQ(joined.Names(), (std::vector<std::wstring>{L"V:list"}));
    settings.pattern = L"ONE\nTWO";
    Collect feed;
    RunSearch(settings, {}, feed);
    EXPECT_TRUE(feed.rows.empty());
}
