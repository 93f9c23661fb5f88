#include "app/unsaved_snapshots.h"

#include "app/output_folder.h"
#include "utility/text_conversion.h"

#include <windows.h>
#include <objbase.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <map>
#include <string_view>
#include <utility>

namespace fs = kite_utility::filesystem;

namespace {

// One record a line, its fields apart by tabs and closed by a last field "."; names and reasons escaped, so
// that neither a tab nor a line break in them can split a record:
//   waiting <writer> <id> <release> <path> .
//   written <writer> <id> .
//   failed  <writer> <id> <reason> .
//   unseen  <writer> <number> <text> .     a failure found before the drain, told as it is
// A line without its line break or its end field is torn, written when the process ended, and never read.
constexpr char record_file_name[] = "Abmeldung.log";
constexpr char program_folder_name[] = "Pictor";
constexpr char separator = '\t';
constexpr std::string_view waiting_kind = "waiting";
constexpr std::string_view written_kind = "written";
constexpr std::string_view failed_kind = "failed";
constexpr std::string_view unseen_kind = "unseen";
constexpr std::string_view end_field = ".";
// Beyond any list of waiting snapshots (the most that can wait, the smallest ones with the longest paths,
// take some 40 MB): a larger file is none of ours.
constexpr std::uint64_t largest_record = std::uint64_t{64} * 1024 * 1024;
// A starting Pictor holds the file only for the moment it takes to read it.
constexpr int open_tries = 5;
constexpr DWORD open_retry_ms = 20;

bool needs_escape(char c)
{
    return c == '%' || c == separator || c == '\n' || c == '\r';
}

std::string escaped(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (!needs_escape(c)) {
            result += c;
            continue;
        }
        char code[4];
        std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
        result += code;
    }
    return result;
}

bool unescape(std::string_view text, std::string& result)
{
    result.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size())
            return false;
        const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (error != std::errc() || end != text.data() + i + 3)
            return false;
        result += static_cast<char>(value);
        i += 2;
    }
    return true;
}

template <class Number>
bool parse_number(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The fields of a complete record without its end field; none for a torn one.
std::vector<std::string_view> split(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    if (fields.back() != end_field)
        return {};
    fields.pop_back();
    return fields;
}

std::string record(std::initializer_list<std::string_view> fields)
{
    std::string line;
    for (const std::string_view field : fields) {
        line += field;
        line += separator;
    }
    line += end_field;
    line += '\n';
    return line;
}

// 16 hexadecimal digits of a random GUID; without one, the process and the moment.
std::string writer_tag()
{
    GUID id{};
    std::uint64_t bits = 0;
    if (SUCCEEDED(CoCreateGuid(&id)))
        bits = std::uint64_t{id.Data1} << 32 | std::uint64_t{id.Data2} << 16 | id.Data3;
    else
        bits = std::uint64_t{GetCurrentProcessId()} << 32 ^ GetTickCount64();
    char text[17];
    std::snprintf(text, sizeof text, "%08lX%08lX", static_cast<unsigned long>(bits >> 32),
                  static_cast<unsigned long>(bits & 0xFFFFFFFFu));
    return text;
}

// The writer's text names the path on its first line and gives the reason after it; a text of one line
// is "what failed: why".
std::string reason_of(const std::string& failure_text)
{
    std::string reason = failure_text;
    const std::size_t line_break = reason.find('\n');
    const std::size_t colon = reason.find(": ");
    if (line_break != std::string::npos)
        reason.erase(0, line_break + 1);
    else if (colon != std::string::npos)
        reason.erase(0, colon + 2);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason.empty() ? "Unbekannter Fehler." : reason;
}

std::string local_time_text(std::time_t time)
{
    std::tm local{};
    char buffer[64];
    if (time < 0 || localtime_s(&local, &time) != 0)
        return std::string();
    return std::string(buffer, std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local));
}

// Only appending, never over what is there: other Pictors' lists in the same file stay whole, and several
// may append at once; a reader, who takes the file for itself, waits until they are done.
HANDLE open_for_appending(const std::string& file)
{
    const std::size_t separator_at = file.find_last_of("\\/");
    if (separator_at != std::string::npos)
        fs::create_directory(file.substr(0, separator_at));
    const std::wstring path = fs::to_utf16(file);
    for (int attempt = 1;; ++attempt) {
        const HANDLE handle = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION || attempt == open_tries)
            return handle;
        Sleep(open_retry_ms);
    }
}

struct listed_snapshot {
    std::string told;  // a failure's whole text, for one that was never waiting
    std::time_t release = 0;
    std::string path;
    std::string reason;  // empty while no failure was recorded
    bool written = false;
};

// The snapshots in the order they were listed; a line that does not read as a record is passed over.
class record_reader {
public:
    void read(std::string_view content)
    {
        for (std::size_t end = content.find('\n'); end != std::string_view::npos; end = content.find('\n')) {
            apply(split(content.substr(0, end)));
            content.remove_prefix(end + 1);
        }
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> result;
        for (const listed_snapshot& snapshot : listed_) {
            if (snapshot.written)
                continue;
            if (!snapshot.told.empty()) {
                result.push_back(snapshot.told);
                continue;
            }
            const std::string time = local_time_text(snapshot.release);
            result.push_back("Snapshot " + (time.empty() ? std::string() : "vom " + time + " ") +
                             "beim Abmelden nicht gespeichert: " + snapshot.path + "\n" +
                             (snapshot.reason.empty() ? std::string(ended_before_saved_text) : snapshot.reason));
        }
        return result;
    }

private:
    void apply(const std::vector<std::string_view>& fields)
    {
        std::uint64_t id = 0;
        if (fields.size() < 3 || !parse_number(fields[2], id))
            return;
        const std::pair<std::string, std::uint64_t> key(fields[1], id);
        if (fields[0] == unseen_kind && fields.size() == 4) {
            listed_snapshot failure;
            if (unescape(fields[3], failure.told) && !failure.told.empty())
                listed_.push_back(std::move(failure));
            return;
        }
        if (fields[0] == waiting_kind && fields.size() == 5) {
            listed_snapshot snapshot;
            long long release = 0;
            if (!parse_number(fields[3], release) || !unescape(fields[4], snapshot.path))
                return;
            snapshot.release = static_cast<std::time_t>(release);
            index_[key] = listed_.size();
            listed_.push_back(std::move(snapshot));
            return;
        }
        const auto found = index_.find(key);
        if (found == index_.end())
            return;
        listed_snapshot& snapshot = listed_[found->second];
        if (fields[0] == written_kind && fields.size() == 3) {
            snapshot.written = true;
        } else if (fields[0] == failed_kind && fields.size() == 4) {
            std::string reason;
            if (unescape(fields[3], reason))
                snapshot.reason = std::move(reason);
        }
    }

    std::vector<listed_snapshot> listed_;
    std::map<std::pair<std::string, std::uint64_t>, std::size_t> index_;
};

// False when the file can't be read now; a file too large for a list is read as nothing.
bool read_all(HANDLE file, std::string& content)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0)
        return false;
    if (static_cast<std::uint64_t>(size.QuadPart) > largest_record)
        return true;
    content.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD read = 0;
        if (!ReadFile(file, &content[done], static_cast<DWORD>(content.size() - done), &read, nullptr))
            return false;
        if (read == 0)
            break;
        done += read;
    }
    content.resize(done);
    return true;
}

void remove_opened(HANDLE file)
{
    FILE_DISPOSITION_INFO dispose{TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
}

} // namespace

std::string intended_snapshot_path(const std::string& subfolder, std::time_t release)
{
    return join_path(intended_target_folder(subfolder), snapshot_file_name_at(release));
}

std::string unsaved_snapshots_file()
{
    const std::string local = known_folder_path(known_folder::local_app_data);
    return local.empty() ? local : join_path(join_path(local, program_folder_name), record_file_name);
}

unsaved_snapshots_record::unsaved_snapshots_record(const std::string& file,
                                                   const std::vector<waiting_snapshot>& waiting,
                                                   const std::vector<std::string>& unseen) noexcept
{
    if ((waiting.empty() && unseen.empty()) || file.empty())
        return;
    try {
        writer_ = writer_tag();
        // The line break first closes a line torn when an earlier drain was ended, which would else swallow
        // the first record.
        std::string records(1, '\n');
        for (std::size_t number = 0; number < unseen.size(); ++number)
            records += record({unseen_kind, writer_, std::to_string(number), escaped(unseen[number])});
        for (const waiting_snapshot& snapshot : waiting)
            records += record({waiting_kind, writer_, std::to_string(snapshot.id),
                               std::to_string(static_cast<long long>(snapshot.release)), escaped(snapshot.path)});
        file_.reset(open_for_appending(file));
        append(records);
    } catch (const std::exception&) {
        file_.reset();
    }
}

unsaved_snapshots_record::unsaved_snapshots_record(const std::vector<waiting_snapshot>& waiting,
                                                   const std::vector<std::string>& unseen) noexcept
    : unsaved_snapshots_record(waiting.empty() && unseen.empty() ? std::string() : unsaved_snapshots_file(), waiting,
                               unseen)
{
}

void unsaved_snapshots_record::written(std::uint64_t id) noexcept
{
    if (!file_)
        return;
    try {
        append(record({written_kind, writer_, std::to_string(id)}));
    } catch (const std::exception&) {
        file_.reset();
    }
}

void unsaved_snapshots_record::failed(std::uint64_t id, const std::string& failure_text) noexcept
{
    if (!file_)
        return;
    try {
        append(record({failed_kind, writer_, std::to_string(id), escaped(reason_of(failure_text))}));
    } catch (const std::exception&) {
        file_.reset();
    }
}

// A change that can't be put on the disk ends the record: what it holds stays true up to there, and a later
// change must not seem to follow a line that never arrived.
void unsaved_snapshots_record::append(const std::string& records) noexcept
{
    DWORD written = 0;
    if (!file_ || !WriteFile(file_.get(), records.data(), static_cast<DWORD>(records.size()), &written, nullptr) ||
        written != records.size() || !FlushFileBuffers(file_.get()))
        file_.reset();
}

std::vector<std::string> take_unsaved_snapshot_texts(const std::string& file) noexcept
{
    try {
        // For itself alone: while a drain still writes, the list is not complete and waits for a later start.
        const fs::unique_file_handle opened(CreateFileW(fs::to_utf16(file).c_str(), GENERIC_READ | DELETE, 0, nullptr,
                                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!opened)
            return {};
        std::string content;
        if (!read_all(opened.get(), content))
            return {};
        record_reader reader;
        reader.read(content);
        std::vector<std::string> texts = reader.texts();
        remove_opened(opened.get());
        return texts;
    } catch (const std::exception&) {
        return {};
    }
}

std::vector<std::string> take_unsaved_snapshot_texts() noexcept
{
    try {
        const std::string file = unsaved_snapshots_file();
        return file.empty() ? std::vector<std::string>() : take_unsaved_snapshot_texts(file);
    } catch (const std::exception&) {
        return {};
    }
}
