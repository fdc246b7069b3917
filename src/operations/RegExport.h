// Registry script export ("Windows Registry Editor Version 5.00"): the
// writer of a key's tree and of the value a reader holds.
#pragma once

#include "registry/EzReg.h"
#include "registry/KeySource.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

extern const wchar_t kRegFileHeader[]; // "Windows Registry Editor Version 5.00"
extern const wchar_t kRegFileFilter[]; // the export dialog's filter

// A backslash before every backslash and double quote; CR and LF as \r and
// \n, so a name holding a line break stays on its line.
std::wstring EscapeRegText(std::wstring_view text);

// What an export could not write: keys that could not be read (access
// denied, removed meanwhile) and keys whose names a registry file cannot
// hold (a line break in the name), each with its sub-tree; the first few
// paths as examples.
struct ExportReport
{
    size_t keys = 0;   // sections written
    size_t values = 0; // value lines written
    size_t unreadable = 0;
    size_t unwritable = 0;
    std::vector<std::wstring> examples;
    static constexpr size_t kExamples = 5;

    bool IsComplete() const noexcept { return unreadable == 0 && unwritable == 0; }
    void NoteUnreadable(const std::wstring& path);
    void NoteUnwritable(const std::wstring& path);
    // The text that tells the user what is missing from the file written.
    std::wstring Message(const std::wstring& filePath) const;
    // "Exported 3 keys and 1 value to <file>".
    std::wstring Summary(const std::wstring& filePath) const;
};

// Where an export's text goes: a string, or a file through a buffer.
class CExportOutput
{
  public:
    virtual ~CExportOutput() = default;
    virtual void Append(std::wstring_view text) = 0;
    ExportReport Report;
};

// Writes key's tree to filePath as a registry script, as it walks; false
// when the file could not be written (the file error was shown). report
// (when given) learns which keys are missing from the file.
bool ExportKey(CEzReg& key, const std::wstring& filePath, ExportReport* report = nullptr);
// key's tree as script text (no file header), or written to output.
void KeySectionText(CEzReg& key, std::wstring& text);
void WriteKeySection(CEzReg& key, CExportOutput& output);
// The tree at path of source as script text, written to output; its key
// paths start with writtenAs instead of path when given.
void WriteTreeSection(const KeySource& source, const std::wstring& path, CExportOutput& output,
                      const std::wstring* writtenAs = nullptr);
// Writes a registry script file: the byte-order mark and the header line,
// what body writes, and the closing empty lines. False when the file could
// not be written (the file error shown when showErrors).
bool WriteScriptFile(const std::wstring& filePath, const std::function<void(CExportOutput&)>& body,
                     ExportReport* report = nullptr, bool showErrors = true);
// Appends the script line of a value (no line break) to line.
void AppendValueLine(std::wstring_view name, DWORD type, const BYTE* data, DWORD size, std::wstring& line);
// The script line of the value the reader holds now.
std::wstring ValueLine(const CEzReg& key);
// The data of the value the reader holds as hex pairs, broken with a
// backslash before width characters.
void HexByteList(const CEzReg& key, std::wstring& line, wchar_t separator = L',', size_t width = 80);
void HexByteList(const BYTE* data, DWORD size, std::wstring& line, wchar_t separator = L',',
                 size_t width = 80);
// "[HKEY_<path>]"
std::wstring SectionHeader(const CEzReg& key);
