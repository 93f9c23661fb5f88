#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/native_handles.h"

namespace test_support {

// A top-down 32-bit DIB section of width x height; pixels points at its rows (B, G, R, X), null on failure.
inline kite::unique_bitmap top_down_dib(int width, int height, std::uint32_t*& pixels)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    kite::unique_bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels = bitmap ? static_cast<std::uint32_t*>(bits) : nullptr;
    return bitmap;
}

} // namespace test_support
