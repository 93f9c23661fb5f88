#include "app/snapshot_file.h"

#include "app/imaging.h"
#include "app/output_folder.h"
#include "toolkit/com.h"
#include "utility/file_facts.h"
#include "utility/text_conversion.h"

#include <exception>

namespace {

using kite_utility::filesystem::to_utf16;
using kite_utility::filesystem::to_utf8;

std::string error_text(HRESULT result)
{
    return kite_com::hresult_error(result).what();
}

} // namespace

snapshot_file_writer::snapshot_file_writer() = default;
snapshot_file_writer::~snapshot_file_writer() = default;

finished_snapshot snapshot_file_writer::write(released_snapshot& snapshot)
{
    finished_snapshot done;
    try {
        write_and_read_back(snapshot, done);
    } catch (const std::exception& error) {
        done.error = error.what();
    } catch (...) {
        done.error = error_text(E_UNEXPECTED);
    }
    return done;
}

imaging_factory& snapshot_file_writer::factory()
{
    if (!factory_)
        factory_ = std::make_unique<imaging_factory>();
    return *factory_;
}

// Resolving the folder from the shell costs more than a look at the disk; the folder is made again as
// soon as it is missing.
std::string snapshot_file_writer::folder_for(const std::string& subfolder)
{
    if (folder_.empty() || subfolder != subfolder_ || !kite_utility::filesystem::is_directory(folder_)) {
        folder_ = target_folder(subfolder);
        subfolder_ = subfolder;
    }
    return folder_;
}

// The PNG under a temporary name in the folder; answers that name, or empty with the text of the failure.
std::string snapshot_file_writer::write_temporary(const released_snapshot& snapshot, const std::string& folder,
                                                  std::string& error)
{
    wic_image image(factory());
    if (!image.assign_bitmap(snapshot.pixels.get())) {
        error = error_text(FAILED(image.result) ? image.result : E_FAIL);
        return std::string();
    }
    const std::string temporary = temporary_snapshot_path(folder);
    // The temporary name has no image extension: the container is named.
    if (!image.save(to_utf16(temporary), image_format::png)) {
        error = error_text(image.result);
        DeleteFileW(to_utf16(temporary).c_str());
        return std::string();
    }
    return temporary;
}

void snapshot_file_writer::write_and_read_back(released_snapshot& snapshot, finished_snapshot& done)
{
    const std::string folder = folder_for(snapshot.subfolder);
    // A rectangle without area: the folder is made, as for any snapshot, and nothing is written.
    if (!snapshot.pixels)
        return;
    if (folder.empty()) {
        done.error = error_text(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        return;
    }
    const std::string temporary = write_temporary(snapshot, folder, done.error);
    snapshot.pixels.reset();
    if (temporary.empty())
        return;
    long failure = S_OK;
    done.path = publish_snapshot_file(temporary, folder, snapshot.time, failure);
    if (done.path.empty()) {
        DeleteFileW(to_utf16(temporary).c_str());
        done.error = error_text(failure);
        return;
    }
    done.thumbnail = read_thumbnail(to_utf16(done.path), snapshot.box_width, snapshot.box_height);
}

kite::unique_bitmap read_thumbnail(const std::wstring& path, std::int32_t box_width, std::int32_t box_height)
{
    namespace fs = kite_utility::filesystem;
    fs::find_file_information_t facts{};
    if (!fs::file_information(to_utf8(path), facts) || (facts.flags & fs::file_flag) == 0)
        return kite::unique_bitmap();
    imaging_factory factory;
    wic_image image(factory);
    const bool fitted = box_width >= 1 && box_height >= 1;
    if (!image.load(path) || (fitted && !image.fit(box_width, box_height)))
        throw kite_com::hresult_error(image.result);
    kite::unique_bitmap bitmap = image.make_dib();
    if (!bitmap)
        throw kite_com::hresult_error(FAILED(image.result) ? image.result : E_FAIL);
    return bitmap;
}
