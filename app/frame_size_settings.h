#pragma once

#include <cstdint>
#include <string>

namespace kite {
class basic_message_control;
}

class my_window;

// The size edits, "512x512", "Zurücksetzen" and the subfolder edit. my_window::apply_frame_size, the size
// edits' change handler, lives beside these.

inline constexpr std::int32_t minimum_frame_size = 32;
inline constexpr const char* default_frame_size_text = "512";

// The number a size text starts with, read as wcstol reads base 10 (leading white space, one sign),
// saturated to the 32-bit limits; 0 when the text has no digits.
std::int32_t parse_frame_size(const std::wstring& text);

// The value raised to the minimum, or else cut to maximum. A maximum below the minimum means the work area
// could not be read: no upper bound is applied then, rather than a frame of no size.
std::int32_t bound_frame_size(std::int32_t value, std::int32_t maximum);

// Focus-lost handler of the size edits: the edit shows the size in force, without running the change
// handler again.
void show_frame_size(my_window& window, kite::basic_message_control* edit);

// Click handler of "512x512": both edits show 512 and their change handlers apply it.
void set_default_frame_size(my_window& window);

// Click handler of "Zurücksetzen": the default size and an empty subfolder.
void reset_settings(my_window& window);

// Change handler of the subfolder edit: replaces what a folder name may not hold as the user types.
void fix_subfolder_text(kite::basic_message_control* edit);

// Whether the UTF-8 subfolder text holds a character that fix_subfolder_text replaces; the two
// separators don't count.
bool subfolder_needs_clean_up(const std::string& text);
