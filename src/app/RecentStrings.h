// Most-recently-used lists of texts (at most 32, newest first) persisted in a
// settings section "Recent<name>", and the variant for registry locations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CSettingsStore;

class CRecentStrings
{
  public:
    static constexpr int kMaxEntries = 32;

    CRecentStrings(std::wstring_view name, bool caseSensitive, bool trim);
    virtual ~CRecentStrings() = default;

    void Load();
    void Add(std::wstring_view text);
    void Save() const;
    std::wstring Normalize(std::wstring_view text) const;

    int GetSize() const noexcept { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const noexcept { return m_entries.empty(); }
    const std::wstring& operator[](int i) const { return m_entries[static_cast<size_t>(i)]; }
    std::wstring& operator[](int i) { return m_entries[static_cast<size_t>(i)]; }
    const std::vector<std::wstring>& Entries() const noexcept { return m_entries; }
    std::vector<std::wstring>& Entries() noexcept { return m_entries; }
    void RemoveAt(int i) { m_entries.erase(m_entries.begin() + i); }

    bool CaseSensitive;
    bool TrimSpaces;
    std::vector<std::wstring> ReplaceFrom, ReplaceTo;
    std::wstring TrailingChars;
    std::wstring EntryFormat = L"%d";
    std::wstring Section;
    CSettingsStore* App;

  private:
    std::vector<std::wstring> m_entries;
};

// Case-insensitive, trimmed, without trailing backslashes.
class CRecentLocations : public CRecentStrings
{
  public:
    explicit CRecentLocations(std::wstring_view name);
};
