#include "toolkit/dib_section.h"

namespace kite {

unique_bitmap top_down_dib(std::int32_t width, std::int32_t height, std::uint32_t*& pixels)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    unique_bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels = bitmap ? static_cast<std::uint32_t*>(bits) : nullptr;
    if (pixels == nullptr)
        bitmap.reset();
    return bitmap;
}

} // namespace kite
