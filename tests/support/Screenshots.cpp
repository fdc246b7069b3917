// Window pictures as BMP files.
#include "support/Screenshots.h"

#include <vector>

namespace
{
// The artifacts folder as a path this process can open (Wine gives the
// Unix path of the variable as it stands).
std::wstring ArtifactsFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"ZORVANE_ARTIFACTS", buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::wstring folder(buffer, length);
    if (folder[0] == L'/')
    {
        folder.insert(0, L"Z:");
        for (wchar_t& c : folder)
            if (c == L'/')
                c = L'\\';
    }
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}
} // namespace

bool SaveWindowPicture(HWND window, const std::wstring& name)
{
    std::wstring folder = ArtifactsFolder();
    if (folder.empty() || !IsWindow(window))
        return false;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT rect = {};
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    std::vector<BYTE> pixels(stride * static_cast<DWORD>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE file =
        CreateFileW((folder + name + L".bmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    bool ok = WriteFile(file, &header, sizeof header, &done, nullptr) &&
              WriteFile(file, &info, sizeof info, &done, nullptr) &&
              WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &done, nullptr);
    CloseHandle(file);
    return ok;
}
