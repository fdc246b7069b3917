// The live registry behind the key-source interface: 64-bit view, links
// never followed inside a walk, each key opened with the rights its use needs.
#include "registry/LiveRegistry.h"

#include "base/Handles.h"
#include "registry/RootKeys.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace
{
constexpr REGSAM kView = KEY_WOW64_64KEY;

struct KeyShape
{
    DWORD subKeys = 0;
    DWORD values = 0;
    FILETIME written = {};
};

bool ShapeOf(HKEY parent, const wchar_t* sub, DWORD options, KeyShape& shape)
{
    zv::unique_hkey key;
    if (RegOpenKeyExW(parent, sub, options, KEY_QUERY_VALUE | kView, key.put()) != ERROR_SUCCESS)
        return false;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &shape.subKeys, nullptr, nullptr,
                            &shape.values, nullptr, nullptr, nullptr, &shape.written) == ERROR_SUCCESS;
}
} // namespace

bool IsLinkKey(HKEY parent, const wchar_t* sub)
{
    // Opened as itself and opened through: a link leads elsewhere (or
    // nowhere, when its target is missing); an ordinary key is itself both
    // times, with the same counts and the same last write.
    KeyShape itself, through;
    if (!ShapeOf(parent, sub, REG_OPTION_OPEN_LINK, itself))
        return false;
    if (!ShapeOf(parent, sub, 0, through))
        return true;
    return itself.subKeys != through.subKeys || itself.values != through.values ||
           CompareFileTime(&itself.written, &through.written) != 0;
}

namespace
{
std::atomic<unsigned long long> g_requests{0};

// Counts one registry request of the source (relaxed: a tally, not a fence).
LONG Counted(LONG result) noexcept
{
    g_requests.fetch_add(1, std::memory_order_relaxed);
    return result;
}

// Longer sub-key paths are opened a stretch at a time.
constexpr size_t kSegmentChars = 255;

REGSAM AccessFor(KeyUse use) noexcept
{
    REGSAM access = kView;
    if (Has(use, KeyUse::SubKeys))
        access |= KEY_ENUMERATE_SUB_KEYS;
    if (Has(use, KeyUse::Values) || Has(use, KeyUse::Info))
        access |= KEY_QUERY_VALUE;
    if (Has(use, KeyUse::Security))
        access |= READ_CONTROL;
    return access;
}

HKEY AsHandle(std::uintptr_t key) noexcept
{
    return reinterpret_cast<HKEY>(key);
}

// Opens sub below root; a path past the segment length opens in stretches
// that end at a backslash (the last with options).
LONG OpenSubPath(HKEY root, std::wstring_view sub, DWORD options, REGSAM access, HKEY& key)
{
    HKEY parent = root;
    zv::unique_hkey ownedParent;
    std::wstring segment;
    for (size_t start = 0;;)
    {
        size_t end = sub.size();
        if (end - start > kSegmentChars)
        {
            end = start + kSegmentChars;
            while (end > start && sub[end] != L'\\')
                --end;
            if (end == start)
                return ERROR_INVALID_NAME; // a name longer than a key name can be
        }
        segment.assign(sub.substr(start, end - start));
        bool last = end == sub.size();
        zv::unique_hkey next;
        LONG result = Counted(RegOpenKeyExW(parent, segment.c_str(), last ? options : 0,
                                            last ? access : KEY_ENUMERATE_SUB_KEYS | kView, next.put()));
        if (result != ERROR_SUCCESS)
            return result;
        if (last)
        {
            key = next.release();
            return ERROR_SUCCESS;
        }
        ownedParent = std::move(next);
        parent = ownedParent.get();
        start = end + 1;
    }
}

class LiveSource final : public KeySource
{
  public:
    bool IsLive() const noexcept override { return true; }

  protected:
    LONG OpenPath(std::wstring_view path, KeyUse use, LinkRule rule, std::uintptr_t& key) const override
    {
        size_t slash = path.find(L'\\');
        HKEY root = RootHandleFromName(path.substr(0, slash));
        if (!root)
            return path.empty() ? ERROR_INVALID_NAME : ERROR_FILE_NOT_FOUND;
        std::wstring_view sub =
            slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash + 1);
        HKEY opened = nullptr;
        LONG result =
            OpenSubPath(root, sub, rule == LinkRule::Itself && !sub.empty() ? REG_OPTION_OPEN_LINK : 0,
                        AccessFor(use), opened);
        key = reinterpret_cast<std::uintptr_t>(opened);
        return result;
    }

    LONG OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse use, std::uintptr_t& key) const override
    {
        HKEY opened = nullptr;
        LONG result =
            Counted(RegOpenKeyExW(AsHandle(parent), name, REG_OPTION_OPEN_LINK, AccessFor(use), &opened));
        key = reinterpret_cast<std::uintptr_t>(opened);
        return result;
    }

    void Close(std::uintptr_t key) const noexcept override
    {
        Counted(ERROR_SUCCESS);
        zv::unique_hkey owned(AsHandle(key));
    }

    LONG SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const override
    {
        entry.length = static_cast<DWORD>(std::size(entry.name));
        LONG result = Counted(RegEnumKeyExW(AsHandle(key), index, entry.name, &entry.length, nullptr, nullptr,
                                            nullptr, nullptr));
        if (result != ERROR_SUCCESS)
            entry.length = 0;
        return result;
    }

    LONG ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const override
    {
        // Data that grew between two tries gets a few more.
        for (int attempt = 0; attempt < 8; ++attempt)
        {
            entry.nameLength = static_cast<DWORD>(entry.name.size());
            entry.size = static_cast<DWORD>(entry.data.size());
            LONG result = Counted(RegEnumValueW(AsHandle(key), index, entry.name.data(), &entry.nameLength,
                                                nullptr, &entry.type, entry.data.data(), &entry.size));
            if (result != ERROR_MORE_DATA)
                return result;
            if (entry.size <= entry.data.size())
                return ERROR_MORE_DATA; // a name past the registry's limit: this value only
            entry.data.resize(entry.size + 64);
        }
        return ERROR_MORE_DATA;
    }

    LONG Value(std::uintptr_t key, const wchar_t* name, ValueEntry& entry) const override
    {
        size_t length = wcslen(name);
        if (length >= entry.name.size())
            return ERROR_INVALID_NAME;
        for (int attempt = 0; attempt < 8; ++attempt)
        {
            entry.size = static_cast<DWORD>(entry.data.size());
            LONG result = Counted(
                RegQueryValueExW(AsHandle(key), name, nullptr, &entry.type, entry.data.data(), &entry.size));
            if (result == ERROR_MORE_DATA)
            {
                entry.data.resize(entry.size + 64);
                continue;
            }
            if (result == ERROR_SUCCESS)
            {
                std::copy(name, name + length + 1, entry.name.begin());
                entry.nameLength = static_cast<DWORD>(length);
            }
            return result;
        }
        return ERROR_MORE_DATA;
    }

    LONG Info(std::uintptr_t key, KeyInfo& info) const override
    {
        wchar_t buffer[1024];
        DWORD length = static_cast<DWORD>(std::size(buffer));
        LONG result =
            Counted(RegQueryInfoKeyW(AsHandle(key), buffer, &length, nullptr, &info.subKeys, nullptr, nullptr,
                                     &info.values, nullptr, nullptr, nullptr, &info.lastWrite));
        if (result == ERROR_MORE_DATA)
        {
            std::wstring large(32768, L'\0');
            length = static_cast<DWORD>(large.size());
            result = Counted(RegQueryInfoKeyW(AsHandle(key), large.data(), &length, nullptr, &info.subKeys,
                                              nullptr, nullptr, &info.values, nullptr, nullptr, nullptr,
                                              &info.lastWrite));
            if (result == ERROR_SUCCESS)
                info.className.assign(large.data(), length);
            return result;
        }
        if (result == ERROR_SUCCESS)
            info.className.assign(buffer, length);
        return result;
    }

    LONG Security(std::uintptr_t key, std::vector<BYTE>& descriptor) const override
    {
        constexpr SECURITY_INFORMATION parts =
            OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
        if (descriptor.size() < 512)
            descriptor.resize(512);
        DWORD size = static_cast<DWORD>(descriptor.size());
        LONG result = Counted(RegGetKeySecurity(AsHandle(key), parts, descriptor.data(), &size));
        if (result == ERROR_INSUFFICIENT_BUFFER)
        {
            descriptor.resize(size);
            result = Counted(RegGetKeySecurity(AsHandle(key), parts, descriptor.data(), &size));
        }
        if (result == ERROR_SUCCESS)
            descriptor.resize(size);
        return result;
    }

    bool ChildIsLink(std::uintptr_t parent, const wchar_t* name) const override
    {
        return IsLinkKey(AsHandle(parent), name);
    }
};
} // namespace

unsigned long long LiveRegistryRequests() noexcept
{
    return g_requests.load(std::memory_order_relaxed);
}

const KeySource& LiveRegistry()
{
    static const LiveSource source;
    return source;
}
