#pragma once

#include <cstdint>
#include <string>

#include "app/shutdown_block.h"
#include "toolkit/window.h"

namespace kite {
class application;
class basic_message_control;
class edit;
class image;
class label;
} // namespace kite

class frame_window;
class snapshot_writer;
class target_folder_opener;

// The program's main window: the settings form, the preview and the state the hooks read.
class my_window : public kite::basic_window {
public:
    using kite::basic_window::basic_window;
    ~my_window() override;

    // Moves the frame to (x, y); unless keep_size, also resizes it to the frame size and rebuilds its ring.
    void place_frame(std::int32_t x, std::int32_t y, bool keep_size);

    // Text of the subfolder edit as UTF-8; empty without an edit.
    std::string subfolder_text() const;

    // Change handler of the size edits.
    void apply_frame_size(kite::basic_message_control* control);

    kite::image* preview = nullptr;
    kite::label* preview_caption = nullptr;
    kite::edit* width_edit = nullptr;
    kite::edit* height_edit = nullptr;
    kite::edit* subfolder_edit = nullptr;
    std::int32_t frame_width = 512;
    std::int32_t frame_height = 512;
    bool closing = false;
    frame_window* frame = nullptr;
    // Writes what W releases; owned by start-up, which lets it finish after the window has gone.
    snapshot_writer* writer = nullptr;
    // Opens the target folder for the preview's menu; owned by start-up.
    target_folder_opener* opener = nullptr;
    // The reason that keeps a log-off waiting for the snapshots, held while they wait.
    shutdown_block shutdown;
};

// The one main window; null before it exists and after the user has confirmed the quit.
extern my_window* main_window;

// Window names, also their class names.
inline constexpr const char* main_window_name = "Pictor.MainWindow";
inline constexpr const char* frame_window_name = "Pictor.FrameWindow";
inline constexpr int main_window_width = 225;
inline constexpr int main_window_height = 442;
