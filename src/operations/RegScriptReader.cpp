// Registry script text, a block at a time.
#include "operations/RegScriptReader.h"

#include "base/Strings.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr DWORD kBlockBytes = 1 << 20;

// The index of the first byte that does not belong to valid UTF-8, or size.
size_t FirstInvalidUtf8(const unsigned char* bytes, size_t size)
{
    size_t i = 0;
    while (i < size)
    {
        unsigned char c = bytes[i];
        size_t extra = c < 0x80             ? 0
                       : (c & 0xE0) == 0xC0 ? 1
                       : (c & 0xF0) == 0xE0 ? 2
                       : (c & 0xF8) == 0xF0 ? 3
                                            : 9;
        if (extra == 9 || c == 0xC0 || c == 0xC1 || c > 0xF4 || i + extra >= size + (extra ? 0 : 1))
            return i;
        for (size_t k = 1; k <= extra; ++k)
            if ((bytes[i + k] & 0xC0) != 0x80)
                return i;
        // Over-long three-byte forms and UTF-16 surrogates are not UTF-8.
        if (extra == 2 && ((c == 0xE0 && bytes[i + 1] < 0xA0) || (c == 0xED && bytes[i + 1] >= 0xA0)))
            return i;
        if (extra == 3 && ((c == 0xF0 && bytes[i + 1] < 0x90) || (c == 0xF4 && bytes[i + 1] >= 0x90)))
            return i;
        i += extra + 1;
    }
    return size;
}
// How much of bytes can be decoded now without cutting a character.
size_t SafeCut(const std::string& bytes, UINT codePage)
{
    if (codePage == CP_UTF8)
    {
        // Back over the continuation bytes at the end to the last lead byte;
        // its character is whole when all its continuation bytes are there.
        size_t at = bytes.size();
        size_t back = 0;
        while (at > 0 && back < 4 && (static_cast<unsigned char>(bytes[at - 1]) & 0xC0) == 0x80)
        {
            --at;
            ++back;
        }
        if (at == 0)
            return bytes.size(); // no lead byte: the validation will refuse it
        unsigned char lead = static_cast<unsigned char>(bytes[at - 1]);
        size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
        return back + 1 >= length ? bytes.size() : at - 1;
    }
    CPINFO info = {};
    if (GetCPInfo(codePage, &info) && info.MaxCharSize == 1)
        return bytes.size();
    size_t end = bytes.find_last_of("\r\n");
    return end == std::string::npos ? 0 : end + 1;
}
} // namespace

CRegScriptReader::~CRegScriptReader() = default;

bool CRegScriptReader::Open(const std::wstring& path)
{
    m_file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!m_file)
    {
        m_error = zv::Format(L"The file cannot be opened (error %lu).", GetLastError());
        return false;
    }
    LARGE_INTEGER size = {};
    GetFileSizeEx(m_file.get(), &size);
    m_totalBytes = static_cast<ULONGLONG>(size.QuadPart);

    // The start decides the encoding.
    char start[16] = {};
    DWORD got = 0;
    if (!ReadFile(m_file.get(), start, sizeof(start), &got, nullptr))
    {
        m_error = L"The file cannot be read.";
        return false;
    }
    size_t skip = DetectEncoding(start, got);
    m_bytesRead = got;
    m_end = got < sizeof(start);
    return Decode(start + skip, got - skip, m_end);
}

size_t CRegScriptReader::DetectEncoding(const char* start, size_t size)
{
    if (size >= 2 && static_cast<unsigned char>(start[0]) == 0xFF &&
        static_cast<unsigned char>(start[1]) == 0xFE)
    {
        m_encoding = ScriptEncoding::Utf16;
        return 2;
    }
    if (size >= 3 && std::memcmp(start, "\xEF\xBB\xBF", 3) == 0)
    {
        m_encoding = ScriptEncoding::Utf8;
        return 3;
    }
    m_encoding =
        size >= 8 && std::memcmp(start, "REGEDIT4", 8) == 0 ? ScriptEncoding::Ansi : ScriptEncoding::Utf8;
    return 0;
}

bool CRegScriptReader::OpenBytes(const std::string& bytes)
{
    size_t skip = DetectEncoding(bytes.data(), bytes.size());
    m_totalBytes = m_bytesRead = bytes.size();
    m_end = true;
    return Decode(bytes.data() + skip, bytes.size() - skip, true);
}

void CRegScriptReader::OpenText(std::wstring text)
{
    m_text = std::move(text);
    if (!m_text.empty() && m_text.front() == 0xFEFF)
        m_at = 1;
    m_end = true;
    m_totalBytes = m_text.size() * sizeof(wchar_t);
    m_bytesRead = m_totalBytes;
}

bool CRegScriptReader::Fill()
{
    if (m_end || !m_file || Failed())
        return false;
    std::vector<char> block(kBlockBytes);
    DWORD got = 0;
    if (!ReadFile(m_file.get(), block.data(), kBlockBytes, &got, nullptr))
    {
        m_error = L"The file cannot be read.";
        return false;
    }
    m_bytesRead += got;
    m_end = got == 0;
    return Decode(block.data(), got, m_end);
}

bool CRegScriptReader::Decode(const char* bytes, size_t size, bool last)
{
    // What is already decoded but not handed out moves to the front.
    if (m_at > 0)
    {
        m_text.erase(0, m_at);
        m_at = 0;
    }
    std::string pending = std::move(m_carry);
    m_carry.clear();
    pending.append(bytes, size);
    if (m_encoding == ScriptEncoding::Utf16)
    {
        size_t whole = pending.size() & ~size_t(1);
        if (whole != pending.size())
        {
            if (last)
            {
                m_error = L"The file ends in the middle of a character.";
                return false;
            }
            m_carry.assign(pending, whole, std::string::npos);
        }
        size_t at = m_text.size();
        m_text.resize(at + whole / 2);
        std::memcpy(m_text.data() + at, pending.data(), whole);
        return true;
    }
    // 8-bit forms decode up to where no character can be cut: the last whole
    // UTF-8 character, any byte of a single-byte code page, or the last line
    // end of a multi-byte one. The rest waits for the next block.
    UINT codePage = m_encoding == ScriptEncoding::Utf8 ? CP_UTF8 : CP_ACP;
    size_t cut = pending.size();
    if (!last)
    {
        cut = SafeCut(pending, codePage);
        m_carry.assign(pending, cut, std::string::npos);
    }
    if (cut == 0)
        return true;
    if (m_encoding == ScriptEncoding::Utf8)
    {
        size_t bad = FirstInvalidUtf8(reinterpret_cast<const unsigned char*>(pending.data()), cut);
        if (bad < cut)
        {
            size_t line = m_lineNumber + 1 +
                          static_cast<size_t>(std::count(m_text.begin(), m_text.end(), L'\n')) +
                          static_cast<size_t>(std::count(pending.begin(), pending.begin() + bad, '\n'));
            m_error = zv::Format(L"Line %zu is not valid UTF-8 text.", line);
            return false;
        }
    }
    int chars = MultiByteToWideChar(codePage, 0, pending.data(), static_cast<int>(cut), nullptr, 0);
    size_t at = m_text.size();
    m_text.resize(at + static_cast<size_t>(chars));
    MultiByteToWideChar(codePage, 0, pending.data(), static_cast<int>(cut), m_text.data() + at, chars);
    return true;
}

bool CRegScriptReader::NextLine(std::wstring& line)
{
    // Characters after m_at already known to hold no line end: a line longer
    // than a block is scanned once, not again after every block.
    size_t scanned = 0;
    for (;;)
    {
        if (Failed())
            return false;
        size_t end = m_text.find_first_of(L"\r\n", m_at + scanned);
        if (end != std::wstring::npos)
        {
            size_t next = end + 1;
            m_lastEndedByLoneCr = false;
            if (m_text[end] == L'\r')
            {
                // CR LF, CR CR LF (which some editors write) and a CR alone
                // each end one line; up to two more characters tell which.
                if (end + 2 >= m_text.size() && !m_end)
                {
                    scanned = end - m_at;
                    Fill();
                    continue;
                }
                if (next < m_text.size() && m_text[next] == L'\n')
                    next += 1;
                else if (next + 1 < m_text.size() && m_text[next] == L'\r' && m_text[next + 1] == L'\n')
                    next += 2;
                else
                    m_lastEndedByLoneCr = true;
            }
            line.assign(m_text, m_at, end - m_at);
            m_at = next;
            break;
        }
        scanned = m_text.size() - m_at;
        if (!m_end && Fill())
            continue;
        if (Failed())
            return false;
        if (m_at >= m_text.size())
            return false;
        line.assign(m_text, m_at, std::wstring::npos);
        m_at = m_text.size();
        m_lastEndedByLoneCr = false;
        break;
    }
    ++m_lineNumber;
    return true;
}
