// Typed locations, fuzzed: long ones, every mix of separators, control
// characters, surrogates and prefixes. Parsing asks the registry a number of
// times linear in the text, and parsing the parser's own output again gives
// the same path.
#include "registry/RegistryPath.h"

#include "base/Strings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>

namespace
{
const wchar_t* const kStarts[] = {L"",           L"zorvane:",
                                  L"reg:",       L"ZORVANE://",
                                  L"Computer\\", L"My Computer\\",
                                  L"Registry\\", L"HKEY_",
                                  L"  ",         L"\"",
                                  L"[",          L"[-",
                                  L"123 ",       L"\\\\",
                                  L"//",         L"Arbeitsplatz\\"};
const wchar_t* const kRoots[] = {L"HKLM",           L"hkcu",          L"HKU",           L"hkcr",
                                 L"HKCC",           L"LOCAL_MACHINE", L"users",         L"CURRENT_USER",
                                 L"current_config", L"classes_root",  L"Local Machine", L"USR:",
                                 L"HKCU:",          L"machine",       L"Software",      L"NoSuchRoot",
                                 L"HK%20LM"};
const wchar_t* const kNames[] = {L"Software",
                                 L"SOFTWARE",
                                 L"Microsoft",
                                 L"Wine",
                                 L"Classes",
                                 L".txt",
                                 L"CLSID",
                                 L"a/b",
                                 L"Control Panel",
                                 L"Environment",
                                 L"x y",
                                 L"%20",
                                 L"Volatile Environment"};

class Generator
{
  public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    std::wstring Location()
    {
        std::wstring text = Pick(kStarts);
        text += Case(Pick(kRoots));
        if (Chance(5))
            text += Noise(1 + Below(3));
        int parts = static_cast<int>(Below(6));
        for (int i = 0; i < parts; ++i)
        {
            text += Separators();
            text += Chance(2) ? Case(Pick(kNames)) : Noise(1 + Below(Chance(20) ? 600 : 12));
        }
        if (Chance(3))
            text += Separators();
        if (Chance(8))
            text += Chance(2) ? L"]" : L"\"";
        if (Chance(200))
            text += std::wstring(1000 + Below(20000), Chance(2) ? L'/' : L'\\'); // a long run
        if (Chance(300))
            for (int i = 0; i < 5000; ++i)
                text += L"a/"; // many single slashes
        return text;
    }

  private:
    template <size_t N> const wchar_t* Pick(const wchar_t* const (&table)[N]) { return table[Below(N)]; }
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    bool Chance(size_t oneIn) { return Below(oneIn) == 0; }
    std::wstring Case(const wchar_t* word)
    {
        std::wstring text(word);
        if (Chance(3))
            for (wchar_t& c : text)
                c = Chance(2) ? static_cast<wchar_t>(towupper(c)) : static_cast<wchar_t>(towlower(c));
        return text;
    }
    std::wstring Separators()
    {
        std::wstring run;
        size_t length = Chance(4) ? 2 + Below(4) : 1;
        for (size_t i = 0; i < length; ++i)
            run += Chance(2) ? L'\\' : L'/';
        return run;
    }
    // Letters, digits and punctuation, with control characters, NULs,
    // surrogates (paired or not) and non-Latin letters mixed in.
    std::wstring Noise(size_t length)
    {
        std::wstring text;
        for (size_t i = 0; i < length; ++i)
        {
            switch (Below(10))
            {
            case 0:
                text += static_cast<wchar_t>(Below(32)); // control, NUL included
                break;
            case 1:
                text += static_cast<wchar_t>(0xD800 + Below(0x800)); // a surrogate, often unpaired
                break;
            case 2:
                text += static_cast<wchar_t>(0x0400 + Below(0x100)); // Cyrillic
                break;
            case 3:
                text += L" %:\"[]{}-._\x7f"[Below(14)];
                break;
            default:
                text += static_cast<wchar_t>(L'a' + Below(26));
                break;
            }
        }
        return text;
    }

    std::mt19937 m_random;
};

// The registry calls one parse makes: what decides its speed here, where
// each call is a round trip to the registry server.
size_t ParseChecks(std::wstring_view text, std::wstring& path, bool& ok)
{
    size_t before = KeyExistsChecks();
    ok = ParseRegistryPath(text, path);
    return KeyExistsChecks() - before;
}
} // namespace

TEST(ParseRegistryPathFuzz, HundredThousandTypedLocationsParseInLinearWorkAndStableUnderReparsing)
{
    Generator generator(20261209);
    size_t parsed = 0;
    for (int i = 0; i < 100000; ++i)
    {
        std::wstring text = generator.Location();
        std::wstring path;
        bool ok = false;
        // The root word's two candidates, then at most one check of a parent
        // and two of a slash's sides per separator: linear in the text
        // whatever it holds (timing it would measure the machine's load).
        size_t separators = static_cast<size_t>(std::count_if(
            text.begin(), text.end(), [](wchar_t c) { return c == L'\\' || c == L'/' || c == L':'; }));
        size_t checks = ParseChecks(text, path, ok);
        ASSERT_LE(checks, 2 + 3 * separators) << zv::ToUtf8(text.substr(0, 200));
        ASSERT_EQ(ok, !path.empty());
        if (!ok)
            continue;
        ++parsed;
        for (wchar_t c : path)
            ASSERT_GE(c, 32) << "a control character reached the path: " << zv::ToUtf8(text);
        ASSERT_EQ(path.find(L"\\\\"), std::wstring::npos) << "an empty component: " << zv::ToUtf8(path);
        ASSERT_NE(path.back(), L'\\');
        std::wstring again;
        ASSERT_TRUE(ParseRegistryPath(path, again)) << zv::ToUtf8(path);
        ASSERT_EQ(again, path) << "from " << zv::ToUtf8(text);
    }
    EXPECT_GT(parsed, 50000u) << "the generator should mostly make locations";
}
