// Value list texts and links that need no window: type names, type icons,
// and whether a data text names a key, a class or a file.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>

// Icon indexes of the value list's image list.
enum ValueIcon : int
{
    kIconOtherType = 0,
    kIconFileLink = 8,
    kIconGuidLink = 9,
    kIconFindRow = 10,
    kIconKey = 11,
    kIconClsidRow = 12,
    kIconFeedbackRow = 13,
};

// "REG_SZ" ... "REG_QWORD", or "0x" and lower-case hex for other types.
std::wstring TypeText(DWORD type);
// The type a Type cell's text stands for (0 when it is neither form).
DWORD TypeFromText(std::wstring_view text);
// 1 + the type's place among the editable types, 0 for any other type.
int TypeIcon(DWORD type) noexcept;

// Where the text holds a GUID: at its very start, or a "{GUID}" anywhere;
// npos when it holds none.
size_t FindGuid(std::wstring_view text) noexcept;
inline bool ContainsGuid(std::wstring_view text) noexcept
{
    return FindGuid(text) != std::wstring_view::npos;
}
// Whether the text has the form of a file or folder path (no output: no file
// system access), or, with an output, the existing file or folder it names.
bool FindFilePath(std::wstring_view text, std::wstring* path = nullptr);
// Whether path names an existing file (not a folder), as it stands or with
// environment variables expanded.
bool FileExists(std::wstring_view path);
