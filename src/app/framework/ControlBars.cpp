// Status bar, toolbars and rebar.
#include "app/framework/ControlBars.h"

#include "app/framework/DpiImages.h"

#include "app/framework/FrameWnd.h"

bool CStatusBar::Create(CFrameWnd* frame, DWORD style, UINT id)
{
    m_barStyle = style & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    if (!m_barStyle)
        m_barStyle = CBRS_BOTTOM;
    DWORD windowStyle = (style & (WS_CHILD | WS_VISIBLE)) | WS_CHILD | SBARS_SIZEGRIP | CCS_NOPARENTALIGN |
                        CCS_NORESIZE | CCS_NODIVIDER;
    if (!CreateControl(0, STATUSCLASSNAMEW, L"", windowStyle, RECT{0, 0, 0, 0}, frame->m_hWnd, id))
        return false;
    frame->AddControlBar(this);
    return true;
}

void CStatusBar::SetPaneText(int pane, const std::wstring& text)
{
    SendMessage(SB_SETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring CStatusBar::GetPaneText(int pane) const
{
    LRESULT info = SendMessage(SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane));
    std::wstring text(LOWORD(info) + 1, L'\0');
    SendMessage(SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

int CStatusBar::CalcHeight(int) const
{
    HDC dc = ::GetDC(m_hWnd);
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    if (old)
        ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    return metrics.tmHeight + 8;
}

bool CToolBar::CreateEx(CFrameWnd* frame, DWORD toolbarStyle, DWORD style, UINT id)
{
    m_barStyle = style & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM | CBRS_TOOLTIPS | CBRS_FLYBY);
    DWORD windowStyle = (style & (WS_CHILD | WS_VISIBLE)) | WS_CHILD | toolbarStyle | TBSTYLE_TOOLTIPS |
                        CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (!CreateControl(0, TOOLBARCLASSNAMEW, L"", windowStyle, RECT{0, 0, 0, 0}, frame->m_hWnd, id))
        return false;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    // Tool tips and hot-item notifications go to the frame, which knows the texts.
    SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(frame->m_hWnd));
    frame->AddControlBar(this);
    return true;
}

bool CToolBar::LoadImages(UINT dpi)
{
    zv::unique_himagelist images(LoadImageStrip(m_bitmapId, m_imageBase, dpi, 4));
    if (!images)
        return false;
    SIZE size = ImageSizeForDpi(m_imageBase, dpi);
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(size.cx, size.cy));
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    // The old list goes only once the toolbar holds the new one.
    m_images = std::move(images);
    SendMessage(TB_AUTOSIZE);
    return true;
}

SIZE CToolBar::ImageSize() const
{
    int cx = 0, cy = 0;
    if (m_images)
        ImageList_GetIconSize(m_images.get(), &cx, &cy);
    return SIZE{cx, cy};
}

bool CToolBar::LoadToolBar(const ToolbarButtons& buttons)
{
    m_bitmapId = buttons.bitmapId;
    m_imageBase = SIZE{buttons.buttonWidth, buttons.buttonHeight};
    if (!LoadImages(WindowDpi(m_hWnd)))
        return false;
    std::vector<TBBUTTON> list;
    int image = 0;
    for (UINT id : buttons.ids)
    {
        TBBUTTON b = {};
        if (id == 0)
        {
            b.fsStyle = BTNS_SEP;
        }
        else
        {
            b.iBitmap = image++;
            b.idCommand = static_cast<int>(id);
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        }
        list.push_back(b);
    }
    m_ids = buttons.ids;
    SendMessage(TB_ADDBUTTONSW, list.size(), reinterpret_cast<LPARAM>(list.data()));
    SendMessage(TB_AUTOSIZE);
    return true;
}

SIZE CToolBar::ButtonSize() const
{
    DWORD size = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
    return SIZE{LOWORD(size), HIWORD(size)};
}

int CToolBar::ButtonWidth(int index) const
{
    RECT rc = {};
    SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc));
    return rc.right - rc.left;
}

int CToolBar::CalcHeight(int) const
{
    return ButtonSize().cy + 4;
}

bool CReBar::Create(CFrameWnd* frame, DWORD rebarStyle, DWORD style, UINT id)
{
    m_barStyle = style & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    if (!m_barStyle)
        m_barStyle = CBRS_TOP;
    DWORD windowStyle = (style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)) | WS_CHILD |
                        rebarStyle | CCS_NOPARENTALIGN | CCS_NODIVIDER | CCS_NORESIZE | RBS_VARHEIGHT;
    if (!CreateControl(0, REBARCLASSNAMEW, L"", windowStyle, RECT{0, 0, 0, 0}, frame->m_hWnd, id))
        return false;
    frame->AddControlBar(this);
    return true;
}

bool CReBar::AddBar(CControlBar* bar, UINT bandStyle)
{
    REBARBANDINFOW band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID;
    band.fStyle = bandStyle;
    band.hwndChild = bar->m_hWnd;
    band.wID = bar->BarId();
    band.cyMinChild = bar->CalcHeight(0);
    band.cxMinChild = 0;
    bar->m_inRebar = true;
    return SendMessage(RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

int CReBar::CalcHeight(int) const
{
    return static_cast<int>(SendMessage(RB_GETBARHEIGHT));
}
