#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "app/output_folder.h"
#include "app/temporary_file.h"
#include "tests/support/temp_folder.h"
#include "utility/file_facts.h"
#include "utility/path_names.h"
#include "utility/text_conversion.h"

namespace fs = kite_utility::filesystem;
namespace detail = output_folder_detail;
using test_support::temp_folder;

namespace {

std::string utf8(const std::wstring& text)
{
    return fs::to_utf8(text);
}

std::wstring utf16(const std::string& text)
{
    return fs::to_utf16(text);
}

std::time_t local_time(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

const std::time_t fixed_time = local_time(2024, 5, 17, 14, 3, 9);
const std::string fixed_stamp = "2024-05-17_14-03-09";

detail::clock_function fixed_clock()
{
    return [] { return fixed_time; };
}

// --- path pieces ---

TEST(output_folder_paths, ensure_trailing_separator_adds_only_a_missing_one)
{
    EXPECT_EQ(ensure_trailing_separator("", 0), "\\");
    EXPECT_EQ(ensure_trailing_separator("C:/x/", 0), "C:/x/");
    EXPECT_EQ(ensure_trailing_separator("C:\\x\\", 1), "C:\\x\\");
    EXPECT_EQ(ensure_trailing_separator("C:\\x", 0), "C:\\x\\");
    EXPECT_EQ(ensure_trailing_separator("C:\\x", 1), "C:\\x/");
    EXPECT_EQ(ensure_trailing_separator("C:\\x", 7), "C:\\x\\");
    EXPECT_EQ(ensure_trailing_separator("C:\\x", -1), "C:\\x\\");
}

TEST(output_folder_paths, join_path_puts_one_backslash_between_and_trims_nothing)
{
    EXPECT_EQ(join_path("a", "b.png"), "a\\b.png");
    EXPECT_EQ(join_path("a\\", "b.png"), "a\\b.png");
    EXPECT_EQ(join_path("a/", "b.png"), "a/b.png");
    EXPECT_EQ(join_path("a", "\\b"), "a\\\\b");
    EXPECT_EQ(join_path("a\\", "\\b"), "a\\\\b");
    EXPECT_EQ(join_path("", "b"), "\\b");
}

TEST(output_folder_paths, sanitize_replaces_forbidden_characters_and_turns_slashes_into_backslashes)
{
    EXPECT_EQ(sanitize_subfolder("x:y*z?"), "x_y_z_");
    EXPECT_EQ(sanitize_subfolder("<>\"|"), "____");
    EXPECT_EQ(sanitize_subfolder("a/b\\c/"), "a\\b\\c\\");
}

TEST(output_folder_paths, sanitize_keeps_everything_else_byte_for_byte)
{
    const std::string kept = "\xC3\x9C" "bersicht \xE6\x97\xA5\xE6\x9C\xAC .. \t~#%";
    EXPECT_EQ(sanitize_subfolder(kept), kept);
    EXPECT_EQ(sanitize_subfolder(""), "");
    const std::string with_zero("a\0:", 3);
    EXPECT_EQ(sanitize_subfolder(with_zero), std::string("a\0_", 3));
}

// --- shell folders ---

TEST(known_folder_path, pictures_is_an_existing_folder_with_a_trailing_backslash)
{
    const std::string pictures = known_folder_path(known_folder::pictures);
    ASSERT_FALSE(pictures.empty());
    EXPECT_EQ(pictures.back(), '\\');
    EXPECT_TRUE(test_support::is_wide_directory(utf16(pictures)));
}

TEST(known_folder_path, each_table_entry_resolves_to_its_own_folder)
{
    const std::string desktop = known_folder_path(known_folder::desktop);
    const std::string documents = known_folder_path(known_folder::documents);
    const std::string pictures = known_folder_path(known_folder::pictures);
    const std::string local = known_folder_path(known_folder::local_app_data);
    EXPECT_FALSE(desktop.empty());
    EXPECT_FALSE(documents.empty());
    EXPECT_FALSE(local.empty());
    EXPECT_NE(desktop, documents);
    EXPECT_NE(documents, pictures);
    EXPECT_NE(desktop, pictures);
    EXPECT_NE(local, pictures);
}

TEST(known_folder_path, value_outside_the_table_gives_no_folder)
{
    EXPECT_EQ(known_folder_path(known_folder{0}), "");
    EXPECT_EQ(known_folder_path(known_folder{5}), "");
    EXPECT_EQ(known_folder_path(known_folder{-1}), "");
}

TEST(pictures_folder, empty_name_is_the_pictures_folder_itself)
{
    EXPECT_EQ(pictures_folder(""), known_folder_path(known_folder::pictures));
}

// --- target folder ---

// A folder of its own below Pictures\Pictor, named uniquely for this run and removed afterwards.
class target_folder_test : public testing::Test {
protected:
    target_folder_test() : pictor_(target_folder("")), own_(utf16(pictor_)) {}

    // The subfolder text that names the relative path inside the own folder.
    std::string below(const std::string& relative) const { return utf8(own_.name()) + "\\" + relative; }

    std::string pictor_;
    temp_folder own_;
};

TEST_F(target_folder_test, empty_subfolder_is_the_program_folder)
{
    EXPECT_EQ(pictor_, known_folder_path(known_folder::pictures) + "Pictor");
    EXPECT_TRUE(test_support::is_wide_directory(utf16(pictor_)));
}

TEST_F(target_folder_test, forbidden_characters_become_underscores_in_the_created_folder)
{
    for (const char c : std::string("<>:\"|?*")) {
        SCOPED_TRACE(std::string(1, c));
        const std::string folder = target_folder(below(std::string("a") + c + "b"));
        EXPECT_EQ(folder, pictor_ + "\\" + below("a_b"));
        EXPECT_TRUE(test_support::is_wide_directory(own_.child(L"a_b")));
    }
    EXPECT_EQ(test_support::folder_entries(own_.path()), std::vector<std::wstring>{L"a_b"});
}

TEST_F(target_folder_test, slashes_make_nested_folders_with_every_level)
{
    EXPECT_EQ(target_folder(below("a/b")), pictor_ + "\\" + below("a\\b"));
    EXPECT_TRUE(test_support::is_wide_directory(own_.child(L"a\\b")));
    EXPECT_EQ(target_folder(below("c\\d\\e")), pictor_ + "\\" + below("c\\d\\e"));
    EXPECT_TRUE(test_support::is_wide_directory(own_.child(L"c\\d\\e")));
    EXPECT_EQ(test_support::folder_entries(own_.path()), (std::vector<std::wstring>{L"a", L"c"}));
}

TEST_F(target_folder_test, trailing_separator_gives_no_doubled_separator_before_the_file)
{
    for (const char* text : {"sub\\", "sub/"}) {
        SCOPED_TRACE(text);
        const std::string path = snapshot_file_path(target_folder(below(text)));
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.find("\\\\"), std::string::npos);
        EXPECT_EQ(path.rfind(pictor_ + "\\" + below("sub\\"), 0), 0u);
        EXPECT_TRUE(test_support::is_wide_directory(own_.child(L"sub")));
    }
}

TEST_F(target_folder_test, non_ascii_subfolder_creates_the_folder_of_that_name)
{
    const std::string uebersicht = "\xC3\x9C" "bersicht";
    const std::string nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    EXPECT_EQ(target_folder(below(uebersicht)), pictor_ + "\\" + below(uebersicht));
    EXPECT_EQ(target_folder(below(nihon)), pictor_ + "\\" + below(nihon));
    EXPECT_TRUE(test_support::is_wide_directory(own_.child(L"\u00DCbersicht")));
    EXPECT_TRUE(test_support::is_wide_directory(own_.child(L"\u65E5\u672C")));
    EXPECT_EQ(test_support::folder_entries(own_.path()).size(), 2u);
}

// Not treated specially: the snapshot lands in the Pictures folder itself.
TEST_F(target_folder_test, dot_dot_leads_to_the_pictures_folder)
{
    const std::string folder = target_folder("..");
    EXPECT_EQ(folder, pictor_ + "\\..");
    const std::string path = snapshot_file_path(folder);
    ASSERT_FALSE(path.empty());
    std::wstring pictures = utf16(known_folder_path(known_folder::pictures));
    pictures.pop_back();
    EXPECT_EQ(test_support::full_path(utf16(folder)), pictures);
    EXPECT_EQ(test_support::full_path(utf16(path)), pictures + L"\\" + utf16(fs::file_name(path)));
}

TEST_F(target_folder_test, path_beyond_max_path_gives_no_snapshot_path_and_leaves_nothing)
{
    std::string deep;
    for (int level = 0; level < 25; ++level)
        deep += "abcdefghij\\";
    const std::string too_long = std::string(300, 'l');
    for (const std::string& text : {deep, too_long, deep + too_long}) {
        const std::string folder = target_folder(below(text));
        EXPECT_EQ(folder, pictor_ + "\\" + below(text));
        EXPECT_EQ(snapshot_file_path(folder), "");
    }
    EXPECT_FALSE(fs::create_directory(pictor_ + "\\" + below(too_long)));
    // At most the empty levels of the subfolder remain: no file anywhere below the own folder.
    std::vector<std::wstring> pending{L"\\\\?\\" + own_.path()};
    while (!pending.empty()) {
        const std::wstring folder = pending.back();
        pending.pop_back();
        for (const std::wstring& entry : test_support::folder_entries(folder)) {
            const std::wstring child = folder + L"\\" + entry;
            EXPECT_TRUE(test_support::is_wide_directory(child)) << utf8(child);
            pending.push_back(child);
        }
    }
}

TEST(target_folder_below, unresolved_program_folder_gives_no_folder_and_creates_nothing)
{
    const std::wstring name = L"pictor-root-" + std::to_wstring(GetCurrentProcessId());
    EXPECT_EQ(detail::target_folder_below("", utf8(name)), "");
    EXPECT_FALSE(test_support::is_wide_directory(L"\\" + name));
    EXPECT_EQ(detail::target_folder_below("", ""), "");
    test_support::remove_tree(L"\\" + name);
}

// Pictures\Pictor held by a file: the program's folder can't be made, so there is no target at all.
TEST(target_folder, program_folder_that_cannot_be_created_gives_no_folder)
{
    const std::wstring pictor = utf16(known_folder_path(known_folder::pictures) + "Pictor");
    const std::wstring aside = pictor + L".aside-" + std::to_wstring(GetCurrentProcessId());
    const bool moved = test_support::is_wide_directory(pictor);
    if (moved) {
        ASSERT_TRUE(MoveFileW(pictor.c_str(), aside.c_str()));
    }
    ASSERT_TRUE(test_support::write_file(pictor, "not a folder"));

    // A wrong answer would lead to the root of the current drive; the unique name lets the test clean up.
    const std::wstring sub = L"pictor-root-sub-" + std::to_wstring(GetCurrentProcessId());
    const std::string program_folder = pictures_folder("Pictor");
    const std::string folder = target_folder(utf8(sub));
    const std::string path = snapshot_file_path(folder);
    const std::string plain = target_folder("");
    const std::string kept = test_support::read_file(pictor);

    DeleteFileW(pictor.c_str());
    test_support::remove_tree(L"\\" + sub);
    if (moved) {
        ASSERT_TRUE(MoveFileW(aside.c_str(), pictor.c_str()));
    }
    EXPECT_EQ(program_folder, "");
    EXPECT_EQ(folder, "");
    EXPECT_EQ(path, "");
    EXPECT_EQ(plain, "");
    EXPECT_EQ(kept, "not a folder");
}

// --- snapshot names ---

TEST(snapshot_file_name, formats_the_local_time_and_the_counter)
{
    EXPECT_EQ(detail::snapshot_file_name(0, fixed_clock()), fixed_stamp + ".png");
    EXPECT_EQ(detail::snapshot_file_name(1, fixed_clock()), fixed_stamp + "#1.png");
    EXPECT_EQ(detail::snapshot_file_name(10, fixed_clock()), fixed_stamp + "#10.png");
    EXPECT_EQ(detail::snapshot_file_name(9999, fixed_clock()), fixed_stamp + "#9999.png");
    EXPECT_EQ(detail::snapshot_file_name(-3, fixed_clock()), fixed_stamp + ".png");
    EXPECT_EQ(detail::snapshot_file_name(0, [] { return local_time(2030, 1, 2, 23, 4, 5); }),
              "2030-01-02_23-04-05.png");
}

TEST(snapshot_file_name, public_form_uses_the_current_second)
{
    const std::time_t before = std::time(nullptr);
    const std::string name = snapshot_file_name(2);
    const std::time_t after = std::time(nullptr);
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d#2\.png)"))) << name;
    EXPECT_TRUE(name == detail::snapshot_file_name(2, [=] { return before; }) ||
                name == detail::snapshot_file_name(2, [=] { return after; }))
        << name;
}

// A time the runtime can't convert gives no name, and no path: not the bare folder.
TEST(snapshot_file_name, unconvertible_time_gives_no_name_and_no_path)
{
    const detail::clock_function broken = [] { return std::time_t(-1); };
    EXPECT_EQ(detail::snapshot_file_name(0, broken), "");
    temp_folder folder;
    EXPECT_EQ(detail::snapshot_file_path(folder.utf8(), broken, detail::last_counter), "");
}

class snapshot_file_path_test : public testing::Test {
protected:
    std::string path_of(const std::string& name) const { return folder_.utf8() + "\\" + name; }
    void make_file(const std::string& name, const std::string& content = "earlier snapshot")
    {
        ASSERT_TRUE(test_support::write_file(utf16(path_of(name)), content));
    }
    std::string next(int last = detail::last_counter) const
    {
        return detail::snapshot_file_path(folder_.utf8(), fixed_clock(), last);
    }
    static std::string numbered(int n) { return fixed_stamp + "#" + std::to_string(n) + ".png"; }

    temp_folder folder_;
};

TEST_F(snapshot_file_path_test, empty_folder_gives_the_plain_time)
{
    EXPECT_EQ(next(), path_of(fixed_stamp + ".png"));
}

TEST_F(snapshot_file_path_test, taken_names_are_skipped_in_order)
{
    make_file(fixed_stamp + ".png");
    EXPECT_EQ(next(), path_of(numbered(1)));
    make_file(numbered(1));
    EXPECT_EQ(next(), path_of(numbered(2)));
    // A gap is filled before later numbers.
    make_file(numbered(3));
    EXPECT_EQ(next(), path_of(numbered(2)));
}

TEST_F(snapshot_file_path_test, all_eleven_old_names_taken_keeps_counting_and_replaces_nothing)
{
    make_file(fixed_stamp + ".png", "first");
    for (int n = 1; n <= 10; ++n)
        make_file(numbered(n), "shot " + std::to_string(n));
    EXPECT_EQ(next(), path_of(numbered(11)));
    make_file(numbered(11));
    EXPECT_EQ(next(), path_of(numbered(12)));
    EXPECT_EQ(test_support::read_file(utf16(path_of(numbered(10)))), "shot 10");
    EXPECT_EQ(test_support::read_file(utf16(path_of(fixed_stamp + ".png"))), "first");
}

TEST_F(snapshot_file_path_test, every_counter_up_to_the_last_taken_gives_no_path)
{
    make_file(fixed_stamp + ".png");
    make_file(numbered(1));
    make_file(numbered(2));
    EXPECT_EQ(next(2), "");
    EXPECT_EQ(next(3), path_of(numbered(3)));
}

// The public form counts on past the eleven names of old. Taken names for this and the next two seconds
// keep the answer fixed even when the clock moves on between candidates.
TEST_F(snapshot_file_path_test, public_form_keeps_counting_past_ten)
{
    const std::time_t start = std::time(nullptr);
    for (std::time_t t = start; t <= start + 2; ++t)
        for (int n = 0; n <= 10; ++n)
            make_file(detail::snapshot_file_name(n, [t] { return t; }));
    const std::string path = snapshot_file_path(folder_.utf8());
    EXPECT_EQ(path.substr(path.size() - 7), "#11.png") << path;
    EXPECT_FALSE(test_support::is_wide_file(utf16(path)));
    EXPECT_EQ(test_support::folder_entries(folder_.path()).size(), 33u);
}

TEST_F(snapshot_file_path_test, directory_of_the_name_does_not_count_as_taken)
{
    ASSERT_TRUE(CreateDirectoryW(utf16(path_of(fixed_stamp + ".png")).c_str(), nullptr));
    EXPECT_EQ(next(), path_of(fixed_stamp + ".png"));
}

TEST_F(snapshot_file_path_test, clock_is_read_for_every_candidate)
{
    make_file(fixed_stamp + ".png");
    int reads = 0;
    const detail::clock_function crossing = [&reads] { return fixed_time + (reads++ == 0 ? 0 : 1); };
    const std::string later = detail::snapshot_file_name(1, [] { return fixed_time + 1; });
    EXPECT_EQ(detail::snapshot_file_path(folder_.utf8(), crossing, detail::last_counter), path_of(later));
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(later, "2024-05-17_14-03-10#1.png");
}

// The written file gets the first free name of the release's second; whatever holds a name already, a
// snapshot that appeared after the check or a folder, is passed over and left as it was.
TEST_F(snapshot_file_path_test, publishing_names_by_the_release_and_never_replaces)
{
    make_file(fixed_stamp + ".png", "first");
    ASSERT_TRUE(CreateDirectoryW(utf16(path_of(numbered(1))).c_str(), nullptr));
    {
        HRESULT failure = E_FAIL;
        temporary_file file(folder_.utf8(), failure);
        ASSERT_TRUE(file.is_open()) << std::hex << failure;
        ASSERT_EQ(file.write_all("new picture", 11), S_OK);
        long published_failure = S_OK;
        const std::string published = detail::publish_snapshot_file(
            [&file](const std::string& path) { return file.rename_to(path); }, folder_.utf8(), fixed_time,
            detail::last_counter, published_failure);
        EXPECT_EQ(published, path_of(numbered(2)));
        EXPECT_TRUE(file.published());
    }
    EXPECT_EQ(test_support::read_file(utf16(path_of(numbered(2)))), "new picture");
    EXPECT_EQ(test_support::read_file(utf16(path_of(fixed_stamp + ".png"))), "first");
    EXPECT_EQ(test_support::folder_entries(folder_.path()).size(), 3u);

    // With every name taken the file keeps its temporary name and the reason is given; unpublished, it is
    // gone with its writer.
    {
        HRESULT failure = E_FAIL;
        temporary_file file(folder_.utf8(), failure);
        ASSERT_TRUE(file.is_open());
        long published_failure = S_OK;
        EXPECT_EQ(detail::publish_snapshot_file([&file](const std::string& path) { return file.rename_to(path); },
                                                folder_.utf8(), fixed_time, 2, published_failure),
                  "");
        EXPECT_EQ(published_failure, HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
        EXPECT_TRUE(test_support::is_wide_file(utf16(file.path())));
    }
    EXPECT_EQ(test_support::folder_entries(folder_.path()).size(), 3u);
}

// Without a folder the name would land at the root of the current drive.
TEST(snapshot_file_path, empty_folder_text_gives_no_path)
{
    EXPECT_EQ(snapshot_file_path(""), "");
    EXPECT_EQ(detail::snapshot_file_path("", fixed_clock(), detail::last_counter), "");
}

} // namespace
