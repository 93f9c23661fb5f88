#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace test_support {

// <Pictures>\Pictor of the running Wine prefix (UTF-16, no trailing backslash).
std::wstring snapshot_folder();

// Names of the .png files directly in a folder.
std::set<std::wstring> png_files(const std::wstring& folder);

// Waits until the folder holds count files that were not in before; answers the new names.
std::vector<std::wstring> wait_for_new_files(const std::wstring& folder, const std::set<std::wstring>& before,
                                             std::size_t count, unsigned timeout_ms);

// An image file's pixels, top-down rows, each pixel 0xAARRGGBB.
struct image_pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
    std::uint32_t at(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
};
bool read_image(const std::wstring& path, image_pixels& pixels);

// Whether a name reads YYYY-MM-DD_HH-MM-SS.png, with #n before .png when counter is true.
bool is_snapshot_name(const std::wstring& name, bool counter);

// The order snapshot names were given in: by second, then by counter (the plain name first).
bool named_earlier(const std::wstring& first, const std::wstring& second);

// Whether the file starts with the PNG signature.
bool has_png_signature(const std::wstring& path);

// How many pixels of the image differ from the pattern window's at (left, top); pure green ones are also
// counted into green when given.
int pattern_mismatches(const image_pixels& image, int left, int top, int* green = nullptr);

} // namespace test_support
