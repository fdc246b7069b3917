// The hex-dump editor control: keys, mouse, its context menu and the clipboard.
#include "app/HexEditCtrl.h"

#include "base/ClipboardText.h"
#include "base/UserPrompts.h"

#include <windowsx.h>

#include <algorithm>

bool HexEditCtrl::IsKeyDown(int key) noexcept
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

void HexEditCtrl::OnKeyDown(WPARAM key)
{
    bool shift = IsKeyDown(VK_SHIFT);
    bool control = IsKeyDown(VK_CONTROL);
    long long page = static_cast<long long>(VisibleLines());
    switch (key)
    {
    case VK_LEFT:
        m_model.MoveLeft(shift);
        break;
    case VK_RIGHT:
        m_model.MoveRight(shift);
        break;
    case VK_UP:
        m_model.MoveLines(-1, shift);
        break;
    case VK_DOWN:
        m_model.MoveLines(1, shift);
        break;
    case VK_PRIOR:
        m_model.MoveLines(-page, shift);
        break;
    case VK_NEXT:
        m_model.MoveLines(page, shift);
        break;
    case VK_HOME:
        if (control)
            m_model.MoveTo(0, shift);
        else
            m_model.MoveToLineStart(shift);
        break;
    case VK_END:
        if (control)
            m_model.MoveTo(m_model.Bytes().size(), shift);
        else
            m_model.MoveToLineEnd(shift);
        break;
    case VK_TAB:
        m_model.SetArea(m_model.CaretArea() == HexEditModel::Area::Hex ? HexEditModel::Area::Text
                                                                       : HexEditModel::Area::Hex);
        break;
    case VK_INSERT:
        if (shift)
            RunCommand(kPasteHex + (m_model.CaretArea() == HexEditModel::Area::Text ? 1 : 0));
        else if (control)
            RunCommand(m_model.CaretArea() == HexEditModel::Area::Hex ? kCopyHex : kCopyText);
        else
            m_model.ToggleOverwrite();
        break;
    case VK_DELETE:
        if (shift)
            RunCommand(kCut);
        else
            RunCommand(kDelete);
        return;
    default:
        if (control && !shift)
        {
            bool hex = m_model.CaretArea() == HexEditModel::Area::Hex;
            switch (key)
            {
            case 'A':
                RunCommand(kSelectAll);
                return;
            case 'C':
                RunCommand(hex ? kCopyHex : kCopyText);
                return;
            case 'X':
                RunCommand(kCut);
                return;
            case 'V':
                RunCommand(hex ? kPasteHex : kPasteText);
                return;
            default:
                break;
            }
        }
        return;
    }
    Changed(false);
}

void HexEditCtrl::OnChar(wchar_t character)
{
    if (character == L'\b')
    {
        if (m_model.DeleteBack())
            Changed(true);
        return;
    }
    // Control characters come with Ctrl shortcuts handled as keys.
    if (character < 0x20 || IsKeyDown(VK_CONTROL))
        return;
    if (m_model.Type(character))
        Changed(true);
    else
        ::MessageBeep(MB_OK);
}

void HexEditCtrl::OnMouse(LPARAM point, bool extend)
{
    int x = GET_X_LPARAM(point) - kMargin, y = GET_Y_LPARAM(point) - kMargin;
    long long row = y < 0 ? -1 : y / LineHeight();
    long long line = static_cast<long long>(m_top) + row;
    if (line < 0)
        line = 0;
    int cell = x < 0 ? 0 : x / m_charWidth;
    size_t position = 0;
    HexEditModel::Area area = HexEditModel::Area::Hex;
    bool low = false;
    m_model.HitTest(static_cast<size_t>(line), cell, position, area, low);
    if (!extend)
        m_model.SetArea(area);
    m_model.MoveTo(position, extend);
    // A click on a pair's second digit puts the caret there.
    if (!extend && low)
    {
        m_model.MoveRight(false);
    }
    Changed(false);
}

void HexEditCtrl::OnContextMenu(LPARAM point)
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    bool selection = m_model.HasSelection();
    bool text = ::IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
    auto add = [&](UINT id, const wchar_t* label, bool enabled) {
        ::AppendMenuW(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), id, label);
    };
    add(kCut, L"Cu&t\tCtrl+X", selection);
    add(kCopyHex, L"&Copy as Hex", selection);
    add(kCopyText, L"Copy as Te&xt", selection);
    add(kPasteHex, L"&Paste as Hex", text);
    add(kPasteText, L"Paste as T&ext", text);
    add(kDelete, L"&Delete\tDel", selection || m_model.Caret() < m_model.Bytes().size());
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(kSelectAll, L"Select &All\tCtrl+A", !m_model.Bytes().empty());
    ::AppendMenuW(menu, MF_STRING | (m_model.Overwrite() ? MF_CHECKED : 0), kToggleOverwrite,
                  L"&Overwrite\tIns");
    POINT at = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    if (at.x == -1 && at.y == -1)
    {
        // From the keyboard: at the caret.
        ::GetCaretPos(&at);
        ::ClientToScreen(m_window, &at);
    }
    UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, m_window, nullptr));
    ::DestroyMenu(menu);
    if (chosen)
        RunCommand(chosen);
}

void HexEditCtrl::RunCommand(UINT command)
{
    switch (command)
    {
    case kCut:
        if (!m_model.HasSelection())
            return;
        Copy(m_model.CaretArea() == HexEditModel::Area::Hex);
        m_model.DeleteForward();
        Changed(true);
        return;
    case kCopyHex:
    case kCopyText:
        if (m_model.HasSelection())
            Copy(command == kCopyHex);
        return;
    case kPasteHex:
    case kPasteText:
        Paste(command == kPasteHex);
        return;
    case kDelete:
        if (m_model.DeleteForward())
            Changed(true);
        return;
    case kSelectAll:
        m_model.SelectAll();
        Changed(false);
        return;
    case kToggleOverwrite:
        m_model.ToggleOverwrite();
        Changed(false);
        return;
    default:
        return;
    }
}

void HexEditCtrl::Copy(bool asHex)
{
    std::wstring text = asHex ? m_model.SelectionAsHex() : m_model.SelectionAsText();
    if (!PutTextOnClipboard(text))
        AfxMessageBox(L"The clipboard is in use by another program; nothing was copied.",
                      MB_OK | MB_ICONEXCLAMATION);
}

void HexEditCtrl::Paste(bool asHex)
{
    std::wstring text = ClipboardText();
    std::vector<BYTE> bytes;
    std::wstring problem;
    bool read = asHex ? HexEditModel::ReadPastedHex(text, bytes, problem)
                      : HexEditModel::ReadPastedText(text, bytes, problem);
    if (!read)
    {
        AfxMessageBox(problem, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_model.Put(bytes);
    Changed(true);
}
