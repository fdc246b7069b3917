// Recent-string lists: normalising, ordering and persistence.
#include "app/RecentStrings.h"

#include "base/SettingsStore.h"
#include "base/Strings.h"

CRecentStrings::CRecentStrings(std::wstring_view name, bool caseSensitive, bool trim)
    : CaseSensitive(caseSensitive), TrimSpaces(trim),
      Section(zv::Format(L"Recent%s", std::wstring(name).c_str())), App(&Settings())
{
}

std::wstring CRecentStrings::Normalize(std::wstring_view text) const
{
    std::wstring result = TrimSpaces ? zv::TrimSpaces(text) : std::wstring(text);
    for (size_t i = TrailingChars.size(); i-- > 0;)
        while (!result.empty() && result.back() == TrailingChars[i])
            result.pop_back();
    for (size_t i = 0; i < ReplaceFrom.size() && i < ReplaceTo.size(); ++i)
        result = zv::ReplaceAll(result, ReplaceFrom[i], ReplaceTo[i]);
    return result;
}

void CRecentStrings::Load()
{
    m_entries.clear();
    for (int i = 0; i < kMaxEntries; ++i)
    {
        std::wstring entry = zv::Format(EntryFormat.c_str(), i);
        std::wstring text = App->GetProfileString(Section.c_str(), entry.c_str(), L"");
        if (!text.empty())
            m_entries.push_back(std::move(text));
    }
}

void CRecentStrings::Add(std::wstring_view text)
{
    std::wstring normalized = Normalize(text);
    if (normalized.empty())
        return;
    int length = GetSize();
    int i = 0;
    for (; i < length && i < kMaxEntries - 1; ++i)
    {
        std::wstring entry = Normalize(m_entries[static_cast<size_t>(i)]);
        bool equal = CaseSensitive ? entry == normalized : zv::EqualsNoCase(entry, normalized);
        if (equal)
            break;
    }
    if (i == length)
        m_entries.emplace_back();
    for (int k = i; k > 0; --k)
        m_entries[static_cast<size_t>(k)] = std::move(m_entries[static_cast<size_t>(k - 1)]);
    m_entries[0] = std::move(normalized);
}

void CRecentStrings::Save() const
{
    int written = 0;
    for (const std::wstring& text : m_entries)
    {
        if (text.empty() || written >= kMaxEntries)
            continue;
        std::wstring entry = zv::Format(EntryFormat.c_str(), written++);
        App->WriteProfileString(Section.c_str(), entry.c_str(), text);
    }
    for (int i = written; i < kMaxEntries; ++i)
    {
        std::wstring entry = zv::Format(EntryFormat.c_str(), i);
        App->DeleteProfileEntry(Section.c_str(), entry.c_str());
    }
}

CRecentLocations::CRecentLocations(std::wstring_view name) : CRecentStrings(name, false, true)
{
    TrailingChars = L"\\";
}
