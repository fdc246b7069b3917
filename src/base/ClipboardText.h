// Plain text on the clipboard, for the commands that copy a name, a path or
// data as text. Other programs read it as they read any copied text.
#pragma once

#include <string>

// Replaces what the clipboard holds with text; false when the clipboard
// could not be had (another program holding it open).
bool PutTextOnClipboard(const std::wstring& text);
// The clipboard's text, or empty.
std::wstring ClipboardText();
