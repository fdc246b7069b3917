// The archive: buffered binary reading and writing of a file, and the archive
// string format (a length prefix of 1, 3 or 7 bytes; UTF-16 text after the
// mark FF FE FF, 8-bit text in the system code page without it).
#pragma once

#include <windows.h>
#include <string>
#include <vector>

// The bytes of one archived UTF-16 string.
std::vector<BYTE> EncodeArchiveString(const std::wstring& text);
// Reads one archived string from bytes (either form); used is the bytes taken.
bool DecodeArchiveString(const BYTE* bytes, size_t size, std::wstring& text, size_t& used);

class CArchive
{
  public:
    enum Mode
    {
        load,
        store
    };
    // Uses an open file handle (not owned).
    CArchive(HANDLE file, Mode mode, size_t bufferSize = 4096);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const noexcept { return m_mode == store; }
    bool Write(const void* data, size_t size);
    bool Read(void* data, size_t size);
    bool WriteString(const std::wstring& text);
    bool ReadString(std::wstring& text);
    // Writes out what is buffered; false when a write failed.
    bool Flush();
    bool Failed() const noexcept { return m_failed; }

  private:
    bool ReadStringBody(std::wstring& text);

  public:
  private:
    bool Fill();
    HANDLE m_file;
    Mode m_mode;
    std::vector<BYTE> m_buffer;
    size_t m_pos = 0;  // next byte to read, or bytes buffered for writing
    size_t m_size = 0; // bytes in the read buffer
    bool m_failed = false;
};
