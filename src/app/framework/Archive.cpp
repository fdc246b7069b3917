// Archive and archive strings.
#include "app/framework/Archive.h"

#include <cstring>

namespace
{
void PutBytes(std::vector<BYTE>& out, const void* data, size_t size)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    out.insert(out.end(), p, p + size);
}

void PutLength(std::vector<BYTE>& out, size_t length)
{
    if (length < 0xFF)
    {
        out.push_back(static_cast<BYTE>(length));
        return;
    }
    out.push_back(0xFF);
    if (length < 0xFFFE)
    {
        WORD w = static_cast<WORD>(length);
        PutBytes(out, &w, 2);
        return;
    }
    WORD marker = 0xFFFF;
    PutBytes(out, &marker, 2);
    DWORD d = static_cast<DWORD>(length);
    PutBytes(out, &d, 4);
}

// A cursor that never reads past the end.
struct Reader
{
    const BYTE* bytes;
    size_t size;
    size_t pos = 0;
    template <typename T> bool Get(T& value)
    {
        if (size - pos < sizeof(T))
            return false;
        std::memcpy(&value, bytes + pos, sizeof(T));
        pos += sizeof(T);
        return true;
    }
};

// The length prefix; unicode is set when the UTF-16 mark precedes it.
bool ReadLength(Reader& in, size_t& length, bool& unicode)
{
    unicode = false;
    for (;;)
    {
        BYTE b;
        if (!in.Get(b))
            return false;
        if (b < 0xFF)
        {
            length = b;
            return true;
        }
        WORD w;
        if (!in.Get(w))
            return false;
        if (w == 0xFFFE)
        {
            if (unicode)
                return false; // a second mark: not this format
            unicode = true;
            continue;
        }
        if (w < 0xFFFF)
        {
            length = w;
            return true;
        }
        DWORD d;
        if (!in.Get(d))
            return false;
        if (d < 0xFFFFFFFF)
        {
            length = d;
            return true;
        }
        ULONGLONG q;
        if (!in.Get(q))
            return false;
        length = static_cast<size_t>(q);
        return q == length;
    }
}
} // namespace

std::vector<BYTE> EncodeArchiveString(const std::wstring& text)
{
    std::vector<BYTE> out;
    out.push_back(0xFF);
    WORD mark = 0xFFFE;
    PutBytes(out, &mark, 2);
    PutLength(out, text.size());
    PutBytes(out, text.data(), text.size() * sizeof(wchar_t));
    return out;
}

bool DecodeArchiveString(const BYTE* bytes, size_t size, std::wstring& text, size_t& used)
{
    Reader in{bytes, size};
    size_t length = 0;
    bool unicode = false;
    if (!ReadLength(in, length, unicode))
        return false;
    size_t bytesNeeded = unicode ? length * 2 : length;
    if (unicode && length > (size_t(-1) >> 1))
        return false;
    if (size - in.pos < bytesNeeded)
        return false;
    if (unicode)
    {
        text.assign(length, L'\0');
        if (length)
            std::memcpy(text.data(), bytes + in.pos, bytesNeeded);
    }
    else
    {
        text.clear();
        if (length)
        {
            const char* narrow = reinterpret_cast<const char*>(bytes + in.pos);
            int n = MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(length), nullptr, 0);
            text.assign(static_cast<size_t>(n), L'\0');
            MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(length), text.data(), n);
        }
    }
    used = in.pos + bytesNeeded;
    return true;
}

CArchive::CArchive(HANDLE file, Mode mode, size_t bufferSize)
    : m_file(file), m_mode(mode), m_buffer(bufferSize)
{
}

CArchive::~CArchive()
{
    if (m_mode == store)
        Flush();
}

bool CArchive::Flush()
{
    if (m_mode != store || m_failed)
        return !m_failed;
    size_t done = 0;
    while (done < m_pos)
    {
        DWORD written = 0;
        if (!WriteFile(m_file, m_buffer.data() + done, static_cast<DWORD>(m_pos - done), &written, nullptr) ||
            written == 0)
        {
            m_failed = true;
            return false;
        }
        done += written;
    }
    m_pos = 0;
    return true;
}

bool CArchive::Write(const void* data, size_t size)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    while (size && !m_failed)
    {
        size_t room = m_buffer.size() - m_pos;
        size_t n = size < room ? size : room;
        std::memcpy(m_buffer.data() + m_pos, p, n);
        m_pos += n;
        p += n;
        size -= n;
        if (m_pos == m_buffer.size() && !Flush())
            return false;
    }
    return !m_failed;
}

bool CArchive::Fill()
{
    DWORD read = 0;
    if (!ReadFile(m_file, m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &read, nullptr) || read == 0)
        return false;
    m_pos = 0;
    m_size = read;
    return true;
}

bool CArchive::Read(void* data, size_t size)
{
    BYTE* p = static_cast<BYTE*>(data);
    while (size)
    {
        if (m_pos == m_size && !Fill())
        {
            m_failed = true;
            return false;
        }
        size_t n = m_size - m_pos < size ? m_size - m_pos : size;
        std::memcpy(p, m_buffer.data() + m_pos, n);
        m_pos += n;
        p += n;
        size -= n;
    }
    return true;
}

bool CArchive::WriteString(const std::wstring& text)
{
    std::vector<BYTE> bytes = EncodeArchiveString(text);
    return Write(bytes.data(), bytes.size());
}

bool CArchive::ReadString(std::wstring& text)
{
    // Every way a string can fail to read marks the archive, so that callers
    // that only look at Failed() see it too.
    if (ReadStringBody(text))
        return true;
    m_failed = true;
    return false;
}

bool CArchive::ReadStringBody(std::wstring& text)
{
    // Read the prefix byte by byte through the same rules as the decoder.
    std::vector<BYTE> prefix;
    auto take = [&](size_t n) {
        size_t at = prefix.size();
        prefix.resize(at + n);
        return Read(prefix.data() + at, n);
    };
    bool unicode = false;
    size_t length = 0;
    for (;;)
    {
        if (!take(1))
            return false;
        if (prefix.back() < 0xFF)
        {
            length = prefix.back();
            break;
        }
        if (!take(2))
            return false;
        WORD w;
        std::memcpy(&w, prefix.data() + prefix.size() - 2, 2);
        if (w == 0xFFFE)
        {
            if (unicode)
                return false;
            unicode = true;
            continue;
        }
        if (w < 0xFFFF)
        {
            length = w;
            break;
        }
        if (!take(4))
            return false;
        DWORD d;
        std::memcpy(&d, prefix.data() + prefix.size() - 4, 4);
        if (d == 0xFFFFFFFF)
            return false; // longer than any shortcut can be
        length = d;
        break;
    }
    // A length the file cannot hold fails instead of allocating blindly.
    LARGE_INTEGER fileSize = {};
    if (GetFileSizeEx(m_file, &fileSize) &&
        static_cast<ULONGLONG>(fileSize.QuadPart) < (unicode ? length * 2 : length))
        return false;
    std::vector<BYTE> body(unicode ? length * 2 : length);
    if (!body.empty() && !Read(body.data(), body.size()))
        return false;
    prefix.insert(prefix.end(), body.begin(), body.end());
    size_t used = 0;
    return DecodeArchiveString(prefix.data(), prefix.size(), text, used);
}
