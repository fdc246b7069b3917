// The source-independent half of a key source: the owner of an open key.
#include "registry/KeySource.h"

#include "base/Strings.h"

#include <utility>

SourceKey::SourceKey(SourceKey&& other) noexcept
    : m_source(std::exchange(other.m_source, nullptr)), m_key(std::exchange(other.m_key, 0))
{
}

SourceKey& SourceKey::operator=(SourceKey&& other) noexcept
{
    if (this != &other)
    {
        Reset();
        m_source = std::exchange(other.m_source, nullptr);
        m_key = std::exchange(other.m_key, 0);
    }
    return *this;
}

SourceKey::~SourceKey()
{
    Reset();
}

void SourceKey::Reset() noexcept
{
    if (m_source)
        m_source->Close(m_key);
    m_source = nullptr;
    m_key = 0;
}

LONG SourceKey::SubKeyAt(DWORD index, SubKeyEntry& entry) const
{
    return m_source ? m_source->SubKeyAt(m_key, index, entry) : ERROR_INVALID_HANDLE;
}

LONG SourceKey::ValueAt(DWORD index, ValueEntry& entry) const
{
    return m_source ? m_source->ValueAt(m_key, index, entry) : ERROR_INVALID_HANDLE;
}

LONG SourceKey::Value(const wchar_t* name, ValueEntry& entry) const
{
    return m_source ? m_source->Value(m_key, name ? name : L"", entry) : ERROR_INVALID_HANDLE;
}

LONG SourceKey::Info(KeyInfo& info) const
{
    return m_source ? m_source->Info(m_key, info) : ERROR_INVALID_HANDLE;
}

LONG SourceKey::Security(std::vector<BYTE>& descriptor) const
{
    return m_source ? m_source->Security(m_key, descriptor) : ERROR_INVALID_HANDLE;
}

bool SourceKey::ChildIsLink(const wchar_t* name) const
{
    return m_source && name && m_source->ChildIsLink(m_key, name);
}

SourceKey SourceKey::OpenSubKey(const wchar_t* name, KeyUse use, LONG& error) const
{
    if (!m_source)
    {
        error = ERROR_INVALID_HANDLE;
        return {};
    }
    // An empty name would open this key again and a backslash one further
    // down: a walk meeting either from a damaged source would never end.
    if (!name || !*name || wcschr(name, L'\\'))
    {
        error = ERROR_INVALID_NAME;
        return {};
    }
    std::uintptr_t key = 0;
    error = m_source->OpenChild(m_key, name, use, key);
    return error == ERROR_SUCCESS ? SourceKey(m_source, key) : SourceKey();
}

SourceKey KeySource::Open(std::wstring_view path, KeyUse use, LONG& error, LinkRule rule) const
{
    std::uintptr_t key = 0;
    error = OpenPath(path, use, rule, key);
    return error == ERROR_SUCCESS ? SourceKey(this, key) : SourceKey();
}

bool IsLinkValue(const wchar_t* name, DWORD type) noexcept
{
    return type == REG_LINK && name && zv::EqualsNoCase(name, L"SymbolicLinkValue");
}
