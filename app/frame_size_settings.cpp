#include "app/frame_size_settings.h"

#include "app/frame_window.h"
#include "app/input_hooks.h"
#include "app/main_window.h"
#include "app/output_folder.h"
#include "toolkit/edit.h"
#include "utility/text_conversion.h"

#include <cstdlib>
#include <string_view>

namespace {

using kite_utility::filesystem::to_utf16;
using kite_utility::filesystem::to_utf8;

// Measured once per run, at the first size change: a task bar moved later doesn't change the bounds.
const screen_rect& frame_size_maxima()
{
    static const screen_rect maxima = work_area_size();
    return maxima;
}

// Sets the text without running the edit's change handler.
void set_quietly(kite::edit* edit, const std::wstring& text)
{
    if (edit != nullptr)
        edit->set_text(text, false);
}

void set_loudly(kite::edit* edit, const std::wstring& text)
{
    if (edit != nullptr)
        edit->set_text(text, true);
}

} // namespace

std::int32_t parse_frame_size(const std::wstring& text)
{
    // wcstol saturates at the limits of long, which are the 32-bit limits on Windows.
    static_assert(sizeof(long) == sizeof(std::int32_t), "long is not 32 bits wide");
    return static_cast<std::int32_t>(std::wcstol(text.c_str(), nullptr, 10));
}

std::int32_t bound_frame_size(std::int32_t value, std::int32_t maximum)
{
    if (value < minimum_frame_size)
        return minimum_frame_size;
    if (maximum >= minimum_frame_size && value > maximum)
        return maximum;
    return value;
}

void my_window::apply_frame_size(kite::basic_message_control* control)
{
    const screen_rect& maxima = frame_size_maxima();
    auto* changed = dynamic_cast<kite::edit*>(control);
    if (changed == nullptr)
        return;
    // The text stays as typed; the bounded value shows once the edit loses the focus.
    if (changed == width_edit)
        frame_width = bound_frame_size(parse_frame_size(changed->get_text()), maxima.width);
    else if (changed == height_edit)
        frame_height = bound_frame_size(parse_frame_size(changed->get_text()), maxima.height);
    // A W released from now on takes the new size, wherever the frame is.
    hook_relay.set_frame_size(frame_width, frame_height);
    // Re-centred on the pointer with the new ring; without a pointer position the size waits for the next
    // change.
    POINT cursor{};
    if (GetCursorPos(&cursor))
        place_frame(cursor.x - frame_width / 2, cursor.y - frame_height / 2, false);
}

void show_frame_size(my_window& window, kite::basic_message_control* edit)
{
    if (edit == nullptr)
        return;
    if (edit == window.width_edit)
        set_quietly(window.width_edit, std::to_wstring(window.frame_width));
    else if (edit == window.height_edit)
        set_quietly(window.height_edit, std::to_wstring(window.frame_height));
}

void set_default_frame_size(my_window& window)
{
    if (window.width_edit == nullptr || window.height_edit == nullptr)
        return;
    const std::wstring text = to_utf16(default_frame_size_text);
    set_loudly(window.width_edit, text);
    set_loudly(window.height_edit, text);
}

void reset_settings(my_window& window)
{
    set_default_frame_size(window);
    set_quietly(window.subfolder_edit, std::wstring());
}

bool subfolder_needs_clean_up(const std::string& text)
{
    // Bytes of multi-byte UTF-8 sequences are all above 0x7F, so letters outside ASCII never match.
    constexpr std::string_view replaced = "<>:\"|?*";
    return text.find_first_of(replaced.data(), 0, replaced.size()) != std::string::npos;
}

void fix_subfolder_text(kite::basic_message_control* control)
{
    auto* edit = dynamic_cast<kite::edit*>(control);
    if (edit == nullptr || edit->handle() == nullptr)
        return;
    const std::wstring text = edit->get_text();
    if (text.empty())
        return;
    const std::string utf8 = to_utf8(text);
    // A text with separators only stays as typed, '/' included.
    if (!subfolder_needs_clean_up(utf8))
        return;
    // Loudly: this handler runs once more inside, finds nothing left to clean and stops.
    edit->set_text(to_utf16(sanitize_subfolder(utf8)), true);
    // Setting the text put the caret at the start; the user goes on typing at the end.
    SendMessageW(edit->handle(), EM_SETSEL, 0, -1);
    SendMessageW(edit->handle(), EM_SETSEL, static_cast<WPARAM>(-1), 0);
}
