// The hex-dump editor control: its window, drawing and scrolling.
#include "app/HexEditCtrl.h"

#include "base/Log.h"
#include "base/UserPrompts.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <new>

bool HexEditCtrl::Register()
{
    WNDCLASSEXW existing = {sizeof(existing)};
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoExW(instance, kClassName, &existing))
        return true;
    WNDCLASSEXW type = {sizeof(type)};
    type.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    type.lpfnWndProc = WindowProc;
    type.hInstance = instance;
    type.hCursor = ::LoadCursorW(nullptr, IDC_IBEAM);
    type.lpszClassName = kClassName;
    return ::RegisterClassExW(&type) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HexEditCtrl* HexEditCtrl::From(HWND window)
{
    wchar_t name[32] = {};
    if (!window || !::GetClassNameW(window, name, 32) || lstrcmpW(name, kClassName) != 0)
        return nullptr;
    return reinterpret_cast<HexEditCtrl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK HexEditCtrl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* self = reinterpret_cast<HexEditCtrl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE)
    {
        self = new (std::nothrow) HexEditCtrl(window);
        if (!self)
            return FALSE;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    try
    {
        result = self->Handle(message, wParam, lParam);
    }
    catch (const std::exception& error)
    {
        Log(L"hex editor: message %u failed: %hs", message, error.what());
    }
    catch (...)
    {
        Log(L"hex editor: message %u failed", message);
    }
    if (message == WM_NCDESTROY)
    {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete self;
    }
    return result;
}

void HexEditCtrl::SetBytes(std::vector<BYTE> bytes)
{
    m_model.SetBytes(std::move(bytes));
    m_top = 0;
    UpdateScrollBar();
    ::InvalidateRect(m_window, nullptr, FALSE);
    PlaceCaret();
}

size_t HexEditCtrl::VisibleLines() const noexcept
{
    RECT client = {};
    ::GetClientRect(m_window, &client);
    int lines = (client.bottom - 2 * kMargin) / LineHeight();
    return lines > 1 ? static_cast<size_t>(lines) : 1;
}

void HexEditCtrl::MakeFont()
{
    // A fixed-pitch font as tall as the dialog's own.
    LOGFONTW shape = {};
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(::GetParent(m_window), WM_GETFONT, 0, 0));
    if (!dialogFont || !::GetObjectW(dialogFont, sizeof(shape), &shape))
        shape.lfHeight = -12;
    LOGFONTW fixed = {};
    fixed.lfHeight = shape.lfHeight;
    fixed.lfWeight = FW_NORMAL;
    fixed.lfCharSet = DEFAULT_CHARSET;
    fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(fixed.lfFaceName, L"Courier New", LF_FACESIZE);
    if (m_font)
        ::DeleteObject(m_font);
    m_font = ::CreateFontIndirectW(&fixed);
    HDC dc = ::GetDC(m_window);
    HGDIOBJ old = ::SelectObject(dc, m_font ? m_font : ::GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    SIZE cell = {};
    ::GetTextExtentPoint32W(dc, L"0", 1, &cell);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_window, dc);
    m_charWidth = cell.cx > 0 ? cell.cx : 8;
    m_lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 16;
}

LRESULT HexEditCtrl::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        MakeFont();
        UpdateScrollBar();
        return 0;
    case WM_DESTROY:
        if (m_font)
            ::DeleteObject(m_font);
        m_font = nullptr;
        return 0;
    case WM_GETDLGCODE: {
        // Arrows and characters are the editor's; Ctrl+Tab switches its
        // columns, Tab alone moves on in the dialog.
        LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
        auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_TAB && IsKeyDown(VK_CONTROL))
            code |= DLGC_WANTTAB;
        return code;
    }
    case WM_SETFOCUS:
        m_focused = true;
        ::CreateCaret(m_window, nullptr, std::max(1, m_charWidth / 4), LineHeight());
        PlaceCaret();
        ::ShowCaret(m_window);
        ::InvalidateRect(m_window, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        m_focused = false;
        ::DestroyCaret();
        ::InvalidateRect(m_window, nullptr, FALSE);
        return 0;
    case WM_SIZE:
        UpdateScrollBar();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(m_window, &paint);
        Paint(dc);
        ::EndPaint(m_window, &paint);
        return 0;
    }
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_CHAR:
        OnChar(static_cast<wchar_t>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ::SetFocus(m_window);
        ::SetCapture(m_window);
        m_selecting = true;
        OnMouse(lParam, (wParam & MK_SHIFT) != 0);
        return 0;
    case WM_MOUSEMOVE:
        if (m_selecting && (wParam & MK_LBUTTON))
            OnMouse(lParam, true);
        return 0;
    case WM_LBUTTONUP:
        if (m_selecting)
            ::ReleaseCapture();
        m_selecting = false;
        return 0;
    case WM_CAPTURECHANGED:
        m_selecting = false;
        return 0;
    case WM_CONTEXTMENU:
        OnContextMenu(lParam);
        return 0;
    case WM_VSCROLL: {
        long long line = static_cast<long long>(m_top);
        long long page = static_cast<long long>(VisibleLines());
        switch (LOWORD(wParam))
        {
        case SB_LINEUP:
            --line;
            break;
        case SB_LINEDOWN:
            ++line;
            break;
        case SB_PAGEUP:
            line -= page;
            break;
        case SB_PAGEDOWN:
            line += page;
            break;
        case SB_TOP:
            line = 0;
            break;
        case SB_BOTTOM:
            line = static_cast<long long>(m_model.LineCount());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info = {sizeof(info), SIF_TRACKPOS};
            ::GetScrollInfo(m_window, SB_VERT, &info);
            line = info.nTrackPos;
            break;
        }
        default:
            break;
        }
        ScrollTo(line);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        ScrollTo(static_cast<long long>(m_top) - notches * 3);
        return 0;
    }
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) == 0)
            RunCommand(LOWORD(wParam));
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

void HexEditCtrl::Paint(HDC target)
{
    RECT client = {};
    ::GetClientRect(m_window, &client);
    // Drawn off screen, then copied: no flicker while typing.
    HDC dc = ::CreateCompatibleDC(target);
    HBITMAP bitmap =
        ::CreateCompatibleBitmap(target, std::max(1L, client.right), std::max(1L, client.bottom));
    HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
    HGDIOBJ oldFont = ::SelectObject(dc, m_font ? m_font : ::GetStockObject(ANSI_FIXED_FONT));
    bool enabled = ::IsWindowEnabled(m_window) != FALSE;
    ::FillRect(dc, &client, ::GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    ::SetBkMode(dc, TRANSPARENT);
    COLORREF text = ::GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    COLORREF offsetColour = ::GetSysColor(COLOR_GRAYTEXT);
    COLORREF selectedText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    HBRUSH selected = ::GetSysColorBrush(m_focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    size_t lines = std::min(m_model.LineCount() - std::min(m_top, m_model.LineCount()), VisibleLines() + 1);
    size_t start = m_model.SelectionStart(), end = m_model.SelectionEnd();
    const std::vector<BYTE>& bytes = m_model.Bytes();
    for (size_t row = 0; row < lines; ++row)
    {
        size_t line = m_top + row;
        std::wstring shown = m_model.LineText(line);
        int y = kMargin + static_cast<int>(row) * LineHeight();
        auto cellX = [&](int cell) { return kMargin + cell * m_charWidth; };
        // Selected bytes get the highlight in both columns.
        size_t first = line * HexEditModel::kBytesPerLine;
        for (size_t i = 0; i < HexEditModel::kBytesPerLine && first + i < bytes.size(); ++i)
        {
            size_t at = first + i;
            if (at < start || at >= end)
                continue;
            bool nextSelected = i + 1 < HexEditModel::kBytesPerLine && at + 1 < end;
            RECT hex = {cellX(m_model.HexCell(i)), y, cellX(m_model.HexCell(i) + (nextSelected ? 3 : 2)),
                        y + LineHeight()};
            RECT character = {cellX(m_model.TextCell(i)), y, cellX(m_model.TextCell(i) + 1),
                              y + LineHeight()};
            ::FillRect(dc, &hex, selected);
            ::FillRect(dc, &character, selected);
        }
        int offsetCells = m_model.OffsetDigits();
        ::SetTextColor(dc, offsetColour);
        ::TextOutW(dc, cellX(0), y, shown.c_str(), offsetCells);
        for (int cell = offsetCells; cell < static_cast<int>(shown.size()); ++cell)
        {
            if (shown[static_cast<size_t>(cell)] == L' ')
                continue;
            // The byte this cell shows, to colour it as selected or not.
            size_t i = cell >= m_model.TextCell(0) ? static_cast<size_t>(cell - m_model.TextCell(0))
                                                   : static_cast<size_t>((cell - m_model.HexCell(0)) / 3);
            size_t at = first + i;
            ::SetTextColor(dc, m_focused && at >= start && at < end ? selectedText : text);
            ::TextOutW(dc, cellX(cell), y, &shown[static_cast<size_t>(cell)], 1);
        }
        // The caret's byte in the other column is framed, so both show where it is.
        size_t caret = m_model.Caret();
        if (caret >= first && caret < first + HexEditModel::kBytesPerLine && caret <= bytes.size())
        {
            size_t i = caret - first;
            bool inHex = m_model.CaretArea() == HexEditModel::Area::Hex;
            int cell = inHex ? m_model.TextCell(i) : m_model.HexCell(i);
            RECT frame = {cellX(cell), y, cellX(cell + (inHex ? 1 : 2)), y + LineHeight()};
            ::FrameRect(dc, &frame, ::GetSysColorBrush(COLOR_GRAYTEXT));
        }
    }
    // The column between hex and text.
    int divider = kMargin + (m_model.TextCell(0) - 1) * m_charWidth + m_charWidth / 2;
    RECT line = {divider, client.top, divider + 1, client.bottom};
    ::FillRect(dc, &line, ::GetSysColorBrush(COLOR_BTNSHADOW));
    ::BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ::SelectObject(dc, oldFont);
    ::SelectObject(dc, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

void HexEditCtrl::PlaceCaret()
{
    if (!m_focused)
        return;
    size_t caret = m_model.Caret();
    size_t line = caret / HexEditModel::kBytesPerLine;
    size_t i = caret % HexEditModel::kBytesPerLine;
    int cell = m_model.CaretArea() == HexEditModel::Area::Hex
                   ? m_model.HexCell(i) + (m_model.OnLowDigit() ? 1 : 0)
                   : m_model.TextCell(i);
    long long row = static_cast<long long>(line) - static_cast<long long>(m_top);
    ::SetCaretPos(kMargin + cell * m_charWidth, kMargin + static_cast<int>(row) * LineHeight());
}

void HexEditCtrl::UpdateScrollBar()
{
    SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
    info.nMin = 0;
    info.nMax = static_cast<int>(std::min<size_t>(m_model.LineCount(), INT_MAX) - 1);
    info.nPage = static_cast<UINT>(VisibleLines());
    info.nPos = static_cast<int>(std::min<size_t>(m_top, INT_MAX));
    ::SetScrollInfo(m_window, SB_VERT, &info, TRUE);
}

void HexEditCtrl::ScrollTo(long long line)
{
    long long last = static_cast<long long>(m_model.LineCount()) - static_cast<long long>(VisibleLines());
    line = std::min(line, std::max(0LL, last));
    line = std::max(0LL, line);
    if (static_cast<size_t>(line) == m_top)
        return;
    m_top = static_cast<size_t>(line);
    UpdateScrollBar();
    ::InvalidateRect(m_window, nullptr, FALSE);
    PlaceCaret();
}

void HexEditCtrl::Changed(bool bytes)
{
    // The caret's line in view.
    size_t line = m_model.Caret() / HexEditModel::kBytesPerLine;
    if (line < m_top)
        ScrollTo(static_cast<long long>(line));
    else if (line >= m_top + VisibleLines())
        ScrollTo(static_cast<long long>(line - VisibleLines() + 1));
    UpdateScrollBar();
    ::InvalidateRect(m_window, nullptr, FALSE);
    PlaceCaret();
    HWND parent = ::GetParent(m_window);
    int id = ::GetDlgCtrlID(m_window);
    if (bytes)
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(m_window));
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, kHexStatusChanged), reinterpret_cast<LPARAM>(m_window));
}
