// The depth-first sub-key count and its check points.
#include "operations/SubKeyCount.h"
#include "registry/LiveRegistry.h"
#include "support/RegistrySandbox.h"
#include "support/SubKeyTrees.h"

#include "base/Handles.h"

#include <gtest/gtest.h>

// 4320 leaves, then a key Big with 5679 children: 10,000 keys in all. The
// count passes 4321 on Big itself, whose sub-tree is counted before the next
// check point, so only 8642 (a leaf inside Big) is reported on the way.
TEST(SubKeyCount, ReportsAtCheckPointsThatAreMultiplesOf4321)
{
    RegistrySandbox box;
    MakeCountTree(box);

    std::vector<std::pair<DWORD, std::wstring>> reports;
    DWORD count = 0;
    CountKeysBelow(LiveRegistry(), box.Path(), count, [&](DWORD now, const wchar_t* name) {
        reports.emplace_back(now, name);
        return true;
    });
    EXPECT_EQ(count, 10000u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, 8642u);
    EXPECT_EQ(reports[0].second, L"in04320"); // the sub-key just counted
}

TEST(SubKeyCount, ProgressThatDeclinesEndsEachLevelAtItsNextCheckPoint)
{
    RegistrySandbox box;
    zv::unique_hkey root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, box.SubKey().c_str(), 0, KEY_ALL_ACCESS, root.put()),
              ERROR_SUCCESS);
    // A holds 4325 keys: the first check point falls inside A (A itself is key
    // 1), and declining it ends A's loop; the root's loop reaches its own check
    // point right after A, declines again, and never counts B.
    zv::unique_hkey a;
    ASSERT_EQ(RegCreateKeyExW(root.get(), L"A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, a.put(), nullptr),
              ERROR_SUCCESS);
    CreateChildKeys(a.get(), L"k", 4325);
    box.CreateKey(L"B");
    DWORD count = 0;
    std::vector<std::wstring> names;
    CountKeysBelow(LiveRegistry(), box.Path(), count, [&](DWORD, const wchar_t* name) {
        names.emplace_back(name);
        return false;
    });
    EXPECT_EQ(count, 4321u);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"k04319", L"A"}));
}
