#pragma once

#include <windows.h>

#include "toolkit/native_handles.h"

namespace kite {

// The system's message-box font at the DPI of parent's monitor, owned by the caller; empty for a null
// window or when the metrics cannot be read. Every control makes its own: fonts are never shared.
unique_font create_font(HWND parent);

} // namespace kite
