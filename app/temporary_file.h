#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

#include "utility/file_facts.h"
#include "utility/not_copyable.h"

// The file a snapshot is written to before it has its name. It is created new, never opened over an
// existing file, under a name no other process or machine shares, and it stays open, without leave for
// anyone else to write, rename or delete it, until it is published or gone. So another Pictor cleaning up
// leftovers in the same folder can never touch it. Unless it was published, it is deleted when this object
// goes.
class temporary_file : public kite_utility::not_copyable {
public:
    // Answers one candidate name (no folder) each call.
    using name_source = std::function<std::string()>;

    // Creates the file in folder, passing over names that exist already. Whether it worked: is_open, and
    // failure (an HRESULT) tells why not.
    temporary_file(const std::string& folder, HRESULT& failure, const name_source& names = unique_temporary_name);
    ~temporary_file();

    bool is_open() const { return static_cast<bool>(file_); }
    const std::string& path() const { return path_; }

    // Writes all the bytes, then waits until the disk holds them: a name given after this never points
    // at content a power loss could take back.
    HRESULT write_all(const void* data, std::size_t size);

    // Renames the open file without replacing anything: 0, or the Win32 error (ERROR_ALREADY_EXISTS when
    // the name is taken). The file is opened for writing through, so the rename is on the disk on return.
    unsigned long rename_to(const std::string& path);

    // The published file keeps its name when this object goes.
    void keep() { kept_ = true; }

    // "~Pictor-<random GUID>.tmp": the extension no snapshot has, so a leftover is never taken for one.
    static std::string unique_temporary_name();

private:
    kite_utility::filesystem::unique_file_handle file_;
    std::string path_;
    bool kept_ = false;
};

// Deletes what Pictors ended by force left behind in folder. A file another running Pictor still writes
// can't be deleted while it is open and is left alone.
void remove_leftover_temporaries(const std::string& folder);
