#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "utility/text_conversion.h"

namespace fs = kite_utility::filesystem;

namespace {

// "Übersicht 日本 😀": two- and three-byte sequences and a surrogate pair.
const std::string mixed_utf8 = "\xC3\x9C" "bersicht \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
const std::wstring mixed_utf16 = L"\u00DCbersicht \u65E5\u672C \xD83D\xDE00";

TEST(text_conversion, converts_both_ways_without_loss)
{
    EXPECT_EQ(fs::to_utf16(mixed_utf8), mixed_utf16);
    EXPECT_EQ(fs::to_utf8(mixed_utf16), mixed_utf8);
    EXPECT_EQ(fs::to_utf8(fs::to_utf16(mixed_utf8)), mixed_utf8);
}

TEST(text_conversion, empty_source_clears_target)
{
    std::wstring wide = L"old";
    fs::to_utf16("", wide);
    EXPECT_TRUE(wide.empty());
    std::string narrow = "old";
    fs::to_utf8(L"", narrow);
    EXPECT_TRUE(narrow.empty());
}

TEST(text_conversion, replaces_old_target_content_entirely)
{
    std::wstring wide = L"a much longer old content";
    fs::to_utf16("ab", wide);
    EXPECT_EQ(wide, L"ab");
    std::string narrow = "a much longer old content";
    fs::to_utf8(L"ab", narrow);
    EXPECT_EQ(narrow, "ab");
}

TEST(text_conversion, keeps_embedded_zero_units)
{
    const std::string narrow("a\0b", 3);
    const std::wstring wide(L"a\0b", 3);
    EXPECT_EQ(fs::to_utf16(narrow), wide);
    EXPECT_EQ(fs::to_utf8(wide), narrow);
}

TEST(text_conversion, invalid_utf8_is_replaced_not_refused)
{
    const std::wstring wide = fs::to_utf16("a\xFF" "b");
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(wide.front(), L'a');
    EXPECT_EQ(wide.back(), L'b');
    EXPECT_NE(wide.find(L'\xFFFD'), std::wstring::npos);
}

TEST(text_conversion_buffer, null_source_or_zero_length_writes_nothing)
{
    char target[8] = "xxxxxxx";
    EXPECT_EQ(fs::to_utf8(nullptr, 3, target, sizeof target), 0);
    EXPECT_EQ(fs::to_utf8(L"abc", 0, target, sizeof target), 0);
    EXPECT_EQ(fs::to_utf8(L"", -1, target, sizeof target), 0);
    EXPECT_STREQ(target, "xxxxxxx");
}

TEST(text_conversion_buffer, converts_the_given_units_only)
{
    char target[8] = "xxxxxxx";
    EXPECT_EQ(fs::to_utf8(L"\u65E5\u672C", 1, target, sizeof target), 3);
    EXPECT_EQ(std::string(target, 3), "\xE6\x97\xA5");
    EXPECT_EQ(target[3], 'x');
}

// A negative length stops at the source's terminating zero (and does not write it): reading INT_MAX units
// would run past the end of the source.
TEST(text_conversion_buffer, negative_length_stops_at_the_terminating_zero)
{
    const wchar_t source[] = {L'a', L'\u00DC', 0, L'z', L'z', L'z', 0};
    char target[16];
    std::memset(target, '#', sizeof target);
    EXPECT_EQ(fs::to_utf8(source, -1, target, sizeof target), 3);
    EXPECT_EQ(std::string(target, 3), "a\xC3\x9C");
    EXPECT_EQ(target[3], '#');
}

TEST(text_conversion_buffer, negative_size_trusts_the_buffer)
{
    char target[32];
    std::memset(target, '#', sizeof target);
    const int written = fs::to_utf8(mixed_utf16.c_str(), static_cast<int>(mixed_utf16.size()), target, -1);
    ASSERT_EQ(written, static_cast<int>(mixed_utf8.size()));
    EXPECT_EQ(std::string(target, static_cast<std::size_t>(written)), mixed_utf8);
}

TEST(text_conversion_buffer, too_small_target_gives_zero_never_negative)
{
    char target[2] = {'#', '#'};
    EXPECT_EQ(fs::to_utf8(L"abcdef", 6, target, 2), 0);
}

} // namespace
