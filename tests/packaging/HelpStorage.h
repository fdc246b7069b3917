// The built help file as the platform's HTML Help storage reads it (the
// same reader the help viewer uses), and the few HTML readings the help
// tests share.
#pragma once

#include "base/Strings.h"

#include <ole2.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace helptest
{
// The platform's compiled-help storage (itss.dll); its header is not part of
// the compiler's Windows headers. Declared by its table of functions, of
// which only the release and the opening are called.
struct ItStorageFunctions
{
    void* queryInterface;
    void* addRef;
    ULONG(STDMETHODCALLTYPE* release)(void* self);
    void* createDocfile;
    void* createDocfileOnLockBytes;
    void* isStorageFile;
    void* isStorageLockBytes;
    HRESULT(STDMETHODCALLTYPE* openStorage)
    (void* self, const WCHAR* name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
     IStorage** opened);
};
struct ItStorage
{
    const ItStorageFunctions* functions;
};
constexpr CLSID kItStorageClass = {
    0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
constexpr IID kItStorageInterface = {
    0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

// The file the build made, as this process names it (the build folder is on
// the Z: drive).
inline std::wstring BuiltHelpFile()
{
    std::wstring path = L"Z:" + zv::FromUtf8(ZORVANE_HELP_FILE);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

class HelpStorage
{
  public:
    explicit HelpStorage(const std::wstring& file)
    {
        CoInitialize(nullptr);
        ItStorage* factory = nullptr;
        if (FAILED(CoCreateInstance(kItStorageClass, nullptr, CLSCTX_INPROC_SERVER, kItStorageInterface,
                                    reinterpret_cast<void**>(&factory))))
            return;
        factory->functions->openStorage(factory, file.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                        nullptr, 0, &m_root);
        factory->functions->release(factory);
    }
    ~HelpStorage()
    {
        if (m_root)
            m_root->Release();
        CoUninitialize();
    }
    HelpStorage(const HelpStorage&) = delete;
    HelpStorage& operator=(const HelpStorage&) = delete;

    bool IsOpen() const { return m_root != nullptr; }

    // The bytes of a stream ("images/x.png"), or false when the file has none.
    bool Read(const std::string& name, std::string& bytes) const
    {
        bytes.clear();
        IStream* stream = nullptr;
        if (!m_root || FAILED(m_root->OpenStream(zv::FromUtf8(name).c_str(), nullptr,
                                                 STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream)))
            return false;
        char buffer[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &got)) && got > 0)
            bytes.append(buffer, got);
        stream->Release();
        return true;
    }
    bool Has(const std::string& name) const
    {
        std::string ignored;
        return Read(name, ignored);
    }

  private:
    IStorage* m_root = nullptr;
};

inline std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The values of every attribute with this name (src, href, value) in the text.
inline std::vector<std::string> AttributeValues(const std::string& html, const std::string& name)
{
    std::vector<std::string> values;
    std::string lower = Lower(html);
    std::string key = name + "=\"";
    for (size_t at = lower.find(key); at != std::string::npos; at = lower.find(key, at + 1))
    {
        // A whole attribute name, not the end of a longer one.
        if (at > 0 && std::isalnum(static_cast<unsigned char>(lower[at - 1])))
            continue;
        size_t start = at + key.size();
        size_t end = html.find('"', start);
        if (end != std::string::npos)
            values.push_back(html.substr(start, end - start));
    }
    return values;
}

// The Local targets of a contents or index file.
inline std::vector<std::string> SitemapTargets(const std::string& sitemap)
{
    std::vector<std::string> targets;
    std::string lower = Lower(sitemap);
    const std::string key = "<param name=\"local\" value=\"";
    for (size_t at = lower.find(key); at != std::string::npos; at = lower.find(key, at + 1))
    {
        size_t start = at + key.size();
        targets.push_back(sitemap.substr(start, sitemap.find('"', start) - start));
    }
    return targets;
}

// The compiled file's system entries: code -> text (0 contents, 1 index,
// 2 default topic, 3 title).
inline std::map<int, std::string> SystemEntries(const HelpStorage& help)
{
    std::map<int, std::string> entries;
    std::string bytes;
    if (!help.Read("#SYSTEM", bytes))
        return entries;
    for (size_t at = 4; at + 4 <= bytes.size();)
    {
        int code = static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
        size_t length =
            static_cast<unsigned char>(bytes[at + 2]) | (static_cast<unsigned char>(bytes[at + 3]) << 8);
        if (at + 4 + length > bytes.size())
            break;
        std::string text = bytes.substr(at + 4, length);
        entries[code] = text.substr(0, text.find('\0'));
        at += 4 + length;
    }
    return entries;
}

} // namespace helptest
