// The application's settings profile: integer and string entries in sections
// under CURRENT_USER\Software\<company>\<application>.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>

class CSettingsStore
{
  public:
    CSettingsStore(std::wstring_view company, std::wstring_view application);

    // Registry path of the profile below CURRENT_USER.
    const std::wstring& ProfileKey() const noexcept { return m_profileKey; }

    UINT GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const;
    bool WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const;
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry,
                                  const wchar_t* defaultValue = L"") const;
    bool WriteProfileString(const wchar_t* section, const wchar_t* entry, std::wstring_view value) const;
    bool DeleteProfileEntry(const wchar_t* section, const wchar_t* entry) const;
    bool DeleteProfileSection(const wchar_t* section) const;

  private:
    std::wstring SectionKey(const wchar_t* section) const;
    std::wstring m_profileKey;
};

// The process's settings store (set up by the application at start-up; until
// then the program's own profile).
CSettingsStore& Settings();
void SetSettingsStore(CSettingsStore* store);
