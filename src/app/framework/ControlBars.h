// Control bars of a frame: the status bar, toolbars and the rebar that hosts
// them. The frame lays bars out along its top and bottom edges.
#pragma once

#include "base/Handles.h"
#include "app/framework/Window.h"

#include <vector>

// Bar styles.
#define CBRS_ALIGN_TOP 0x1000L
#define CBRS_ALIGN_BOTTOM 0x4000L
#define CBRS_TOP CBRS_ALIGN_TOP
#define CBRS_BOTTOM CBRS_ALIGN_BOTTOM
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L

class CFrameWnd;

class CControlBar : public CWnd
{
  public:
    // Height the bar wants at the given width.
    virtual int CalcHeight(int width) const = 0;
    bool IsVisible() const { return m_hWnd && (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VISIBLE); }
    UINT BarId() const { return static_cast<UINT>(::GetDlgCtrlID(m_hWnd)); }
    DWORD GetBarStyle() const noexcept { return m_barStyle; }
    void SetBarStyle(DWORD style) noexcept { m_barStyle = style; }
    // A bar inside a rebar is laid out by the rebar, not by the frame.
    bool m_inRebar = false;

  protected:
    DWORD m_barStyle = CBRS_TOP;
};

class CStatusBar : public CControlBar
{
  public:
    bool Create(CFrameWnd* frame, DWORD style, UINT id);
    void SetPaneText(int pane, const std::wstring& text);
    std::wstring GetPaneText(int pane) const;
    int CalcHeight(int width) const override;
};

// A toolbar button list: command ids, 0 for a separator.
struct ToolbarButtons
{
    UINT bitmapId;
    int buttonWidth; // image size
    int buttonHeight;
    std::vector<UINT> ids;
};

class CToolBar : public CControlBar
{
  public:
    bool CreateEx(CFrameWnd* frame, DWORD toolbarStyle, DWORD style, UINT id);
    // Adds the buttons, images from the bitmap (magenta transparent).
    bool LoadToolBar(const ToolbarButtons& buttons);
    // Takes the images drawn for dpi (the window moved to a screen of another DPI).
    bool LoadImages(UINT dpi);
    // The image list's image size.
    SIZE ImageSize() const;
    const std::vector<UINT>& ButtonIds() const noexcept { return m_ids; }
    int CalcHeight(int width) const override;
    SIZE ButtonSize() const;
    int ButtonWidth(int index) const;

  protected:
    std::vector<UINT> m_ids;
    UINT m_bitmapId = 0;
    SIZE m_imageBase = {};
    zv::unique_himagelist m_images;
    zv::unique_himagelist m_disabledImages;
};

class CReBar : public CControlBar
{
  public:
    bool Create(CFrameWnd* frame, DWORD rebarStyle, DWORD style, UINT id);
    // Adds bar as a band; it is then laid out by the rebar.
    bool AddBar(CControlBar* bar, UINT bandStyle);
    int CalcHeight(int width) const override;
    int BandCount() const { return static_cast<int>(SendMessage(RB_GETBANDCOUNT)); }
};
