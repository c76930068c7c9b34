#include "app/DrawingSurface.h"

#include "app/ScopedWin.h"

DrawingSurface::~DrawingSurface() {
    // The bitmap is still selected into the DC: deleting the DC first frees it for deletion.
    if (memoryDc) DeleteDC(memoryDc);
    if (bitmap) DeleteObject(bitmap);
}

SurfacePtr createSurface(HWND window, std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel) {
    if (width <= 0 || height <= 0 || (bitsPerPixel != 8 && bitsPerPixel != 24)) return nullptr;
    const std::int64_t pitch = (static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    if (pitch * height > 0x7FFFFFFF) return nullptr;

    auto surface = std::make_unique<DrawingSurface>();
    const std::size_t colours = bitsPerPixel <= 8 ? (std::size_t(1) << bitsPerPixel) : 0;
    surface->headerBlock.assign(sizeof(BITMAPINFOHEADER) + 4 * colours, 0);
    auto* info = reinterpret_cast<BITMAPINFO*>(surface->headerBlock.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = -height;  // top-down
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(pitch * height);
    if (colours) {
        // A grey ramp rather than whatever memory held: an indexed surface shows something sane.
        for (std::size_t i = 0; i < colours; ++i) {
            auto v = static_cast<BYTE>(i * 255 / (colours - 1));
            info->bmiColors[i] = RGBQUAD{v, v, v, 0};
        }
    }
    surface->width = width;
    surface->height = height;
    surface->bitsPerPixel = bitsPerPixel;
    surface->pitch = static_cast<std::int32_t>(pitch);

    ScopedGetDC windowDc(window);
    void* bits = nullptr;
    surface->bitmap = CreateDIBSection(windowDc.get(), info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!surface->bitmap || !bits) return nullptr;
    surface->pixels = static_cast<std::uint8_t*>(bits);
    surface->memoryDc = CreateCompatibleDC(windowDc.get());
    if (!surface->memoryDc) return nullptr;
    SelectObject(surface->memoryDc, surface->bitmap);
    return surface;
}

void freeSurface(SurfacePtr& surface) { surface.reset(); }
