// Tells which system icon a window shows, by comparing its pixels on the screen with each system icon.
#include "tests/setup/win32/IconMatch.h"

#include <vector>

namespace {

// Pixels of the screen area that differ from the icon drawn over the area's background colour.
long iconDifference(HDC screen, const RECT& area, HICON icon) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const DWORD* pixels = static_cast<const DWORD*>(bits);

    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const std::vector<DWORD> shown(pixels, pixels + width * height);
    // The corner of an icon is transparent, so it shows the background.
    HBRUSH background = CreateSolidBrush(GetPixel(memory, 0, 0));
    RECT whole = {0, 0, width, height};
    FillRect(memory, &whole, background);
    DeleteObject(background);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    long difference = 0;
    for (int i = 0; i < width * height; ++i) {
        if ((shown[i] & 0xFFFFFF) != (pixels[i] & 0xFFFFFF)) {
            ++difference;
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return difference;
}

} // namespace

const char* systemIconShownBy(HWND iconControl) {
    RECT area = {};
    GetWindowRect(iconControl, &area);
    const struct {
        const char* name;
        LPCSTR id;
    } candidates[] = {{"error", IDI_HAND},
                      {"warning", IDI_EXCLAMATION},
                      {"information", IDI_ASTERISK},
                      {"question", IDI_QUESTION}};
    HDC screen = GetDC(nullptr);
    const char* best = "unknown";
    long bestDifference = -1;
    for (const auto& candidate : candidates) {
        const long difference = iconDifference(screen, area, LoadIconA(nullptr, candidate.id));
        if (bestDifference < 0 || difference < bestDifference) {
            bestDifference = difference;
            best = candidate.name;
        }
    }
    ReleaseDC(nullptr, screen);
    // Closest is not enough: at most one pixel in twenty may differ.
    const long pixelCount = static_cast<long>(area.right - area.left) * (area.bottom - area.top);
    return bestDifference >= 0 && bestDifference * 20 <= pixelCount ? best : "unknown";
}
