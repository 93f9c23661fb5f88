#pragma once

#include <string>

#include "app/input_hooks.h"

namespace kite {
class image;
}

// Copies the screen rectangle (the frame hidden meanwhile) into the next free file of the target folder as
// PNG and shows the file in the main window's preview. Answers the file's path (UTF-8), empty when nothing
// could be written: no main window, no screen, no target folder or no free name.
std::string take_snapshot(const capture_rect& rect, const std::string& subfolder);

// Reads an image file into the preview control, fitted into its client area and drawn centred. A file
// that cannot be read shows the "Error" box; the control then keeps its picture. Answers whether the
// control now holds a picture.
bool load_image_file(kite::image& control, const std::wstring& path);
