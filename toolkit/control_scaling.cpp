#include "toolkit/control_scaling.h"

#include "toolkit/message_control.h"

namespace kite {

namespace {

int scaled(LONG value, float factor)
{
    return static_cast<int>(static_cast<float>(value) * factor);
}

// The window's rectangle relative to its parent's client area; its screen rectangle when that cannot be
// converted, and a zero rectangle when it cannot be read.
RECT rect_in_parent(HWND window)
{
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        return RECT{};
    POINT corner{rect.left, rect.top};
    if (ScreenToClient(GetParent(window), &corner))
        OffsetRect(&rect, corner.x - rect.left, corner.y - rect.top);
    return rect;
}

} // namespace

void scale_control(basic_control* control, float factor)
{
    const auto* windowed = dynamic_cast<const basic_message_control*>(control);
    if (windowed == nullptr || windowed->handle() == nullptr)
        return;
    const HWND window = windowed->handle();
    const RECT rect = rect_in_parent(window);
    SetWindowPos(window, nullptr, scaled(rect.left, factor), scaled(rect.top, factor),
                 scaled(rect.right - rect.left, factor), scaled(rect.bottom - rect.top, factor),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace kite
