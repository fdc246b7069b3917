// Web search queries keep every character of a name.
#include "app/WebSearch.h"

#include <gtest/gtest.h>

TEST(WebSearch, SpacesAndDashesBecomeWordBreaks)
{
    EXPECT_EQ(WebSearchQuery(L"  two  spaces -dash\ttab "), L"two+spaces+dash+tab");
    EXPECT_EQ(WebSearchQuery(WebSearchItemText(L" LOCAL_MACHINE\\SOFTWARE ", L" Value ")),
              L"HKEY_LOCAL_MACHINE%5CSOFTWARE+Value");
    EXPECT_EQ(WebSearchItemText(L"CURRENT_USER", L""), L"HKEY_CURRENT_USER");
}

TEST(WebSearch, CharactersWithAMeaningInAQueryAreEncoded)
{
    EXPECT_EQ(WebSearchQuery(L"A&B#C%D+E=F?"), L"A%26B%23C%25D%2BE%3DF%3F");
    EXPECT_EQ(WebSearchQuery(L"C++ Runtime"), L"C%2B%2B+Runtime");
    EXPECT_EQ(WebSearchQuery(L"caf\u00e9"), L"caf%C3%A9");
    EXPECT_EQ(WebSearchQuery(L"a-b_c.d~e"), L"a-b_c.d~e");
}
