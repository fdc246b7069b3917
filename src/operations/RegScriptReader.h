// Reading a registry script file as text lines: the encoding from its start
// (UTF-16 with byte-order mark, UTF-8 with or without one, or 8-bit text in
// the system's code page for the old header), decoded a block at a time so
// that a large file is never held whole. Window-free.
#pragma once

#include "base/Handles.h"

#include <windows.h>
#include <string>
#include <vector>

enum class ScriptEncoding
{
    Utf16,
    Utf8,
    Ansi,
};

class CRegScriptReader
{
  public:
    CRegScriptReader() = default;
    ~CRegScriptReader();
    CRegScriptReader(const CRegScriptReader&) = delete;
    CRegScriptReader& operator=(const CRegScriptReader&) = delete;

    // Opens the file and settles its encoding (the header line decides
    // between UTF-8 and the code page when there is no byte-order mark).
    bool Open(const std::wstring& path);
    // Reads text from memory instead (clipboard text), or a file's bytes.
    void OpenText(std::wstring text);
    bool OpenBytes(const std::string& bytes);
    // The next physical line without its line end (LF, CR LF, CR CR LF or a
    // CR alone); false at the end or on an error (Failed() then says so).
    bool NextLine(std::wstring& line);
    // Whether the line NextLine gave last ended with a CR alone (inside a
    // quoted string, that breaks the string).
    bool LastEndedByLoneCr() const noexcept { return m_lastEndedByLoneCr; }
    // The 1-based number of the line NextLine gave last.
    size_t LineNumber() const noexcept { return m_lineNumber; }
    bool Failed() const noexcept { return !m_error.empty(); }
    const std::wstring& Error() const noexcept { return m_error; }
    ScriptEncoding Encoding() const noexcept { return m_encoding; }
    // Bytes read so far and the file's size (progress).
    ULONGLONG BytesRead() const noexcept { return m_bytesRead; }
    ULONGLONG TotalBytes() const noexcept { return m_totalBytes; }

  private:
    // Settles the encoding from the first bytes; how many to skip (a mark).
    size_t DetectEncoding(const char* start, size_t size);
    bool Fill();
    bool Decode(const char* bytes, size_t size, bool last);

    zv::unique_hfile m_file;
    ScriptEncoding m_encoding = ScriptEncoding::Utf8;
    std::wstring m_text; // decoded, not yet handed out
    size_t m_at = 0;     // where the next line starts in m_text
    std::string m_carry; // bytes of a character cut by the block's end
    bool m_end = false;  // the file has been read to its end
    size_t m_lineNumber = 0;
    bool m_lastEndedByLoneCr = false;
    ULONGLONG m_bytesRead = 0;
    ULONGLONG m_totalBytes = 0;
    std::wstring m_error;
};
