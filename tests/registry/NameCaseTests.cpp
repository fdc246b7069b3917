// Which two names are one: the program's case rule against the registry's
// own, asked by creating one name and then the other. A second rule (lower
// case here, upper case there) disagrees with the registry on some letters,
// and a key could then be taken for another.
#include "base/Handles.h"
#include "base/Strings.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

TEST(NameCase, TheProgramTakesTwoNamesForOneExactlyWhenTheRegistryDoes)
{
    RegistrySandbox box;
    struct Pair
    {
        const wchar_t* first;
        const wchar_t* second;
    } pairs[] = {
        {L"\u00E9", L"\u00C9"}, {L"\u0101", L"\u0100"}, {L"\uFF41", L"\uFF21"}, {L"\u212A", L"k"},
        {L"\u212A", L"K"},      {L"\u017F", L"s"},      {L"\u017F", L"S"},      {L"\u0131", L"i"},
        {L"\u0130", L"i"},      {L"\u00DF", L"SS"},     {L"\u1E9E", L"\u00DF"}, {L"\u03C2", L"\u03A3"},
        {L"\u03C3", L"\u03A3"}, {L"\u2126", L"\u03C9"}, {L"\u2126", L"\u03A9"}, {L"\u01C5", L"\u01C4"},
        {L"\u01C6", L"\u01C5"}, {L"\u0399", L"\u1FBE"}, {L"\u00B5", L"\u039C"},
    };
    std::vector<std::pair<std::wstring, std::wstring>> all;
    for (const Pair& pair : pairs)
        all.emplace_back(pair.first, pair.second);
    // Every plain letter with its other case, and the characters just outside
    // the letters with theirs 32 places away ("`" and "@", "{" and "[";
    // not "|", whose counterpart is the separator).
    for (wchar_t c = L'a'; c <= L'z'; ++c)
        all.emplace_back(std::wstring(1, c), std::wstring(1, static_cast<wchar_t>(c - 32)));
    for (wchar_t c : {L'`', L'{', L'}', L'~'})
        all.emplace_back(std::wstring(1, c), std::wstring(1, static_cast<wchar_t>(c - 32)));
    int index = 0;
    for (const auto& [first, second] : all)
    {
        const std::wstring parent = box.SubKey() + L"\\Case" + std::to_wstring(index++);
        zv::unique_hkey firstKey, secondKey;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (parent + L"\\" + first).c_str(), 0, nullptr, 0,
                                  KEY_READ, nullptr, firstKey.put(), nullptr),
                  ERROR_SUCCESS);
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (parent + L"\\" + second).c_str(), 0, nullptr, 0,
                                  KEY_READ, nullptr, secondKey.put(), &disposition),
                  ERROR_SUCCESS);
        const bool registrySaysOne = disposition == REG_OPENED_EXISTING_KEY;
        const std::string shown = zv::ToUtf8(first) + " and " + zv::ToUtf8(second);
        EXPECT_EQ(zv::EqualsNoCase(first, second), registrySaysOne) << shown;
        EXPECT_EQ(zv::ToUpper(first) == zv::ToUpper(second), registrySaysOne) << shown;
        EXPECT_EQ(zv::CompareNoCase(first, second) == 0, registrySaysOne) << shown;
        EXPECT_EQ(zv::StartsWithNoCase(first + L"x", second), registrySaysOne) << shown;
    }
}
