#include "app/shutdown_block.h"

#include "utility/text_conversion.h"

void shutdown_block::hold(HWND window)
{
    if (held() || window == nullptr)
        return;
    // Wine has no such reason: its answer is not what counts, Pictor's request is.
    ShutdownBlockReasonCreate(window, kite_utility::filesystem::to_utf16(shutdown_block_text).c_str());
    window_ = window;
}

void shutdown_block::release()
{
    if (!held())
        return;
    // A window already destroyed took its reason with it.
    if (IsWindow(window_))
        ShutdownBlockReasonDestroy(window_);
    window_ = nullptr;
}
