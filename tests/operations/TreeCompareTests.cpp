// Compare and the script of differences: seeded trees with known changes
// must give exactly those rows, and the script must undo exactly them.
#include "base/Strings.h"
#include "operations/DifferenceScript.h"
#include "operations/ImportPlan.h"
#include "operations/KeyTreeSource.h"
#include "operations/RegScriptParser.h"
#include "registry/LiveRegistry.h"
#include "support/MemoryKeySource.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <set>

namespace
{
const std::wstring kTop = L"CURRENT_USER\\T";

class Collected final : public ICompareSink
{
  public:
    void Rows(std::vector<DiffRow>&& batch) override
    {
        for (DiffRow& row : batch)
            all.insert(Text(row));
    }
    static std::wstring Text(const DiffRow& row)
    {
        std::wstring kind = DiffKindText(row.kind);
        if (row.SpelledDifferently())
            kind += L"~" + row.rightName;
        return kind + (row.isKey ? L" key|" : L"|") + row.path + L"|" + row.name;
    }
    std::set<std::wstring> all;
};

class ToText final : public CExportOutput
{
  public:
    void Append(std::wstring_view text) override { all += text; }
    std::wstring all;
};

std::wstring Joined(const std::wstring& path, const std::wstring& name)
{
    return path.empty() ? name : path + L"\\" + name;
}

// Names that escape, fold or fill: quotes, backslashes, line breaks (values
// only: a script cannot hold them in key names), % and &, case twins, and
// the longest names the registry takes.
std::wstring AwkwardName(std::mt19937& random, bool keyName)
{
    static const wchar_t* const pool[] = {L"plain", L"with space", L"quote\"d",    L"per%cent&amp",
                                          L"Twin",  L"twiN",       L"uml\u00e4ut", L"tab\there"};
    unsigned pick = random() % 12;
    if (pick < std::size(pool))
        return pool[pick] + std::to_wstring(random() % 50);
    if (pick == 8)
        return std::wstring(keyName ? 255 : 16383, keyName ? L'k' : L'v')
                   .substr(0, keyName ? 255 : 16383 - 3) +
               (keyName ? L"" : std::to_wstring(random() % 100));
    if (!keyName && pick == 9)
        return L"line\r\nbreak" + std::to_wstring(random() % 50);
    if (!keyName && pick == 10)
        return L"back\\slash" + std::to_wstring(random() % 50);
    return L"n" + std::to_wstring(random() % 1000);
}

std::vector<BYTE> RandomData(std::mt19937& random, DWORD& type)
{
    static const DWORD types[] = {REG_SZ,    REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY,
                                  REG_DWORD, REG_QWORD,     REG_NONE,     0x12345};
    type = types[random() % std::size(types)];
    size_t size = type == REG_DWORD   ? 4
                  : type == REG_QWORD ? 8
                  : random() % 3 == 0 ? random() % 5
                                      : random() % 300;
    std::vector<BYTE> data(size);
    for (BYTE& b : data)
        b = static_cast<BYTE>(random());
    return data;
}

// A random tree below kTop; the keys made (relative paths), parents first.
std::vector<std::wstring> Grow(KeyTreeSource& tree, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::wstring> keys{L""};
    tree.MakeKey(kTop);
    for (size_t at = 0; at < keys.size() && keys.size() < 60; ++at)
    {
        std::wstring path = keys[at];
        size_t children = std::count(path.begin(), path.end(), L'\\') < 3 ? random() % 5 : 0;
        for (size_t i = 0; i < children; ++i)
        {
            std::wstring name = AwkwardName(random, true);
            KeyTreeSource::Node& parent = tree.MakeKey(Joined(kTop, path));
            if (parent.Find(name))
                continue;
            tree.MakeKey(Joined(Joined(kTop, path), name));
            keys.push_back(Joined(path, name));
        }
        size_t values = random() % 6;
        for (size_t i = 0; i < values; ++i)
        {
            DWORD type = 0;
            std::vector<BYTE> data = RandomData(random, type);
            std::wstring name = i == 0 && random() % 3 == 0 ? L"" : AwkwardName(random, false);
            tree.SetValue(Joined(kTop, path), name, type, std::move(data));
        }
    }
    return keys;
}

bool Related(const std::wstring& a, const std::wstring& b)
{
    auto under = [](const std::wstring& low, const std::wstring& high) {
        return high.empty() || zv::EqualsNoCase(low, high) ||
               (low.size() > high.size() && low[high.size()] == L'\\' &&
                zv::EqualsNoCase(std::wstring_view(low).substr(0, high.size()), high));
    };
    return under(a, b) || under(b, a);
}

// Applies random changes to right (a copy of left) and returns the rows a
// compare must give.
std::set<std::wstring> Mutate(KeyTreeSource& right, const std::vector<std::wstring>& keys, unsigned seed)
{
    std::mt19937 random(seed * 7919u + 1);
    std::set<std::wstring> expected;
    std::vector<std::wstring> touched;
    for (int attempt = 0; attempt < 40; ++attempt)
    {
        const std::wstring& key = keys[random() % keys.size()];
        if (std::any_of(touched.begin(), touched.end(),
                        [&](const std::wstring& t) { return Related(t, key); }))
            continue;
        KeyTreeSource::Node& node = right.MakeKey(Joined(kTop, key));
        size_t slash = key.rfind(L'\\');
        std::wstring parent = slash == std::wstring::npos ? L"" : key.substr(0, slash);
        std::wstring leaf = slash == std::wstring::npos ? key : key.substr(slash + 1);
        unsigned change = random() % 8;
        if (change == 0 && !key.empty())
        {
            right.DeleteKey(Joined(kTop, key));
            expected.insert(L"Key only left key|" + parent + L"|" + leaf);
        }
        else if (change == 1)
        {
            std::wstring name = L"added" + std::to_wstring(attempt);
            right.MakeKey(Joined(Joined(kTop, key), name + L"\\below"));
            right.SetValue(Joined(Joined(kTop, key), name), L"v", REG_SZ, StringBytes(L"new"));
            expected.insert(L"Key only right key|" + key + L"|" + name);
        }
        else if (change == 2 && !key.empty() && zv::ToUpper(leaf) != leaf)
        {
            node.name = zv::ToUpper(leaf); // a case-only rename
            expected.insert(L"Equal~" + node.name + L" key|" + parent + L"|" + leaf);
        }
        else if (change == 3)
        {
            right.SetValue(Joined(kTop, key), L"fresh", REG_DWORD, {1, 2, 3, 4});
            expected.insert(L"Value only right|" + key + L"|fresh");
        }
        else if (!node.values.empty())
        {
            KeyTreeSource::Node::Value& value = node.values[random() % node.values.size()];
            if (change == 4)
            {
                expected.insert(L"Value only left|" + key + L"|" + value.name);
                right.DeleteValue(Joined(kTop, key), value.name);
            }
            else if (change == 5)
            {
                value.type = value.type == REG_BINARY ? REG_NONE : REG_BINARY;
                expected.insert(L"Type differs|" + key + L"|" + value.name);
            }
            else if (change == 6 && !value.data.empty())
            {
                // One byte of a long value, or a string's terminator gone.
                if (value.type == REG_SZ && value.data.size() >= 2)
                    value.data.resize(value.data.size() - 2);
                else
                    value.data[random() % value.data.size()] ^= 0x10;
                expected.insert(L"Data differs|" + key + L"|" + value.name);
            }
            else if (change == 7 && zv::ToUpper(value.name) != value.name)
            {
                std::wstring old = value.name;
                value.name = zv::ToUpper(old);
                expected.insert(L"Equal~" + value.name + L"|" + key + L"|" + old);
            }
            else
                continue;
        }
        else
            continue;
        touched.push_back(key);
    }
    return expected;
}
} // namespace

TEST(TreeCompare, SeededTreesGiveExactlyTheirChangesAndTheScriptUndoesThem)
{
    for (unsigned seed = 1; seed <= 150; ++seed)
    {
        KeyTreeSource left, right;
        std::vector<std::wstring> keys = Grow(left, seed);
        Grow(right, seed);
        std::set<std::wstring> expected = Mutate(right, keys, seed);

        Collected rows;
        CompareTotals totals = CompareTrees({left, kTop}, {right, kTop}, {}, {}, rows);
        std::set<std::wstring> differences;
        for (const std::wstring& row : rows.all)
            differences.insert(row);
        ASSERT_EQ(differences, expected) << "seed " << seed;
        EXPECT_EQ(totals.unreadable, 0u);

        // The script that makes left into right, applied to left.
        ToText script;
        WriteDifference({left, kTop}, {right, kTop}, {}, script);
        ASSERT_TRUE(script.Report.IsComplete()) << "seed " << seed;
        ScriptParseResult parsed = ParseRegScriptText(std::wstring(kRegFileHeader) + L"\r\n" + script.all);
        ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error) << " seed " << seed;
        for (const ScriptOperation& operation : parsed.operations)
            left.Apply(operation);
        Collected again;
        totals = CompareTrees({left, kTop}, {right, kTop}, {}, {}, again);
        EXPECT_TRUE(totals.Same()) << "seed " << seed << ": " << zv::ToUtf8(CompareEndReport(totals)) << "\n"
                                   << zv::ToUtf8(again.all.empty() ? L"" : *again.all.begin());
    }
}

TEST(TreeCompare, OptionsDecideWhatIsComparedAndShown)
{
    KeyTreeSource left, right;
    left.SetValue(kTop, L"same", REG_SZ, StringBytes(L"x"));
    right.SetValue(kTop, L"same", REG_SZ, StringBytes(L"x"));
    left.SetValue(kTop, L"changed", REG_SZ, StringBytes(L"old"));
    right.SetValue(kTop, L"changed", REG_SZ, StringBytes(L"new"));
    left.SetValue(kTop + L"\\Deep", L"d", REG_DWORD, {1, 0, 0, 0});
    right.SetValue(kTop + L"\\Deep", L"d", REG_DWORD, {2, 0, 0, 0});

    Collected all;
    CompareOptions options;
    options.equalToo = true;
    CompareTotals totals = CompareTrees({left, kTop}, {right, kTop}, options, {}, all);
    EXPECT_EQ(all.all, (std::set<std::wstring>{L"Equal key||Deep", L"Data differs||changed",
                                               L"Data differs|Deep|d", L"Equal||same"}));
    EXPECT_EQ(totals.counts[static_cast<int>(DiffKind::DataDiffers)], 2u);
    EXPECT_EQ(totals.leftKeys, 2u);

    Collected namesOnly;
    options = {};
    options.data = false;
    totals = CompareTrees({left, kTop}, {right, kTop}, options, {}, namesOnly);
    EXPECT_TRUE(namesOnly.all.empty());
    EXPECT_TRUE(totals.Same());

    Collected top;
    options = {};
    options.subKeys = false;
    CompareTrees({left, kTop}, {right, kTop}, options, {}, top);
    EXPECT_EQ(top.all, (std::set<std::wstring>{L"Data differs||changed"}));
    EXPECT_NE(CompareEndReport(totals).find(L"no differences"), std::wstring::npos);
}

TEST(TreeCompare, UnreadableKeysAreListedAndNeverShownAsMissing)
{
    MemoryKeySource left(L"L"), right(L"R");
    for (MemoryKeySource* side : {&left, &right})
    {
        side->At(L"Locked\\Inner").values.push_back({L"v", REG_SZ, StringBytes(L"1")});
        side->At(L"Broken\\A");
        side->At(L"Broken\\B");
        side->At(L"Cut").values.push_back({L"a", REG_SZ, StringBytes(L"1")});
        side->At(L"Cut").values.push_back({L"b", REG_SZ, StringBytes(L"2")});
    }
    right.BreakValuesAt(right.At(L"Cut"), 1);
    right.FailOpen(right.At(L"Locked"), ERROR_ACCESS_DENIED);
    left.BreakListingAt(left.At(L"Broken"), 1);
    Collected rows;
    CompareTotals totals = CompareTrees({left, L"L"}, {right, L"R"}, {}, {}, rows);
    EXPECT_TRUE(rows.all.empty()) << zv::ToUtf8(*rows.all.begin());
    EXPECT_EQ(totals.unreadable, 3u);
    EXPECT_FALSE(totals.Same());
    ASSERT_EQ(totals.unreadablePaths.size(), 3u);
    EXPECT_EQ(totals.unreadablePaths[0].rfind(L"left: Broken", 0), 0u);
    EXPECT_EQ(totals.unreadablePaths[1].rfind(L"right: Cut", 0), 0u);
    EXPECT_EQ(totals.unreadablePaths[2].rfind(L"right: Locked", 0), 0u);
    EXPECT_NE(CompareEndReport(totals).find(L"3 keys could not be read"), std::wstring::npos);
    EXPECT_EQ(left.OpenKeys() + right.OpenKeys(), 0);

    Collected none;
    totals = CompareTrees({left, L"L\\Missing"}, {right, L"R"}, {}, {}, none);
    EXPECT_TRUE(totals.startFailed);
    EXPECT_NE(CompareEndReport(totals).find(L"could not start"), std::wstring::npos);
}

TEST(TreeCompare, TheDifferenceOfTwoLiveKeysImportsIntoTheLeftAndMakesItTheRight)
{
    RegistrySandbox box;
    box.SetString(L"L", L"same", L"x");
    box.SetString(L"R", L"same", L"x");
    box.SetString(L"L", L"gone", L"1");
    box.SetValue(L"L", L"odd", REG_SZ, {'a', 0, 'b'});
    box.SetValue(L"R", L"odd", REG_SZ, {'a', 0, 'c'});
    box.SetString(L"L\\Old\\Deep", L"v", L"1");
    box.SetString(L"R\\New\\Deep", L"v", L"2");
    box.SetValue(L"R", L"Case", REG_DWORD, {1, 0, 0, 0});
    box.SetValue(L"L", L"CASE", REG_DWORD, {1, 0, 0, 0});
    CompareSide left{LiveRegistry(), box.PathOf(L"L")}, right{LiveRegistry(), box.PathOf(L"R")};
    std::wstring file = TempFilePath(L"difference.reg");
    CompareTotals totals;
    ExportReport report;
    ASSERT_TRUE(ExportDifference(left, right, file, {}, totals, report));
    EXPECT_EQ(totals.Differences(), 4u) << zv::ToUtf8(CompareEndReport(totals));
    EXPECT_EQ(totals.spelledDifferently, 1u);

    ScriptParseResult parsed = ParseRegScriptFile(file);
    ASSERT_TRUE(parsed.ok) << zv::ToUtf8(parsed.error);
    ImportPlan plan = PlanImport(std::move(parsed.operations));
    ImportOutcome outcome = ApplyImport(plan);
    EXPECT_TRUE(outcome.failures.empty());
    Collected after;
    totals = CompareTrees(left, right, {}, {}, after);
    EXPECT_TRUE(totals.Same()) << zv::ToUtf8(CompareEndReport(totals));
    EXPECT_EQ(box.ValueNames(L"L").size(), 3u);
    DeleteFileW(file.c_str());
}
