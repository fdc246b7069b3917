// Parsing a registry script ("Windows Registry Editor Version 5.00" or
// "REGEDIT4") into the operations it asks for, in file order. A script whose
// structure does not parse (no header, a section line that names no key the
// registry can hold) yields the first fault with its line and no operations,
// so nothing is ever written from half a file. A value line that does not
// parse, or whose bytes its author cannot have meant (an unknown escape, a
// NUL or a lone CR inside a string), becomes a skipped line with its reason,
// and the rest of the file stands. Window-free.
#pragma once

#include "operations/RegScriptReader.h"

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct ScriptOperation
{
    enum Kind
    {
        CreateKey,   // [key]
        DeleteKey,   // [-key]: the key and everything below it
        SetValue,    // "name"=data, @=data, ""=data
        DeleteValue, // "name"=-
        SkipLine,    // a value line whose bytes its author cannot have meant:
                     // written nowhere, shown with its reason (name: the line)
    };
    Kind kind = CreateKey;
    size_t line = 0;
    std::wstring key;  // "CURRENT_USER\Software\X" (the program's path form)
    std::wstring name; // empty: the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    std::wstring reason; // a skipped line: why
};

struct ScriptParseResult
{
    bool ok = false;
    size_t errorLine = 0;
    std::wstring error; // "Line 12: ..." ready to show
    std::vector<ScriptOperation> operations;
    ScriptEncoding encoding = ScriptEncoding::Utf8;
};

// The deepest key the registry holds and its longest key name.
constexpr size_t kMaxKeyDepth = 512;
constexpr size_t kMaxKeyNameChars = 255;

// Parses what the reader gives; progress (bytes read, total) now and then.
ScriptParseResult ParseRegScript(CRegScriptReader& reader,
                                 const std::function<void(ULONGLONG, ULONGLONG)>& progress = {});
// Parses a file, or text (clipboard contents).
ScriptParseResult ParseRegScriptFile(const std::wstring& path);
ScriptParseResult ParseRegScriptText(const std::wstring& text);
// Whether text starts like a registry script (its header line).
bool LooksLikeRegScript(const std::wstring& text);
