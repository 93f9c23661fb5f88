#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "utility/file_facts.h"
#include "utility/not_copyable.h"

// What writing at the end of a session could not finish, kept for the user's next start: the one thing
// Pictor keeps between runs. The record lives in the user's local application data, one per user.

// A snapshot still waiting to be written when the session ends.
struct waiting_snapshot {
    std::uint64_t id = 0;     // unique among the snapshots of this process
    std::time_t release = 0;  // the release's second
    std::string path;         // where it was to go (UTF-8), as the user is told
};

// Where a snapshot of this subfolder and release second was to go, without a look at the disk: the
// intended target folder and the snapshot name of the release.
std::string intended_snapshot_path(const std::string& subfolder, std::time_t release);

// LocalAppData\Pictor\Abmeldung.log; empty when the shell can't resolve the folder.
std::string unsaved_snapshots_file();

// Lists the waiting snapshots when the drain begins, then strikes off each one written and adds the reason
// of each failure. Every change is appended and on the disk before the call returns, so a process ended by
// force at any moment leaves a true list. Never throws: a record that can't be kept is given up, and
// writing goes on without it. One thread at a time.
class unsaved_snapshots_record : public kite_utility::not_copyable {
public:
    // Failures the user was not shown yet (their "Error" texts) are kept as they are, before the waiting
    // snapshots. Nothing is made for none of either. Lists from earlier sessions in the file are kept.
    unsaved_snapshots_record(const std::string& file, const std::vector<waiting_snapshot>& waiting,
                             const std::vector<std::string>& unseen = {}) noexcept;
    explicit unsaved_snapshots_record(const std::vector<waiting_snapshot>& waiting,
                                      const std::vector<std::string>& unseen = {}) noexcept;

    bool is_open() const noexcept { return static_cast<bool>(file_); }

    void written(std::uint64_t id) noexcept;
    // failure_text is the writer's text for the user ("Snapshot nicht gespeichert: <path>", a line break,
    // the reason); what follows its first line is kept as the reason.
    void failed(std::uint64_t id, const std::string& failure_text) noexcept;

private:
    void append(const std::string& records) noexcept;

    kite_utility::filesystem::unique_file_handle file_;
    std::string writer_;  // tells this drain's records from those of other Pictors in the same file
};

// The "Error" texts, one per snapshot an earlier drain did not write, in the order they were listed; the
// file is removed once read. Nothing when there is no file, when a drain is still writing it, or when it
// can't be read; a file of garbage is removed. Never throws.
std::vector<std::string> take_unsaved_snapshot_texts(const std::string& file) noexcept;
std::vector<std::string> take_unsaved_snapshot_texts() noexcept;

// The reason given for a snapshot still listed when the process ended.
inline constexpr const char* ended_before_saved_text = "Pictor wurde beendet, bevor der Snapshot gespeichert war.";
