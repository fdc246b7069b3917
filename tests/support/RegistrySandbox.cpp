// Per-test registry sandbox.
#include "support/RegistrySandbox.h"

#include "base/Handles.h"
#include "base/Strings.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstring>

namespace
{
std::atomic<int> g_counter{0};
}

namespace
{
// Removes a tree without following the registry links inside it (the
// platform's tree delete follows them, and a link to an ancestor would
// never end); a link goes by itself.
void DeleteTreeKeepingLinks(HKEY parent, const std::wstring& sub)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, sub.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS)
        return;
    DWORD type = 0;
    bool link =
        RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
        type == REG_LINK;
    if (!link)
    {
        std::vector<std::wstring> children;
        wchar_t name[256];
        for (DWORD i = 0;; ++i)
        {
            DWORD length = 256;
            if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            children.emplace_back(name, length);
        }
        for (const std::wstring& child : children)
            DeleteTreeKeepingLinks(key, child);
    }
    RegDeleteKeyW(key, L"");
    RegCloseKey(key);
}
} // namespace

RegistrySandbox::RegistrySandbox()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name =
        info ? zv::FromUtf8(std::string(info->test_suite_name()) + "." + info->name()) : L"test";
    for (wchar_t& c : name)
        if (c == L'/' || c == L'\\')
            c = L'_';
    m_subKey =
        zv::Format(L"Software\\ZorvaneTests\\%s_%lu_%d", name.c_str(), GetCurrentProcessId(), g_counter++);
    DeleteTreeKeepingLinks(HKEY_CURRENT_USER, m_subKey);
    zv::unique_hkey key;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, m_subKey.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
    EXPECT_EQ(result, ERROR_SUCCESS);
    m_path = L"CURRENT_USER\\" + m_subKey;
}

RegistrySandbox::~RegistrySandbox()
{
    for (const std::wstring& sub : m_locked)
        AllowReading(sub);
    DeleteTreeKeepingLinks(HKEY_CURRENT_USER, m_subKey);
}

void RegistrySandbox::DenyReading(std::wstring_view sub)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, WRITE_DAC | WRITE_OWNER, &key) !=
        ERROR_SUCCESS)
        return;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    BYTE aclBuffer[256];
    PACL acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, READ_CONTROL | KEY_READ, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS & ~(READ_CONTROL | KEY_READ), everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID system = nullptr;
    AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
    SetSecurityDescriptorOwner(&sd, system, FALSE);
    if (RegSetKeySecurity(key, DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS)
        m_locked.emplace_back(sub);
    FreeSid(system);
    FreeSid(everyone);
    RegCloseKey(key);
}

void RegistrySandbox::AllowReading(std::wstring_view sub) const
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return;
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(key);
}

std::wstring RegistrySandbox::Full(std::wstring_view sub) const
{
    return sub.empty() ? m_subKey : m_subKey + L"\\" + std::wstring(sub);
}

std::wstring RegistrySandbox::PathOf(std::wstring_view sub) const
{
    return sub.empty() ? m_path : m_path + L"\\" + std::wstring(sub);
}

void RegistrySandbox::CreateKey(std::wstring_view sub) const
{
    zv::unique_hkey key;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr);
    ASSERT_EQ(result, ERROR_SUCCESS) << zv::ToUtf8(Full(sub));
}

void RegistrySandbox::SetValue(std::wstring_view sub, std::wstring_view name, DWORD type,
                               const std::vector<BYTE>& data) const
{
    zv::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    std::wstring valueName(name);
    // Non-zero bytes after the data, so the platform never mistakes string
    // data for one with a forgotten terminator.
    std::vector<BYTE> padded = data;
    padded.push_back(0xFF);
    padded.push_back(0xFF);
    ASSERT_EQ(RegSetValueExW(key.get(), valueName.c_str(), 0, type, data.empty() ? nullptr : padded.data(),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

void RegistrySandbox::SetString(std::wstring_view sub, std::wstring_view name, std::wstring_view text,
                                DWORD type) const
{
    SetValue(sub, name, type, StringBytes(text));
}

void RegistrySandbox::SetDword(std::wstring_view sub, std::wstring_view name, DWORD value) const
{
    std::vector<BYTE> data(4);
    std::memcpy(data.data(), &value, 4);
    SetValue(sub, name, REG_DWORD, data);
}

bool RegistrySandbox::ReadValue(std::wstring_view sub, std::wstring_view name, DWORD& type,
                                std::vector<BYTE>& data) const
{
    zv::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return false;
    std::wstring valueName(name);
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.assign(size, 0);
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(),
                         &size) != ERROR_SUCCESS)
        return false;
    data.resize(size);
    return true;
}

bool RegistrySandbox::Exists(std::wstring_view sub) const
{
    zv::unique_hkey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::vector<std::wstring> RegistrySandbox::SubKeys(std::wstring_view sub) const
{
    std::vector<std::wstring> names;
    zv::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return names;
    wchar_t name[260];
    for (DWORD i = 0;; ++i)
    {
        DWORD length = 260;
        if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::wstring> RegistrySandbox::ValueNames(std::wstring_view sub) const
{
    std::vector<std::wstring> names;
    zv::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Full(sub).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return names;
    std::vector<wchar_t> name(16384);
    for (DWORD i = 0;; ++i)
    {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

std::vector<BYTE> Bytes(std::initializer_list<int> values)
{
    std::vector<BYTE> bytes;
    for (int v : values)
        bytes.push_back(static_cast<BYTE>(v));
    return bytes;
}

std::vector<BYTE> StringBytes(std::wstring_view text, bool withNul)
{
    std::vector<BYTE> bytes((text.size() + (withNul ? 1 : 0)) * 2, 0);
    if (!text.empty())
        std::memcpy(bytes.data(), text.data(), text.size() * 2);
    return bytes;
}
