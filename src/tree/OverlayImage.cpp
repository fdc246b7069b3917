// Overlay images.
#include "tree/OverlayImage.h"

#include "app/framework/DpiImages.h"

#include "resource.h"

COverlayImage::COverlayImage(UINT dpi) : m_images(LoadImageStrip(IDB_TREE_OVERLAYS, SIZE{16, 15}, dpi, 2)) {}

COverlayImage::~COverlayImage()
{
    if (m_images)
        ImageList_Destroy(m_images);
}

void COverlayImage::AttachOverlays(HIMAGELIST target)
{
    m_target = target;
    for (int i = 0; i < 3; ++i)
        SetOverlayFrom(i, i + 1);
}

void COverlayImage::SetOverlay(int n)
{
    if (n >= 1 && n <= 4)
        SetOverlayFrom(n - 1, n);
}

void COverlayImage::SetOverlayFrom(int index, int overlay)
{
    if (!m_images || !m_target || index < 0 || index >= ImageList_GetImageCount(m_images))
        return;
    HICON icon = ImageList_GetIcon(m_images, index, ILD_NORMAL);
    if (!icon)
        return;
    int added = ImageList_ReplaceIcon(m_target, -1, icon);
    if (added >= 0)
        ImageList_SetOverlayImage(m_target, added, overlay);
    DestroyIcon(icon);
}
