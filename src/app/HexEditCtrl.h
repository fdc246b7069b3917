// The hex-dump editor control (window class "ZorvaneHexEdit"): offset, hex
// and text columns, insert and overwrite, selection by keys and mouse, copy
// and paste as hex or as text, a context menu. Its parent hears
// WM_COMMAND EN_CHANGE when the bytes change and kHexStatusChanged when the
// caret, the selection or the mode do. The editing itself is HexEditModel's.
#pragma once

#include "app/HexEditModel.h"

#include <windows.h>
#include <vector>

class HexEditCtrl
{
  public:
    static constexpr const wchar_t* kClassName = L"ZorvaneHexEdit";
    static constexpr WORD kHexStatusChanged = 0x4001;
    // Context menu commands (also for tests).
    enum Command : UINT
    {
        kCut = 1,
        kCopyHex,
        kCopyText,
        kPasteHex,
        kPasteText,
        kDelete,
        kSelectAll,
        kToggleOverwrite
    };

    // Registers the window class (once per process); true when it is there.
    static bool Register();
    // The control behind a window of the class; null for any other window.
    static HexEditCtrl* From(HWND window);

    void SetBytes(std::vector<BYTE> bytes);
    const HexEditModel& Model() const noexcept { return m_model; }
    // Runs a context menu command as the menu does.
    void RunCommand(UINT command);
    // The first line shown (tests check the caret is kept in view).
    size_t TopLine() const noexcept { return m_top; }
    size_t VisibleLines() const noexcept;

  private:
    explicit HexEditCtrl(HWND window) : m_window(window) {}
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void Paint(HDC dc);
    void MakeFont();
    void OnKeyDown(WPARAM key);
    void OnChar(wchar_t character);
    void OnMouse(LPARAM point, bool extend);
    void OnContextMenu(LPARAM point);
    void Copy(bool asHex);
    void Paste(bool asHex);
    // After an edit or a move: keep the caret in view, redraw, tell the parent.
    void Changed(bool bytes);
    void ScrollTo(long long line);
    void UpdateScrollBar();
    void PlaceCaret();
    int LineHeight() const noexcept { return m_lineHeight > 0 ? m_lineHeight : 1; }
    static bool IsKeyDown(int key) noexcept;
    // The space between the border and the text.
    static constexpr int kMargin = 4;

    HWND m_window;
    HexEditModel m_model;
    HFONT m_font = nullptr;
    int m_charWidth = 8;
    int m_lineHeight = 16;
    size_t m_top = 0;
    bool m_focused = false;
    bool m_selecting = false;
};
