#include "app/error_box.h"

#include "app/main_window.h"
#include "utility/text_conversion.h"

#include <deque>
#include <utility>

namespace {

std::deque<std::string> queued_errors;
bool error_box_open = false;

// A box opened now would be closed at once by the quit message that is on its way.
bool quit_pending()
{
    MSG quit;
    return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

} // namespace

HWND box_owner()
{
    return main_window != nullptr ? main_window->handle() : nullptr;
}

// Paths and German texts are UTF-8: the box is given UTF-16.
void show_error(const std::string& text)
{
    MessageBoxW(box_owner(), kite_utility::filesystem::to_utf16(text).c_str(), L"Error", error_box_style);
}

void queue_error(std::string text)
{
    queued_errors.push_back(std::move(text));
}

void show_queued_errors()
{
    if (error_box_open)
        return;
    error_box_open = true;
    while (!queued_errors.empty() && !quit_pending()) {
        const std::string text = std::move(queued_errors.front());
        queued_errors.pop_front();
        show_error(text);
    }
    error_box_open = false;
}

std::vector<std::string> take_queued_errors()
{
    std::vector<std::string> taken(std::make_move_iterator(queued_errors.begin()),
                                   std::make_move_iterator(queued_errors.end()));
    queued_errors.clear();
    return taken;
}

void show_errors_together(const std::vector<std::string>& texts)
{
    if (texts.empty())
        return;
    std::string joined;
    for (const std::string& text : texts)
        joined += (joined.empty() ? "" : "\n\n") + text;
    show_error(joined);
}
