#include "toolkit/fonts.h"

namespace kite {

// The size that includes iPaddedBorderWidth, the same in 32-bit and 64-bit processes.
static_assert(sizeof(NONCLIENTMETRICSW) == 504, "NONCLIENTMETRICSW without iPaddedBorderWidth");

unique_font create_font(HWND parent)
{
    if (parent == nullptr)
        return unique_font();
    const UINT dpi = GetDpiForWindow(parent);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))
        return unique_font();
    return unique_font(CreateFontIndirectW(&metrics.lfMessageFont));
}

} // namespace kite
