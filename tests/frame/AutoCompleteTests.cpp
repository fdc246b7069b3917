// The registry candidates the address bar offers.
#include "app/RegistryACList.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
struct Lists
{
    zv::com_ptr<CRegistryACList> plainList = zv::MakeCom<CRegistryACList>(L"");
    zv::com_ptr<CRegistryACList> hkeyList = zv::MakeCom<CRegistryACList>(L"HKEY_");
    CRegistryACList* plain = plainList.get();
    CRegistryACList* hkey = hkeyList.get();
};

std::vector<std::wstring> Candidates(CRegistryACList* list, const wchar_t* typed, HRESULT* last = nullptr)
{
    list->Reset();
    list->Expand(typed);
    std::vector<std::wstring> out;
    for (;;)
    {
        LPOLESTR text[3] = {};
        ULONG fetched = 0;
        HRESULT hr = list->Next(3, text, &fetched);
        for (ULONG i = 0; i < fetched; ++i)
        {
            out.emplace_back(text[i]);
            CoTaskMemFree(text[i]);
        }
        if (hr != S_OK)
        {
            if (last)
                *last = hr;
            return out;
        }
    }
}
} // namespace

TEST(RegistryAutoComplete, RootsAfterABackslashAndHkeyNamesForHk)
{
    Lists lists;
    EXPECT_EQ(Candidates(lists.plain, L"\\"),
              (std::vector<std::wstring>{L"\\CLASSES_ROOT", L"\\CURRENT_CONFIG", L"\\CURRENT_USER",
                                         L"\\LOCAL_MACHINE", L"\\USERS"}));
    EXPECT_EQ(Candidates(lists.hkey, L""),
              (std::vector<std::wstring>{L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_CONFIG", L"HKEY_CURRENT_USER",
                                         L"HKEY_LOCAL_MACHINE", L"HKEY_USERS"}));
    EXPECT_EQ(Candidates(lists.plain, L"").size(), 5u);
}

TEST(RegistryAutoComplete, SubKeysFollowAParsedPathAndNothingFollowsAName)
{
    RegistrySandbox box;
    box.CreateKey(L"One");
    box.CreateKey(L"Two");
    Lists lists;
    std::wstring typed = L"HKEY_" + box.Path() + L"\\";
    HRESULT last = S_OK;
    EXPECT_EQ(Candidates(lists.plain, typed.c_str(), &last),
              (std::vector<std::wstring>{typed + L"One", typed + L"Two"}));
    EXPECT_EQ(last, S_FALSE) << "asked for more than there were";
    EXPECT_TRUE(Candidates(lists.hkey, typed.c_str()).empty()) << "the HKEY_ list completes roots only";
    EXPECT_TRUE(Candidates(lists.plain, L"NoSuchRootWord\\").empty());
    EXPECT_TRUE(Candidates(lists.plain, L"/").empty());
}

TEST(RegistryAutoComplete, InterfacesCountReferencesAndCloneEnumeratesOnItsOwn)
{
    RegistrySandbox box;
    box.CreateKey(L"A");
    box.CreateKey(L"B");
    zv::com_ptr<CRegistryACList> owner = zv::MakeCom<CRegistryACList>(L"");
    CRegistryACList* list = owner.get();
    EXPECT_EQ(list->ReferenceCount(), 1) << "the creator's reference";
    IUnknown* unknown = nullptr;
    ASSERT_EQ(list->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    IACList* expand = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IACList, reinterpret_cast<void**>(&expand)), S_OK);
    void* none = nullptr;
    EXPECT_EQ(unknown->QueryInterface(IID_IDropTarget, &none), E_NOINTERFACE);
    EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    std::wstring typed = box.Path() + L"\\";
    expand->Expand(typed.c_str());
    LPOLESTR first = nullptr;
    ASSERT_EQ(list->Next(1, &first, nullptr), S_OK);
    EXPECT_EQ(std::wstring(first), typed + L"A");
    CoTaskMemFree(first);
    IEnumString* clone = nullptr;
    ASSERT_EQ(list->Clone(&clone), S_OK);
    LPOLESTR cloned = nullptr;
    ASSERT_EQ(clone->Next(1, &cloned, nullptr), S_OK);
    EXPECT_EQ(std::wstring(cloned), typed + L"A") << "the clone starts its own enumeration";
    CoTaskMemFree(cloned);
    EXPECT_EQ(list->Skip(5), S_FALSE);
    EXPECT_EQ(clone->Release(), 0u);
    expand->Release();
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(owner.detach()->Release(), 0u);
}
