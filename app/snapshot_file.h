#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "toolkit/native_handles.h"

// What the key release hands on: everything the file and the thumbnail need, read at the release.
struct released_snapshot {
    std::time_t time = 0;        // the release's second, which names the file
    std::string subfolder;       // the subfolder text (UTF-8) as it stood at the release
    kite::unique_bitmap pixels;  // the screen's pixels of the frame; none when the rectangle was empty
    std::int64_t pixel_bytes = 0;
    std::int32_t box_width = 0;  // the preview's client area the thumbnail is fitted into
    std::int32_t box_height = 0;
};

// What a written snapshot gives back to the main window.
struct finished_snapshot {
    std::string path;              // the snapshot file; empty when nothing was written
    kite::unique_bitmap thumbnail; // the file read back and fitted; none when it is gone already
    std::string error;             // the "Error" box's text; empty when everything worked
};

class imaging_factory;

// Writes released snapshots, one after the other, on the one thread that owns it. What one snapshot needs
// and the next can use again is kept: the imaging factory, and the last target folder, which is only
// looked for again on the disk as long as it is there.
class snapshot_file_writer {
public:
    snapshot_file_writer();
    ~snapshot_file_writer();
    snapshot_file_writer(const snapshot_file_writer&) = delete;
    snapshot_file_writer& operator=(const snapshot_file_writer&) = delete;

    // Makes the folder, writes the pixels as PNG under a temporary name and gives the complete file the
    // first free name of the release's second, then reads it back fitted into the preview box. Never throws:
    // a failure comes back as its text, and no partial file is left under a snapshot name.
    finished_snapshot write(released_snapshot& snapshot);

private:
    void write_and_read_back(released_snapshot& snapshot, finished_snapshot& done);
    std::string folder_for(const std::string& subfolder);
    std::string write_temporary(const released_snapshot& snapshot, const std::string& folder, std::string& error);
    imaging_factory& factory();

    std::unique_ptr<imaging_factory> factory_;
    std::string subfolder_;
    std::string folder_;
};

// The image file read and, for a box of at least 1 x 1, fitted into it; no bitmap when there is no such
// file. Throws kite_com::hresult_error when the file cannot be read.
kite::unique_bitmap read_thumbnail(const std::wstring& path, std::int32_t box_width, std::int32_t box_height);
