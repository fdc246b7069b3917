// The key source: the live registry behind it, and the walks that read any
// source alike (search, export, counts), shown on a source held in memory.
#include "base/Strings.h"
#include "operations/KeyTransfer.h"
#include "operations/RegExport.h"
#include "operations/SubKeyCount.h"
#include "registry/EzReg.h"
#include "registry/LiveRegistry.h"
#include "search/SearchEngine.h"
#include "support/MemoryKeySource.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>
#include <algorithm>

namespace
{
// MEM holds a default value and A\B with a needle; Locked cannot be opened;
// Broken's listing breaks off after X; two names no key can have.
void MakeDamaged(MemoryKeySource& source)
{
    source.Root().values.push_back({L"", REG_SZ, StringBytes(L"top")});
    source.At(L"A").values.push_back({L"n", REG_DWORD, {1, 0, 0, 0}});
    source.At(L"A\\B").values.push_back({L"s", REG_SZ, StringBytes(L"has needle")});
    source.At(L"Locked").values.push_back({L"hidden", REG_SZ, StringBytes(L"needle")});
    source.FailOpen(source.At(L"Locked"), ERROR_ACCESS_DENIED);
    source.At(L"Broken\\X");
    source.At(L"Broken\\needle Y");
    source.BreakListingAt(source.At(L"Broken"), 1);
    source.At(L"Cut").values.push_back({L"first", REG_SZ, StringBytes(L"1")});
    source.At(L"Cut").values.push_back({L"second", REG_SZ, StringBytes(L"needle")});
    source.BreakValuesAt(source.At(L"Cut"), 1);
    source.Root().Make(L"");
    source.Root().Make(L"A\\B"); // would lead to A\B a second time
}

class ToText final : public CExportOutput
{
  public:
    void Append(std::wstring_view text) override { all += text; }
    std::wstring all;
};

class Collect final : public ISearchSink
{
  public:
    void Rows(std::vector<FoundRow>&& batch) override
    {
        for (FoundRow& row : batch)
            rows.push_back((row.isKey ? L"K:" : L"V:") + row.location + L"|" + row.name);
    }
    void Progress(const std::wstring&) override {}
    std::vector<std::wstring> rows;
};

// Registry requests a call makes.
template <typename F> unsigned long long RequestsOf(F&& call)
{
    unsigned long long before = LiveRegistryRequests();
    call();
    return LiveRegistryRequests() - before;
}
} // namespace

TEST(KeySourceWalks, SearchExportAndCountsReadAnySourceAndReportWhatTheyCouldNotRead)
{
    MemoryKeySource source(L"MEM");
    MakeDamaged(source);

    SearchSettings settings;
    settings.root = L"MEM";
    settings.pattern = L"needle";
    settings.Prepare();
    Collect sink;
    SearchTotals totals = RunSearch(source, settings, {}, sink);
    EXPECT_EQ(sink.rows, (std::vector<std::wstring>{L"V:MEM\\A\\B|s"}));
    EXPECT_EQ(totals.unopened, 3u) << "Locked and the two impossible names";
    EXPECT_EQ(totals.incomplete, 2u) << "Broken, and Cut's values";
    EXPECT_EQ(source.OpenKeys(), 0);

    ToText output;
    WriteTreeSection(source, L"MEM", output);
    EXPECT_NE(output.all.find(L"\r\n[HKEY_MEM]\r\n@=\"top\"\r\n\r\n[HKEY_MEM\\A]\r\n\"n\"=dword:00000001\r\n"
                              L"\r\n[HKEY_MEM\\A\\B]\r\n\"s\"=\"has needle\""),
              std::wstring::npos)
        << zv::ToUtf8(output.all);
    EXPECT_EQ(output.all.find(L"hidden"), std::wstring::npos);
    EXPECT_EQ(output.Report.keys, 6u); // MEM, A, B, Broken, X, Cut
    EXPECT_EQ(output.Report.values, 4u);
    EXPECT_EQ(output.Report.unreadable, 5u);
    EXPECT_NE(std::find(output.Report.examples.begin(), output.Report.examples.end(), L"MEM\\Cut"),
              output.Report.examples.end());
    EXPECT_NE(std::find(output.Report.examples.begin(), output.Report.examples.end(), L"MEM\\Broken"),
              output.Report.examples.end());
    EXPECT_EQ(source.OpenKeys(), 0);

    KeyTreeCount count = CountKeyTree(source, L"MEM");
    EXPECT_EQ(count.keys, 8u); // every name listed, "needle Y" after the break not
    EXPECT_EQ(count.values, 5u);
    DWORD below = 0;
    EXPECT_EQ(CountKeysBelow(source, L"MEM\\Broken", below, nullptr), 1u);

    EXPECT_TRUE(FindSubkeyInTree(source, L"MEM", L"X"));
    EXPECT_TRUE(FindSubkeyInTree(source, L"MEM", L"B"));
    EXPECT_FALSE(FindSubkeyInTree(source, L"MEM", L"Lock")) << "a whole name, not a prefix";
    EXPECT_FALSE(FindSubkeyInTree(source, L"MEM\\A", L"Broken")) << "only below the key asked";
    EXPECT_EQ(source.OpenKeys(), 0);
}

TEST(LiveKeySource, AWalkCostsTheRequestsOfARawWalkAndNoMore)
{
    RegistrySandbox box;
    box.SetString(L"K", L"one", L"1");
    box.SetString(L"K", L"two", L"2");
    box.SetDword(L"K", L"three", 3);
    box.CreateKey(L"K\\a");
    box.CreateKey(L"K\\b");
    ValueEntry value;
    SubKeyEntry child;
    // Open, four value steps (the last says "no more"), three sub-key steps, close.
    unsigned long long requests = RequestsOf([&] {
        LONG error = ERROR_SUCCESS;
        SourceKey key = LiveRegistry().Open(box.PathOf(L"K"), KeyUse::SubKeys | KeyUse::Values, error);
        ASSERT_TRUE(key);
        for (DWORD i = 0; key.ValueAt(i, value) == ERROR_SUCCESS; ++i)
            ;
        for (DWORD i = 0; key.SubKeyAt(i, child) == ERROR_SUCCESS; ++i)
            ;
    });
    EXPECT_EQ(requests, 9u);
    // A whole search of it: K and its two children, each opened, listed and closed.
    SearchSettings settings;
    settings.root = box.PathOf(L"K");
    settings.pattern = L"zz";
    settings.Prepare();
    Collect sink;
    requests = RequestsOf([&] { RunSearch(settings, {}, sink); });
    EXPECT_EQ(requests, 9u + 2 * 4u);
}

TEST(LiveKeySource, ValuesComeBackByteForByteWhateverTheirSize)
{
    RegistrySandbox box;
    std::vector<BYTE> large(100000);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<BYTE>(i * 7 + 3);
    box.SetValue(L"K", L"Large", REG_BINARY, large);
    box.SetValue(L"K", L"Odd", REG_SZ, {'a', 0, 'b'});
    box.SetValue(L"K", L"One", REG_SZ, {'z'});
    box.SetValue(L"K", L"Empty", REG_NONE, {});
    LONG error = ERROR_SUCCESS;
    SourceKey key = LiveRegistry().Open(box.PathOf(L"K"), KeyUse::Values, error);
    ASSERT_TRUE(key) << error;
    ValueEntry entry;
    DWORD index = 0;
    LONG result = ERROR_SUCCESS;
    for (; (result = key.ValueAt(index, entry)) == ERROR_SUCCESS; ++index)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        std::wstring name(entry.Name());
        ASSERT_TRUE(box.ReadValue(L"K", name, type, data)) << zv::ToUtf8(name);
        EXPECT_EQ(std::vector<BYTE>(entry.Bytes(), entry.Bytes() + entry.size), data) << zv::ToUtf8(name);
        EXPECT_EQ(entry.type, type);
    }
    EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(index, 4u) << "every value, the large one too";
    ASSERT_EQ(key.Value(L"large", entry), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<BYTE>(entry.Bytes(), entry.Bytes() + entry.size), large);
    EXPECT_EQ(entry.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(key.Value(L"Odd", entry), ERROR_SUCCESS);
    EXPECT_EQ(entry.size, 3u);
    EXPECT_EQ(key.Value(L"missing", entry), ERROR_FILE_NOT_FOUND);
}

TEST(LiveKeySource, LinksAreFollowedOnlyWhereTheUserNamedThem)
{
    RegistrySandbox box;
    box.SetString(L"T", L"t", L"target's");
    std::vector<BYTE> target = MakeLink(box, L"L", L"T");
    // An ordinary key holding a value that looks like a link's.
    box.SetValue(L"Fake", L"SymbolicLinkValue", REG_LINK, target);
    LONG error = ERROR_SUCCESS;
    ValueEntry entry;
    SourceKey through = LiveRegistry().Open(box.PathOf(L"L"), KeyUse::Values, error);
    ASSERT_TRUE(through);
    ASSERT_EQ(through.ValueAt(0, entry), ERROR_SUCCESS);
    EXPECT_EQ(entry.Name(), L"t");
    SourceKey itself = LiveRegistry().Open(box.PathOf(L"L"), KeyUse::Values, error, LinkRule::Itself);
    ASSERT_TRUE(itself);
    ASSERT_EQ(itself.ValueAt(0, entry), ERROR_SUCCESS);
    EXPECT_TRUE(IsLinkValue(entry.name.data(), entry.type));

    SourceKey parent = LiveRegistry().Open(box.Path(), KeyUse::SubKeys, error);
    SourceKey child = parent.OpenSubKey(L"L", KeyUse::Values, error);
    ASSERT_TRUE(child);
    ASSERT_EQ(child.ValueAt(0, entry), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<BYTE>(entry.Bytes(), entry.Bytes() + entry.size), target)
        << "inside a walk: itself";
    EXPECT_TRUE(parent.ChildIsLink(L"L"));
    EXPECT_FALSE(parent.ChildIsLink(L"Fake"));
    EXPECT_FALSE(parent.ChildIsLink(L"T"));
    child = SourceKey();
    through = SourceKey();
    itself = SourceKey();
    DeleteLink(box, L"L");
}

TEST(LiveKeySource, LongPathsOpenAndNamesThatWouldLoopAreRefused)
{
    RegistrySandbox box;
    std::wstring sub;
    for (int level = 0; level < 12; ++level)
        sub += (level ? L"\\" : L"") + std::wstring(30, static_cast<wchar_t>(L'a' + level));
    box.SetString(sub, L"deep", L"here");
    LONG error = ERROR_SUCCESS;
    SourceKey deep = LiveRegistry().Open(box.PathOf(sub), KeyUse::Values, error);
    ASSERT_TRUE(deep) << error;
    ValueEntry entry;
    EXPECT_EQ(deep.Value(L"deep", entry), ERROR_SUCCESS);

    box.CreateKey(L"a\\b");
    SourceKey parent = LiveRegistry().Open(box.Path(), KeyUse::SubKeys, error);
    ASSERT_TRUE(parent);
    EXPECT_FALSE(parent.OpenSubKey(L"", KeyUse::SubKeys, error));
    EXPECT_EQ(error, ERROR_INVALID_NAME);
    EXPECT_FALSE(parent.OpenSubKey(L"a\\b", KeyUse::SubKeys, error));
    EXPECT_EQ(error, ERROR_INVALID_NAME);
    EXPECT_TRUE(parent.OpenSubKey(L"a", KeyUse::SubKeys, error));
    EXPECT_FALSE(LiveRegistry().Open(box.PathOf(L"missing"), KeyUse::SubKeys, error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(LiveRegistry().Open(L"NO_ROOT\\x", KeyUse::SubKeys, error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

TEST(LiveKeySource, AnExportNamesALinkInACommentAndNeverFollowsIt)
{
    RegistrySandbox box;
    box.SetString(L"T", L"t", L"x");
    MakeLink(box, L"L", L"T");
    CEzReg reader(box.Path());
    std::wstring text;
    KeySectionText(reader, text);
    DeleteLink(box, L"L");
    std::wstring section = L"[HKEY_" + box.PathOf(L"L") + L"]\r\n; a link to \\Registry\\User\\";
    EXPECT_NE(text.find(section), std::wstring::npos) << zv::ToUtf8(text);
    EXPECT_NE(text.find(L"\\T (not followed)\r\n"), std::wstring::npos) << zv::ToUtf8(text);
    size_t first = text.find(L"\"t\"=\"x\"");
    ASSERT_NE(first, std::wstring::npos);
    EXPECT_EQ(text.find(L"\"t\"=\"x\"", first + 1), std::wstring::npos) << "the target's values once";
}
