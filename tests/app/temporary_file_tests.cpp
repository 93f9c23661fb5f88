// The file a snapshot is written to before it has its name: it never takes over another's file, and
// cleaning up after a Pictor ended by force never touches a file still being written.
#include <gtest/gtest.h>

#include "app/temporary_file.h"
#include "tests/support/temp_folder.h"
#include "utility/text_conversion.h"

#include <string>
#include <vector>

using test_support::temp_folder;

namespace {

std::string utf8(const std::wstring& text)
{
    return kite_utility::filesystem::to_utf8(text);
}

// Another machine writing into the same folder may come up with the same name: its file is neither
// truncated nor published as ours, and ours goes under the next name.
TEST(temporary_file, an_existing_file_of_the_same_name_is_never_opened)
{
    temp_folder folder;
    ASSERT_TRUE(test_support::write_file(folder.child(L"~Pictor-same.tmp"), "another writer's picture"));
    std::vector<std::string> names = {"~Pictor-same.tmp", "~Pictor-other.tmp"};
    std::size_t next = 0;
    HRESULT failure = E_FAIL;
    temporary_file file(folder.utf8(), failure, [&] { return names[next++]; });
    ASSERT_TRUE(file.is_open());
    EXPECT_EQ(failure, S_OK);
    EXPECT_EQ(file.path(), utf8(folder.child(L"~Pictor-other.tmp")));
    ASSERT_EQ(file.write_all("ours", 4), S_OK);
    EXPECT_EQ(file.rename_to(utf8(folder.child(L"~Pictor-same.tmp"))),
              static_cast<unsigned long>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(test_support::read_file(folder.child(L"~Pictor-same.tmp")), "another writer's picture");
}

TEST(temporary_file, names_differ_and_carry_no_snapshot_extension)
{
    const std::string first = temporary_file::unique_temporary_name();
    const std::string second = temporary_file::unique_temporary_name();
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind("~Pictor-", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 4), ".tmp");
}

TEST(temporary_file, leftovers_of_a_killed_pictor_go_and_files_being_written_stay)
{
    temp_folder folder;
    ASSERT_TRUE(test_support::write_file(folder.child(L"~Pictor-1234-1.tmp"), "left by a kill"));
    ASSERT_TRUE(test_support::write_file(folder.child(L"~Pictor-notes.txt"), "not ours"));
    HRESULT failure = E_FAIL;
    temporary_file being_written(folder.utf8(), failure);
    ASSERT_TRUE(being_written.is_open());
    ASSERT_EQ(being_written.write_all("half a picture", 14), S_OK);

    remove_leftover_temporaries(folder.utf8());
    EXPECT_FALSE(test_support::is_wide_file(folder.child(L"~Pictor-1234-1.tmp")));
    EXPECT_TRUE(test_support::is_wide_file(folder.child(L"~Pictor-notes.txt")));
    EXPECT_EQ(test_support::read_file(kite_utility::filesystem::to_utf16(being_written.path())), "half a picture");
}

} // namespace
