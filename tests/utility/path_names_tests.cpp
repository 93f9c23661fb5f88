#include <gtest/gtest.h>

#include "utility/path_names.h"

namespace fs = kite_utility::filesystem;

namespace {

TEST(path_names, file_name_is_the_text_after_the_last_separator)
{
    EXPECT_EQ(fs::file_name("C:\\a\\b.png"), "b.png");
    EXPECT_EQ(fs::file_name("C:/a/b.png"), "b.png");
    EXPECT_EQ(fs::file_name("C:\\a/b\\c"), "c");
    EXPECT_EQ(fs::file_name("C:/a\\b/c"), "c");
    EXPECT_EQ(fs::file_name("b.png"), "b.png");
    EXPECT_EQ(fs::file_name("\\b"), "b");
}

TEST(path_names, file_name_of_a_trailing_separator_or_empty_path_is_empty)
{
    EXPECT_EQ(fs::file_name("C:/a/"), "");
    EXPECT_EQ(fs::file_name("C:\\a\\"), "");
    EXPECT_EQ(fs::file_name("\\"), "");
    EXPECT_EQ(fs::file_name(""), "");
}

TEST(path_names, file_name_keeps_utf8_bytes)
{
    EXPECT_EQ(fs::file_name("C:\\\xE6\x97\xA5\\\xC3\x9C" "bersicht"), "\xC3\x9C" "bersicht");
}

TEST(path_names, extension_is_the_last_dot_of_the_file_name)
{
    EXPECT_EQ(fs::extension("x.tar.gz"), ".gz");
    EXPECT_EQ(fs::extension("C:\\a\\B.PNG"), ".PNG");
    EXPECT_EQ(fs::extension(".png"), ".png");
    EXPECT_EQ(fs::extension("name."), ".");
}

TEST(path_names, extension_ignores_dots_in_folder_names)
{
    EXPECT_EQ(fs::extension("C:\\a.b\\c"), "");
    EXPECT_EQ(fs::extension("C:/a.b/"), "");
    EXPECT_EQ(fs::extension("C:\\a.b/c"), "");
    EXPECT_EQ(fs::extension(""), "");
    EXPECT_EQ(fs::extension("noext"), "");
}

} // namespace
