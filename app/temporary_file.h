#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

#include "utility/file_facts.h"
#include "utility/not_copyable.h"

// The file a snapshot is written to before it has its name. It is created new, never opened over an
// existing file, under a name no other writer shares, and it stays open, without leave for anyone else to
// write, rename or delete it, until it is published or gone. Unless it was published, it is deleted when
// this object goes; once published, nothing here can delete it.
class temporary_file : public kite_utility::not_copyable {
public:
    // Answers one candidate name (no folder) each call.
    using name_source = std::function<std::string()>;
    // Puts what went through a handle, data and names, on the disk; whether it worked.
    using flush_function = bool (*)(HANDLE handle) noexcept;

    // Creates the file in folder, passing over names that exist already. Whether it worked: is_open, and
    // failure (an HRESULT) tells why not. Tests may watch the flushes through flush.
    temporary_file(const std::string& folder, HRESULT& failure, const name_source& names = unique_temporary_name,
                   flush_function flush = flush_to_disk);
    ~temporary_file();

    bool is_open() const { return static_cast<bool>(file_); }
    const std::string& path() const { return path_; }

    // Writes all the bytes, then waits until the disk holds them: a name given after this never points
    // at content a power loss could take back.
    HRESULT write_all(const void* data, std::size_t size);

    // Renames the open file without replacing anything: 0, or the Win32 error (ERROR_ALREADY_EXISTS when
    // the name is taken). Once renamed the file is published, and the new name is flushed to the disk
    // before this returns. Nothing after the rename throws.
    unsigned long rename_to(std::string path);

    // Whether the file has its final name: it then keeps it when this object goes.
    bool published() const noexcept { return published_; }

    // The path, handed over without a copy; path() is empty after.
    std::string take_path() noexcept { return std::move(path_); }

    // "~Pictor-" and 11 hexadecimal digits of a random GUID, ".tmp": no longer than a snapshot's name, so a
    // folder that takes the snapshot takes its temporary file too, and an extension no snapshot has.
    static std::string unique_temporary_name();

    static bool flush_to_disk(HANDLE handle) noexcept;

private:
    void publish(std::string& path) noexcept;
    void make_name_durable(const std::wstring& folder) const noexcept;

    kite_utility::filesystem::unique_file_handle file_;
    std::string path_;
    flush_function flush_;
    bool published_ = false;
};

// Deletes what Pictors ended by force left behind in folder: temporary files last written more than ten
// minutes ago. A file another Pictor still writes is fresh, and open, and is left alone either way, also on
// a share that ignores share modes.
void remove_leftover_temporaries(const std::string& folder);
