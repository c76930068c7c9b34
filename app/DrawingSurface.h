#pragma once
// Drawing Surface: a top-down DIB section selected into a memory DC, whose pixels the
// program writes directly and GDI blits from. The owner frees the DC before the bitmap.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

struct DrawingSurface {
    HBITMAP bitmap = nullptr;
    std::vector<std::uint8_t> headerBlock;   // BITMAPINFO: 40 bytes + room for the colour table
    HDC memoryDc = nullptr;
    std::uint8_t* pixels = nullptr;          // top row first; owned by the bitmap
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 0;
    std::int32_t pitch = 0;                  // bytes between rows (multiple of 4)

    DrawingSurface() = default;
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;
    ~DrawingSurface();

    std::size_t byteSize() const { return static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height); }
};

using SurfacePtr = std::unique_ptr<DrawingSurface>;

// Null when the size is not positive, the depth is not 8 or 24, or GDI cannot make the
// DIB section or the memory DC.
SurfacePtr createSurface(HWND window, std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel);
void freeSurface(SurfacePtr& surface);
