// The background sub-key count and its progress messages.
#include "registry/EzReg.h"
#include "support/MessageRecorder.h"
#include "support/RegistrySandbox.h"

#include "app/framework/Handles.h"
#include "app/framework/Strings.h"

#include <gtest/gtest.h>

namespace
{
constexpr UINT kCountMessage = 1046;

void CreateChildren(HKEY parent, const wchar_t* prefix, int count)
{
    for (int i = 0; i < count; ++i)
    {
        zv::unique_hkey key;
        std::wstring name = zv::Format(L"%s%05d", prefix, i);
        ASSERT_EQ(RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_READ, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
}
} // namespace

// 4320 leaves, then a key Big with 5679 children: 10,000 keys in all. The
// count passes 4321 on Big itself, whose sub-tree is counted before the next
// check point, so only 8642 (a leaf inside Big) is reported on the way.
TEST(SubKeyCount, ReportsAtCheckPointsThatAreMultiplesOf4321AndTheTotal)
{
    RegistrySandbox box;
    zv::unique_hkey root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, box.SubKey().c_str(), 0, KEY_ALL_ACCESS, root.put()), ERROR_SUCCESS);
    CreateChildren(root.get(), L"leaf", 4320);
    zv::unique_hkey big;
    ASSERT_EQ(RegCreateKeyExW(root.get(), L"m_Big", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, big.put(), nullptr),
              ERROR_SUCCESS);
    CreateChildren(big.get(), L"in", 5679);

    MessageRecorder recorder(kCountMessage, kCountMessage, {kCountMessage});
    ASSERT_TRUE(CEzReg::StartSubKeyCount(recorder.Window(), kCountMessage, box.Path()));
    ASSERT_TRUE(recorder.PumpUntil([&] {
        for (const RecordedMessage& m : recorder.Messages())
            if (m.lParam == 0)
                return true;
        return false;
    }, 60000));

    std::vector<RecordedMessage> messages = recorder.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].wParam, 8642u);
    EXPECT_EQ(messages[0].text, L"in04320"); // the sub-key just counted
    EXPECT_EQ(messages[1].wParam, 10000u);
    EXPECT_EQ(messages[1].lParam, 0);
}

TEST(SubKeyCount, VanishedWindowStopsTheCountQuietly)
{
    RegistrySandbox box;
    zv::unique_hkey root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, box.SubKey().c_str(), 0, KEY_ALL_ACCESS, root.put()), ERROR_SUCCESS);
    CreateChildren(root.get(), L"k", 30);
    HWND gone;
    {
        MessageRecorder recorder(kCountMessage, kCountMessage);
        gone = recorder.Window();
    }
    ASSERT_FALSE(IsWindow(gone));
    EXPECT_TRUE(CEzReg::StartSubKeyCount(gone, kCountMessage, box.Path()));
    DWORD count = 0;
    CEzReg reader(box.Path());
    EXPECT_EQ(reader.CountSubKeys(count, true), 30u);
}
