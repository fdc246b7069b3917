// A key tree in memory whose keys can be made to fail as a damaged or locked
// source would: refusing to open, a listing that breaks off. It counts the
// keys open, so tests see every open closed again.
#pragma once

#include "operations/KeyTreeSource.h"

#include <map>
#include <string>

class MemoryKeySource final : public KeyTreeSource
{
  public:
    // The top key's name, the first name of every path of this source.
    explicit MemoryKeySource(std::wstring rootName) : m_rootName(std::move(rootName)) { MakeKey(m_rootName); }
    Node& Root() { return MakeKey(m_rootName); }
    // The key at a path below the root ("A\B"), made as needed.
    Node& At(const std::wstring& path) { return MakeKey(m_rootName + L"\\" + path); }
    // Opening the key answers error.
    void FailOpen(const Node& key, LONG error) { m_openErrors[&key] = error; }
    // Listing the key's sub-keys answers ERROR_KEY_DELETED from index on.
    void BreakListingAt(const Node& key, DWORD index) { m_breaks[&key] = index; }
    // Listing the key's values answers ERROR_KEY_DELETED from index on.
    void BreakValuesAt(const Node& key, DWORD index) { m_valueBreaks[&key] = index; }
    int OpenKeys() const noexcept { return m_open; }

  protected:
    LONG OpenPath(std::wstring_view path, KeyUse use, LinkRule rule, std::uintptr_t& key) const override;
    LONG OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse use,
                   std::uintptr_t& key) const override;
    void Close(std::uintptr_t key) const noexcept override;
    LONG SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const override;
    LONG ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const override;

  private:
    LONG Opened(LONG result, std::uintptr_t key) const;

    std::wstring m_rootName;
    std::map<const Node*, LONG> m_openErrors;
    std::map<const Node*, DWORD> m_breaks;
    std::map<const Node*, DWORD> m_valueBreaks;
    mutable int m_open = 0;
};
