#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/native_handles.h"

namespace kite {

// A top-down 32-bit DIB section of width x height: rows from the top, each pixel B, G, R and a fourth byte.
// pixels points at the first row; it is null, and the bitmap empty, when the section cannot be made.
unique_bitmap top_down_dib(std::int32_t width, std::int32_t height, std::uint32_t*& pixels);

} // namespace kite
