// Entry of every test program: a settings profile of the process's own in the
// throwaway prefix, and a strict scripted user so no real box ever shows.
#include "base/SettingsStore.h"
#include "base/Strings.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <memory>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    std::wstring app = zv::Format(L"Profile_%lu", GetCurrentProcessId());
    auto store = std::make_unique<CSettingsStore>(L"ZorvaneTests\\Settings", app);
    RegDeleteTreeW(HKEY_CURRENT_USER, store->ProfileKey().c_str());
    SetSettingsStore(store.get());
    int result;
    {
        ScriptedPrompts guard;
        result = RUN_ALL_TESTS();
    }
    SetSettingsStore(nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, store->ProfileKey().c_str());
    OleUninitialize();
    return result;
}
