// Trees of many keys.
#include "support/SubKeyTrees.h"

#include "base/Handles.h"
#include "base/Strings.h"

#include <gtest/gtest.h>

void CreateChildKeys(HKEY parent, const wchar_t* prefix, int count)
{
    for (int i = 0; i < count; ++i)
    {
        zv::unique_hkey key;
        std::wstring name = zv::Format(L"%s%05d", prefix, i);
        ASSERT_EQ(RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_READ, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
}

void MakeCountTree(const RegistrySandbox& box)
{
    zv::unique_hkey root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, box.SubKey().c_str(), 0, KEY_ALL_ACCESS, root.put()),
              ERROR_SUCCESS);
    CreateChildKeys(root.get(), L"leaf", 4320);
    zv::unique_hkey big;
    ASSERT_EQ(
        RegCreateKeyExW(root.get(), L"m_Big", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, big.put(), nullptr),
        ERROR_SUCCESS);
    CreateChildKeys(big.get(), L"in", 5679);
}
