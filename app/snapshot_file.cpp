#include "app/snapshot_file.h"

#include "app/imaging.h"
#include "app/output_folder.h"
#include "app/temporary_file.h"
#include "toolkit/com.h"
#include "utility/file_facts.h"
#include "utility/text_conversion.h"
#include "utility/unique_resource.h"

#include <exception>
#include <new>

namespace {

using kite_utility::filesystem::to_utf16;
using kite_utility::filesystem::to_utf8;

// The failure of one step, with the path the user would look for.
struct write_failure {
    std::string path;
    HRESULT result;
};

[[noreturn]] void fail(const std::string& path, HRESULT result)
{
    throw write_failure{path, FAILED(result) ? result : E_FAIL};
}

struct global_memory_traits {
    using handle = HGLOBAL;
    static handle empty() { return nullptr; }
    static bool valid(handle h) { return h != nullptr; }
    static void release(handle h) { GlobalUnlock(h); }
};
// A locked memory block of a stream; unlocked again when it goes.
using locked_memory = kite_utility::unique_resource<global_memory_traits>;

// The PNG in memory: the file is written with one call, from the temporary file's own handle.
kite_com::com_ptr<IStream> encode_png(imaging_factory& factory, HBITMAP pixels, HRESULT& failure)
{
    kite_com::com_ptr<IStream> stream;
    wic_image image(factory);
    if (!image.assign_bitmap(pixels)) {
        failure = FAILED(image.result) ? image.result : E_FAIL;
        return stream;
    }
    failure = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (SUCCEEDED(failure) && !image.save(stream.get(), image_format::png))
        failure = image.result;
    if (FAILED(failure))
        stream.reset();
    return stream;
}

HRESULT write_stream(temporary_file& file, IStream* stream)
{
    STATSTG facts{};
    HGLOBAL memory = nullptr;
    HRESULT result = stream->Stat(&facts, STATFLAG_NONAME);
    if (SUCCEEDED(result))
        result = GetHGlobalFromStream(stream, &memory);
    if (FAILED(result))
        return result;
    const void* bytes = GlobalLock(memory);
    if (bytes == nullptr)
        return E_OUTOFMEMORY;
    const locked_memory unlock_later(memory);
    return file.write_all(bytes, static_cast<std::size_t>(facts.cbSize.QuadPart));
}

} // namespace

namespace snapshot_file_detail {
void (*before_writing)() = nullptr;
} // namespace snapshot_file_detail

std::string not_taken_text(HRESULT failure)
{
    return "Snapshot nicht aufgenommen: " + kite_com::describe_failure(failure);
}

std::string not_saved_text(const std::string& path, HRESULT failure)
{
    return "Snapshot nicht gespeichert: " + path + "\n" + kite_com::describe_failure(failure);
}

std::string no_thumbnail_text(const std::string& path, HRESULT failure)
{
    return "Snapshot gespeichert: " + path + "\nDie Vorschau kann nicht gezeigt werden: " +
           kite_com::describe_failure(failure);
}

snapshot_file_writer::snapshot_file_writer()
    : snapshot_file_writer([](const std::wstring& path, std::int32_t width, std::int32_t height, HRESULT& failure) {
          return read_thumbnail(path, width, height, failure);
      })
{
}

snapshot_file_writer::snapshot_file_writer(thumbnail_reader reader, publisher publish)
    : reader_(std::move(reader)), publish_(std::move(publish))
{
}

snapshot_file_writer::~snapshot_file_writer() = default;

finished_snapshot snapshot_file_writer::write(released_snapshot& snapshot, bool thumbnail)
{
    finished_snapshot done;
    try {
        write_file(snapshot, done);
    } catch (const write_failure& failure) {
        done.error = not_saved_text(failure.path, failure.result);
    } catch (const std::bad_alloc&) {
        done.error = not_saved_text(intended_target_folder(snapshot.subfolder), E_OUTOFMEMORY);
    } catch (const std::exception&) {
        done.error = not_saved_text(intended_target_folder(snapshot.subfolder), E_UNEXPECTED);
    }
    snapshot.pixels.reset();
    if (thumbnail && !done.path.empty())
        read_back(snapshot, done);
    return done;
}

imaging_factory& snapshot_file_writer::factory()
{
    if (!factory_)
        factory_ = std::make_unique<imaging_factory>();
    return *factory_;
}

// Resolving the folder from the shell costs more than a look at the disk; the folder is made again as
// soon as it is missing. What Pictors ended by force left in a folder goes the first time it is used.
std::string snapshot_file_writer::folder_for(const std::string& subfolder)
{
    if (folder_.empty() || subfolder != subfolder_ || !kite_utility::filesystem::is_directory(folder_)) {
        folder_ = target_folder(subfolder);
        subfolder_ = subfolder;
        if (!folder_.empty())
            remove_leftover_temporaries(folder_);
    }
    return folder_;
}

void snapshot_file_writer::write_file(released_snapshot& snapshot, finished_snapshot& done)
{
    if (!snapshot.refusal.empty()) {
        done.error = snapshot.refusal;
        return;
    }
    if (FAILED(snapshot.capture_failure) || !snapshot.pixels) {
        done.error = not_taken_text(FAILED(snapshot.capture_failure) ? snapshot.capture_failure : E_FAIL);
        return;
    }
    if (snapshot_file_detail::before_writing != nullptr)
        snapshot_file_detail::before_writing();
    const std::string folder = folder_for(snapshot.subfolder);
    const std::string wanted = join_path(folder.empty() ? intended_target_folder(snapshot.subfolder) : folder,
                                         snapshot_file_name_at(snapshot.time));
    if (folder.empty())
        fail(wanted, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));

    HRESULT result = S_OK;
    const kite_com::com_ptr<IStream> png = encode_png(factory(), snapshot.pixels.get(), result);
    if (!png)
        fail(wanted, result);
    // The picture is in the PNG now: the screen's pixels need not wait any longer.
    snapshot.pixels.reset();

    temporary_file file(folder, result);
    if (!file.is_open())
        fail(wanted, result);
    result = write_stream(file, png.get());
    if (FAILED(result))
        fail(wanted, result);
    long failure = S_OK;
    try {
        publish_([&file](const std::string& path) { return file.rename_to(path); }, folder, snapshot.time, failure);
    } catch (const std::exception&) {
        // Out of memory copying the name, say: once renamed, the file stays and is reported as saved.
        if (!file.published())
            throw;
    }
    if (!file.published())
        fail(wanted, failure);
    done.path = file.take_path();
}

// The file is written whatever happens here: a failure only costs the thumbnail, and the user is told so.
void snapshot_file_writer::read_back(const released_snapshot& snapshot, finished_snapshot& done) noexcept
{
    HRESULT failure = S_OK;
    try {
        done.thumbnail = reader_(to_utf16(done.path), snapshot.box_width, snapshot.box_height, failure);
    } catch (const std::bad_alloc&) {
        failure = E_OUTOFMEMORY;
    } catch (const std::exception&) {
        failure = E_UNEXPECTED;
    }
    if (SUCCEEDED(failure))
        return;
    try {
        done.error = no_thumbnail_text(done.path, failure);
    } catch (const std::exception&) {
        // Without memory for the text the snapshot is still reported saved, only its thumbnail is missing.
    }
}

kite::unique_bitmap read_thumbnail(const std::wstring& path, std::int32_t box_width, std::int32_t box_height,
                                   HRESULT& failure)
{
    namespace fs = kite_utility::filesystem;
    failure = S_OK;
    fs::find_file_information_t facts{};
    if (!fs::file_information(to_utf8(path), facts) || (facts.flags & fs::file_flag) == 0)
        return kite::unique_bitmap();
    try {
        imaging_factory factory;
        wic_image image(factory);
        const bool fitted = box_width >= 1 && box_height >= 1;
        if (!image.load(path) || (fitted && !image.fit(box_width, box_height))) {
            failure = FAILED(image.result) ? image.result : E_FAIL;
            return kite::unique_bitmap();
        }
        kite::unique_bitmap bitmap = image.make_dib();
        if (!bitmap)
            failure = FAILED(image.result) ? image.result : E_FAIL;
        return bitmap;
    } catch (const std::bad_alloc&) {
        failure = E_OUTOFMEMORY;
    } catch (const std::exception&) {
        failure = E_FAIL;
    }
    return kite::unique_bitmap();
}

kite::unique_bitmap read_thumbnail(const std::wstring& path, std::int32_t box_width, std::int32_t box_height)
{
    HRESULT failure = S_OK;
    kite::unique_bitmap bitmap = read_thumbnail(path, box_width, box_height, failure);
    if (FAILED(failure))
        throw kite_com::hresult_error(failure);
    return bitmap;
}
