// Registry-backed settings profile.
#include "base/SettingsStore.h"

#include "base/Handles.h"
#include "base/ProgramInfo.h"

#include <vector>

CSettingsStore::CSettingsStore(std::wstring_view company, std::wstring_view application)
    : m_profileKey(L"Software\\" + std::wstring(company) + L"\\" + std::wstring(application))
{
}

std::wstring CSettingsStore::SectionKey(const wchar_t* section) const
{
    return m_profileKey + L"\\" + section;
}

UINT CSettingsStore::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const
{
    DWORD value = 0, size = sizeof(value), type = 0;
    LONG result =
        RegGetValueW(HKEY_CURRENT_USER, SectionKey(section).c_str(), entry, RRF_RT_ANY, &type, &value, &size);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return static_cast<UINT>(defaultValue);
    return value;
}

bool CSettingsStore::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const
{
    DWORD data = static_cast<DWORD>(value);
    return RegSetKeyValueW(HKEY_CURRENT_USER, SectionKey(section).c_str(), entry, REG_DWORD, &data,
                           sizeof(data)) == ERROR_SUCCESS;
}

std::wstring CSettingsStore::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                              const wchar_t* defaultValue) const
{
    zv::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return defaultValue ? defaultValue : L"";
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return defaultValue ? defaultValue : L"";
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS)
        return defaultValue ? defaultValue : L"";
    buffer.back() = L'\0';
    return std::wstring(buffer.data());
}

bool CSettingsStore::WriteProfileString(const wchar_t* section, const wchar_t* entry,
                                        std::wstring_view value) const
{
    std::wstring text(value);
    return RegSetKeyValueW(HKEY_CURRENT_USER, SectionKey(section).c_str(), entry, REG_SZ, text.c_str(),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool CSettingsStore::DeleteProfileEntry(const wchar_t* section, const wchar_t* entry) const
{
    zv::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, KEY_SET_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return false;
    return RegDeleteValueW(key.get(), entry) == ERROR_SUCCESS;
}

bool CSettingsStore::DeleteProfileSection(const wchar_t* section) const
{
    return RegDeleteTreeW(HKEY_CURRENT_USER, SectionKey(section).c_str()) == ERROR_SUCCESS;
}

namespace
{
CSettingsStore* g_store = nullptr;
}

CSettingsStore& Settings()
{
    static CSettingsStore programProfile(kCompanyName, kApplicationName);
    return g_store ? *g_store : programProfile;
}

void SetSettingsStore(CSettingsStore* store)
{
    g_store = store;
}
