// Plain text on the clipboard.
#include "base/ClipboardText.h"

#include <windows.h>

#include <cstring>

namespace
{
// Another program may hold the clipboard open for a moment: a few tries.
bool OpenClipboardSoon()
{
    for (int attempt = 0; attempt < 10; ++attempt)
    {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(20);
    }
    return false;
}
} // namespace

bool PutTextOnClipboard(const std::wstring& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (!block)
        return false;
    if (void* target = GlobalLock(block))
    {
        std::memcpy(target, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(block);
    }
    if (!OpenClipboardSoon())
    {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the block once it took it.
    bool taken = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!taken)
        GlobalFree(block);
    return taken;
}

std::wstring ClipboardText()
{
    std::wstring text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboardSoon())
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data)))
        {
            text.assign(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}
