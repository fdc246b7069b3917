// COverlayImage: copies the three overlay marks (partially expanded, more
// siblings, both) into an image list and registers them as overlays 1 to 3.
#pragma once

#include <windows.h>
#include <commctrl.h>

class COverlayImage
{
  public:
    // The marks drawn for dpi (the size of the tree's images at that DPI).
    explicit COverlayImage(UINT dpi);
    virtual ~COverlayImage();
    COverlayImage(const COverlayImage&) = delete;
    COverlayImage& operator=(const COverlayImage&) = delete;

    void AttachOverlays(HIMAGELIST target);
    void SetOverlay(int n);

  private:
    void SetOverlayFrom(int index, int overlay);

    HIMAGELIST m_images = nullptr;
    HIMAGELIST m_target = nullptr;
};
