// Parsing a registry script ("Windows Registry Editor Version 5.00" or
// "REGEDIT4") into the operations it asks for, in file order. A script that
// does not parse yields the first fault with its line and no operations, so
// nothing is ever written from half a file. Window-free.
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
        SetValue,    // "name"=data, @=data
        DeleteValue, // "name"=-
    };
    Kind kind = CreateKey;
    size_t line = 0;
    std::wstring key;  // "CURRENT_USER\Software\X" (the program's path form)
    std::wstring name; // empty: the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
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
