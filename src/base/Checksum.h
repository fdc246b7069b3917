// FNV-1a, 64 bits: a checksum of bytes kept beside them in a file, so that a
// file changed or cut short is refused instead of believed. Fed in pieces.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zv
{
class Fnv1a
{
  public:
    void Add(const void* bytes, size_t size) noexcept
    {
        const auto* at = static_cast<const unsigned char*>(bytes);
        for (size_t i = 0; i < size; ++i)
            m_hash = (m_hash ^ at[i]) * 1099511628211ull;
    }
    std::uint64_t Value() const noexcept { return m_hash; }

  private:
    std::uint64_t m_hash = 14695981039346656037ull;
};

inline std::uint64_t Fnv1aOf(const void* bytes, size_t size) noexcept
{
    Fnv1a hash;
    hash.Add(bytes, size);
    return hash.Value();
}
} // namespace zv
