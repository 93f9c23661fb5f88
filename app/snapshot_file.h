#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "app/output_folder.h"
#include "toolkit/native_handles.h"

// What the key release hands on: everything the file and the thumbnail need, read at the release.
struct released_snapshot {
    std::uint64_t sequence = 0;  // the release's place among all, given by the writer
    std::time_t time = 0;        // the release's second, which names the file
    std::string subfolder;       // the subfolder text (UTF-8) as it stood at the release
    kite::unique_bitmap pixels;  // the screen's pixels of the frame
    std::int64_t pixel_bytes = 0;
    std::int32_t box_width = 0;  // the preview's client area the thumbnail is fitted into
    std::int32_t box_height = 0;
    // Why there are no pixels: the release was refused (a text for the user) or the screen could not be
    // copied (an HRESULT, described when the user is told, not in the key's hook).
    std::string refusal;
    HRESULT capture_failure = S_OK;
};

// What a written snapshot gives back to the main window.
struct finished_snapshot {
    std::uint64_t sequence = 0;    // the release's, as the writer gave it
    std::string path;              // the snapshot file; empty when nothing was written
    kite::unique_bitmap thumbnail; // the file read back and fitted; none when not asked for or failed
    std::string error;             // the "Error" box's text; empty when everything worked
};

// Texts of the "Error" box for one snapshot: what failed, the full path, the system's reason and code.
std::string not_taken_text(HRESULT failure);
std::string not_saved_text(const std::string& path, HRESULT failure);
std::string no_thumbnail_text(const std::string& path, HRESULT failure);

class imaging_factory;

// Writes released snapshots, one after the other, on the one thread that owns it. What one snapshot needs
// and the next can use again is kept: the imaging factory, and the last target folder, which is only
// looked for again on the disk as long as it is there.
class snapshot_file_writer {
public:
    // Reads a written file back for the preview: the bitmap, or none with the reason in failure.
    using thumbnail_reader = std::function<kite::unique_bitmap(const std::wstring& path, std::int32_t box_width,
                                                               std::int32_t box_height, HRESULT& failure)>;

    // Gives the written file its snapshot name (publish_snapshot_file).
    using publisher = std::function<std::string(const rename_function& rename, const std::string& folder,
                                                std::time_t release, long& failure)>;

    snapshot_file_writer();
    explicit snapshot_file_writer(thumbnail_reader reader, publisher publish = publish_snapshot_file);
    ~snapshot_file_writer();
    snapshot_file_writer(const snapshot_file_writer&) = delete;
    snapshot_file_writer& operator=(const snapshot_file_writer&) = delete;

    // Makes the folder, writes the pixels as PNG to a temporary file of its own, puts it on the disk and
    // gives the complete file the first free name of the release's second; then, if asked, reads it back
    // fitted into the preview box. Never throws: a failure comes back as its text, and no partial file is
    // left under a snapshot name. A file that has its name is reported saved, whatever fails after.
    finished_snapshot write(released_snapshot& snapshot, bool thumbnail);

private:
    void write_file(released_snapshot& snapshot, finished_snapshot& done);
    void read_back(const released_snapshot& snapshot, finished_snapshot& done) noexcept;
    std::string folder_for(const std::string& subfolder);
    imaging_factory& factory();

    std::unique_ptr<imaging_factory> factory_;
    thumbnail_reader reader_;
    publisher publish_;
    std::string subfolder_;
    std::string folder_;
};

// The image file read and, for a box of at least 1 x 1, fitted into it; no bitmap when there is no such
// file. Throws kite_com::hresult_error when the file cannot be read.
kite::unique_bitmap read_thumbnail(const std::wstring& path, std::int32_t box_width, std::int32_t box_height);

// The same, with the reason of a failure in failure instead of an exception.
kite::unique_bitmap read_thumbnail(const std::wstring& path, std::int32_t box_width, std::int32_t box_height,
                                   HRESULT& failure);

namespace snapshot_file_detail {
// Runs before each snapshot's folder is looked for, when set: test builds of the program slow the disk down
// here.
extern void (*before_writing)();
} // namespace snapshot_file_detail
