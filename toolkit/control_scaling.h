#pragma once

#include "toolkit/control.h"

namespace kite {

// Multiplies the control's position in its parent's client area and its size by factor (the parent's
// DPI / 96), each product truncated toward zero. A control without a window stays as it is.
void scale_control(basic_control* control, float factor);

} // namespace kite
