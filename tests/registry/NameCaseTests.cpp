// Which two names are one: the program's case rule against the registry's
// own, asked by creating one name and then the other. A second rule (lower
// case here, upper case there) disagrees with the registry on some letters,
// and a key could then be taken for another.
#include "base/Handles.h"
#include "base/Strings.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

TEST(NameCase, TheProgramTakesTwoNamesForOneExactlyWhenTheRegistryDoes)
{
    RegistrySandbox box;
    struct Pair
    {
        const wchar_t* first;
        const wchar_t* second;
    } pairs[] = {
        {L"a", L"A"},           {L"\u00E9", L"\u00C9"}, {L"\u0101", L"\u0100"}, {L"\uFF41", L"\uFF21"},
        {L"\u212A", L"k"},      {L"\u212A", L"K"},      {L"\u017F", L"s"},      {L"\u017F", L"S"},
        {L"\u0131", L"i"},      {L"\u0130", L"i"},      {L"\u00DF", L"SS"},     {L"\u1E9E", L"\u00DF"},
        {L"\u03C2", L"\u03A3"}, {L"\u03C3", L"\u03A3"}, {L"\u2126", L"\u03C9"}, {L"\u2126", L"\u03A9"},
        {L"\u01C5", L"\u01C4"}, {L"\u01C6", L"\u01C5"}, {L"\u0399", L"\u1FBE"}, {L"\u00B5", L"\u039C"},
    };
    int index = 0;
    for (const Pair& pair : pairs)
    {
        const std::wstring parent = box.SubKey() + L"\\Case" + std::to_wstring(index++);
        zv::unique_hkey first, second;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (parent + L"\\" + pair.first).c_str(), 0, nullptr, 0,
                                  KEY_READ, nullptr, first.put(), nullptr),
                  ERROR_SUCCESS);
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (parent + L"\\" + pair.second).c_str(), 0, nullptr, 0,
                                  KEY_READ, nullptr, second.put(), &disposition),
                  ERROR_SUCCESS);
        const bool registrySaysOne = disposition == REG_OPENED_EXISTING_KEY;
        const std::string shown = zv::ToUtf8(pair.first) + " and " + zv::ToUtf8(pair.second);
        EXPECT_EQ(zv::EqualsNoCase(pair.first, pair.second), registrySaysOne) << shown;
        EXPECT_EQ(zv::ToUpper(pair.first) == zv::ToUpper(pair.second), registrySaysOne) << shown;
        EXPECT_EQ(zv::CompareNoCase(pair.first, pair.second) == 0, registrySaysOne) << shown;
        EXPECT_EQ(zv::StartsWithNoCase(std::wstring(pair.first) + L"x", pair.second), registrySaysOne)
            << shown;
    }
}
