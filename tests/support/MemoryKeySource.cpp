#include "support/MemoryKeySource.h"

LONG MemoryKeySource::Opened(LONG result, std::uintptr_t key) const
{
    if (result != ERROR_SUCCESS)
        return result;
    auto failure = m_openErrors.find(reinterpret_cast<const Node*>(key));
    if (failure != m_openErrors.end())
        return failure->second;
    ++m_open;
    return ERROR_SUCCESS;
}

LONG MemoryKeySource::OpenPath(std::wstring_view path, KeyUse use, LinkRule rule, std::uintptr_t& key) const
{
    LONG result = KeyTreeSource::OpenPath(path, use, rule, key);
    return Opened(result, key);
}

LONG MemoryKeySource::OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse use,
                                std::uintptr_t& key) const
{
    LONG result = KeyTreeSource::OpenChild(parent, name, use, key);
    return Opened(result, key);
}

void MemoryKeySource::Close(std::uintptr_t) const noexcept
{
    --m_open;
}

LONG MemoryKeySource::SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const
{
    auto broken = m_breaks.find(reinterpret_cast<const Node*>(key));
    if (broken != m_breaks.end() && index >= broken->second)
        return ERROR_KEY_DELETED;
    return KeyTreeSource::SubKeyAt(key, index, entry);
}

LONG MemoryKeySource::ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const
{
    auto broken = m_valueBreaks.find(reinterpret_cast<const Node*>(key));
    if (broken != m_valueBreaks.end() && index >= broken->second)
        return ERROR_KEY_DELETED;
    return KeyTreeSource::ValueAt(key, index, entry);
}
