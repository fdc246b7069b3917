// A fresh key of a test's own under CURRENT_USER\Software\ZorvaneTests in the
// throwaway prefix, removed with everything below it when the test ends.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>
#include <vector>

class RegistrySandbox
{
  public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Registry path of the sandbox ("CURRENT_USER\Software\ZorvaneTests\...").
    const std::wstring& Path() const noexcept { return m_path; }
    // Registry path of a key below the sandbox.
    std::wstring PathOf(std::wstring_view sub) const;
    // Path below CURRENT_USER (for the raw registry functions).
    const std::wstring& SubKey() const noexcept { return m_subKey; }

    // Raw helpers that bypass the program's reader, for arranging and checking.
    void CreateKey(std::wstring_view sub) const;
    void SetValue(std::wstring_view sub, std::wstring_view name, DWORD type,
                  const std::vector<BYTE>& data) const;
    void SetString(std::wstring_view sub, std::wstring_view name, std::wstring_view text,
                   DWORD type = REG_SZ) const;
    void SetDword(std::wstring_view sub, std::wstring_view name, DWORD value) const;
    bool ReadValue(std::wstring_view sub, std::wstring_view name, DWORD& type, std::vector<BYTE>& data) const;
    bool Exists(std::wstring_view sub) const;
    std::vector<std::wstring> SubKeys(std::wstring_view sub) const;
    std::vector<std::wstring> ValueNames(std::wstring_view sub) const;
    // Locks sub against reading, READ_CONTROL included (its owner becomes
    // SYSTEM, since an owner keeps READ_CONTROL); the sandbox unlocks every
    // locked key before it goes.
    void DenyReading(std::wstring_view sub);
    void AllowReading(std::wstring_view sub) const;

  private:
    std::vector<std::wstring> m_locked;
    std::wstring Full(std::wstring_view sub) const;
    std::wstring m_subKey;
    std::wstring m_path;
};

std::vector<BYTE> Bytes(std::initializer_list<int> values);
std::vector<BYTE> StringBytes(std::wstring_view text, bool withNul = true);
