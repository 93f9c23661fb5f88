#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>

#include "tests/support/temp_folder.h"
#include "utility/file_facts.h"
#include "utility/text_conversion.h"

namespace fs = kite_utility::filesystem;
using test_support::temp_folder;

namespace {

fs::find_file_information_t filled_record(char byte)
{
    fs::find_file_information_t info;
    std::memset(&info, byte, sizeof info);
    return info;
}

bool same_record(const fs::find_file_information_t& a, const fs::find_file_information_t& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every byte after the name's text is zero.
bool zero_filled_after(const fs::find_file_information_t& info, std::size_t length)
{
    for (std::size_t i = length; i < sizeof info.name; ++i)
        if (info.name[i] != 0)
            return false;
    return true;
}

std::string utf8(const std::wstring& text)
{
    return fs::to_utf8(text);
}

TEST(file_information, missing_or_empty_path_fails_and_leaves_the_record_untouched)
{
    temp_folder folder;
    const auto before = filled_record('\x5A');
    auto info = before;
    EXPECT_FALSE(fs::file_information(utf8(folder.child(L"missing.png")), info));
    EXPECT_TRUE(same_record(info, before));
    EXPECT_FALSE(fs::file_information(utf8(folder.child(L"missing\\deeper\\x.png")), info));
    EXPECT_TRUE(same_record(info, before));
    EXPECT_FALSE(fs::file_information("", info));
    EXPECT_TRUE(same_record(info, before));
}

TEST(file_information, folder_gives_directory_flag_and_its_last_name)
{
    temp_folder folder;
    auto info = filled_record('x');
    ASSERT_TRUE(fs::file_information(folder.utf8(), info));
    EXPECT_EQ(info.flags, fs::directory_flag);
    EXPECT_EQ(std::string(info.name), utf8(folder.name()));
    EXPECT_TRUE(zero_filled_after(info, folder.name().size()));
}

TEST(file_information, file_gives_file_flag_and_the_name_as_the_caller_wrote_it)
{
    temp_folder folder;
    ASSERT_TRUE(test_support::write_file(folder.child(L"Shot.PNG"), "data"));
    auto info = filled_record('x');
    // The file system ignores case; the record keeps the caller's spelling.
    ASSERT_TRUE(fs::file_information(folder.utf8() + "/shot.png", info));
    EXPECT_EQ(info.flags, fs::file_flag);
    EXPECT_STREQ(info.name, "shot.png");
    EXPECT_TRUE(zero_filled_after(info, 8));
}

TEST(file_information, trailing_separator_leaves_the_name_but_sets_the_flags)
{
    temp_folder folder;
    auto info = filled_record('x');
    ASSERT_TRUE(fs::file_information(folder.utf8() + "\\", info));
    EXPECT_EQ(info.flags, fs::directory_flag);
    EXPECT_EQ(info.name[0], 'x');
    EXPECT_EQ(info.name[250], 'x');
}

TEST(file_information, name_longer_than_250_bytes_is_cut_to_250)
{
    temp_folder folder;
    // 255 characters is the longest name a folder may hold; the prefix lifts the path length limit.
    const std::wstring name(255, L'n');
    const std::wstring path = L"\\\\?\\" + folder.child(name);
    ASSERT_TRUE(test_support::write_file(path, "data"));
    auto info = filled_record('x');
    ASSERT_TRUE(fs::file_information(utf8(path), info));
    EXPECT_EQ(info.flags, fs::file_flag);
    EXPECT_EQ(std::string(info.name), std::string(250, 'n'));
    EXPECT_EQ(info.name[250], '\0');
}

TEST(file_information, a_file_locked_by_someone_else_counts_as_missing)
{
    temp_folder folder;
    const std::wstring path = folder.child(L"locked.png");
    ASSERT_TRUE(test_support::write_file(path, "data"));
    fs::unique_file_handle lock(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    fs::find_file_information_t info{};
    EXPECT_FALSE(fs::file_information(utf8(path), info));
    lock.reset();
    EXPECT_TRUE(fs::file_information(utf8(path), info));
}

TEST(file_information, leaves_no_handle_open)
{
    temp_folder folder;
    const std::wstring path = folder.child(L"shot.png");
    ASSERT_TRUE(test_support::write_file(path, "data"));
    fs::find_file_information_t info{};
    ASSERT_TRUE(fs::file_information(utf8(path), info));
    ASSERT_TRUE(fs::file_information(folder.utf8(), info));
    // An exclusive open and the deletion both fail while any handle of ours is still open.
    fs::unique_file_handle exclusive(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(exclusive);
    exclusive.reset();
    EXPECT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_TRUE(RemoveDirectoryW(folder.path().c_str()));
}

TEST(file_handle_owner, closes_its_handle)
{
    temp_folder folder;
    const std::wstring path = folder.child(L"owned.bin");
    ASSERT_TRUE(test_support::write_file(path, "data"));
    {
        fs::unique_file_handle owner(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(owner);
        EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
    }
    fs::unique_file_handle again(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(again);
}

TEST(is_directory, only_for_existing_folders)
{
    temp_folder folder;
    ASSERT_TRUE(test_support::write_file(folder.child(L"file.png"), "data"));
    EXPECT_TRUE(fs::is_directory(folder.utf8()));
    EXPECT_FALSE(fs::is_directory(utf8(folder.child(L"file.png"))));
    EXPECT_FALSE(fs::is_directory(utf8(folder.child(L"missing"))));
    EXPECT_FALSE(fs::is_directory(""));
    EXPECT_FALSE(fs::create_directory(""));
}

// Levels are split at backslashes only; callers turn slashes into backslashes first.
TEST(create_directory, creates_every_missing_level)
{
    temp_folder folder;
    const std::wstring nested = folder.child(L"a\\b\\\u65E5\u672C");
    EXPECT_TRUE(fs::create_directory(utf8(nested)));
    EXPECT_TRUE(test_support::is_wide_directory(folder.child(L"a")));
    EXPECT_TRUE(test_support::is_wide_directory(folder.child(L"a\\b\\\u65E5\u672C")));
}

// The shell call answers ERROR_ALREADY_EXISTS for an existing folder, which counts as failure: true here
// shows that the existing folder was recognised before any creation was attempted.
TEST(create_directory, existing_folder_succeeds_without_creating)
{
    temp_folder folder;
    ASSERT_TRUE(CreateDirectoryW(folder.child(L"there").c_str(), nullptr));
    ASSERT_NE(SHCreateDirectoryExW(nullptr, folder.child(L"there").c_str(), nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(fs::create_directory(utf8(folder.child(L"there"))));
    EXPECT_TRUE(fs::create_directory(folder.utf8() + "\\there\\"));
}

TEST(create_directory, path_held_by_a_file_fails_and_keeps_the_file)
{
    temp_folder folder;
    const std::wstring path = folder.child(L"taken");
    ASSERT_TRUE(test_support::write_file(path, "keep me"));
    EXPECT_FALSE(fs::create_directory(utf8(path)));
    EXPECT_FALSE(fs::create_directory(utf8(path + L"\\below")));
    EXPECT_EQ(test_support::read_file(path), "keep me");
}

} // namespace
