// What a sign-out could not write reaches the next start: one text per snapshot, with its time, path and
// reason, then forgotten; a torn, foreign or busy file never stops a start.
#include <gtest/gtest.h>

#include "app/snapshot_file.h"
#include "app/unsaved_snapshots.h"
#include "tests/support/temp_folder.h"
#include "toolkit/com.h"
#include "utility/file_facts.h"
#include "utility/text_conversion.h"

#include <ctime>
#include <string>
#include <vector>

using test_support::temp_folder;

namespace {

std::string utf8(const std::wstring& text)
{
    return kite_utility::filesystem::to_utf8(text);
}

std::time_t local_time(int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = 2024 - 1900;
    fields.tm_mon = 4;
    fields.tm_mday = 17;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

std::string unsaved(const std::string& time, const std::string& path, const std::string& reason)
{
    return "Snapshot vom 2024-05-17 " + time + " beim Abmelden nicht gespeichert: " + path + "\n" + reason;
}

// Failed, written and left over when the process was ended: the first and the last are named, in the
// order listed, after what an earlier drain left unshown. That drain's torn last line neither shows nor
// swallows the new list, and a Pictor starting while the drain still writes leaves the list alone.
TEST(unsaved_snapshots, a_drain_ended_early_names_each_unwritten_snapshot_once_at_the_next_start)
{
    temp_folder folder;
    ASSERT_TRUE(CreateDirectoryW(folder.child(L"Pictor").c_str(), nullptr));
    const std::wstring file = folder.child(L"Pictor\\Abmeldung.log");
    const std::string earlier = "C:\\Bilder\\Pictor\\2024-05-17_14-03-08.png";
    const std::string earlier_time = std::to_string(static_cast<long long>(local_time(14, 3, 8)));
    ASSERT_TRUE(test_support::write_file(file, "waiting\tEARLIER\t7\t" + earlier_time + "\t" + earlier +
                                                   "\t.\nwaiting\tEARLIER\t8\t" + earlier_time + "\tC:\\Bil"));
    const HRESULT denied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    const std::string locked = "C:\\Bilder\\Pictor\\Sperre\\2024-05-17_14-03-09.png";
    const std::string odd = "C:\\Bilder\\Pictor\\a\tb%41\\2024-05-17_14-03-11.png";
    // A failure found before the drain began, which no box had shown yet, is told as it was.
    const std::string unseen = not_saved_text(odd, denied);
    {
        unsaved_snapshots_record record(utf8(file),
                                        {{1, local_time(14, 3, 9), locked},
                                         {2, local_time(14, 3, 10), "C:\\Bilder\\Pictor\\zwei.png"},
                                         {3, local_time(14, 3, 11), odd}},
                                        {unseen});
        ASSERT_TRUE(record.is_open());
        record.failed(1, not_saved_text(locked, denied));
        record.written(2);
        EXPECT_TRUE(take_unsaved_snapshot_texts(utf8(file)).empty());
        EXPECT_TRUE(test_support::is_wide_file(file));
    }
    const std::string ended = "Pictor wurde beendet, bevor der Snapshot gespeichert war.";
    const std::vector<std::string> texts = take_unsaved_snapshot_texts(utf8(file));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], unsaved("14:03:08", earlier, ended));
    EXPECT_EQ(texts[1], unseen);
    EXPECT_EQ(texts[2], unsaved("14:03:09", locked, kite_com::describe_failure(denied)));
    EXPECT_EQ(texts[3], unsaved("14:03:11", odd, ended));
    EXPECT_FALSE(test_support::is_wide_file(file));
    EXPECT_TRUE(take_unsaved_snapshot_texts(utf8(file)).empty());
}

void cut_off_end(const std::wstring& path, LONGLONG bytes)
{
    const kite_utility::filesystem::unique_file_handle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER back{};
    back.QuadPart = -bytes;
    ASSERT_TRUE(SetFilePointerEx(file.get(), back, nullptr, FILE_END));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

TEST(unsaved_snapshots, torn_foreign_and_busy_files_are_passed_over)
{
    temp_folder folder;
    const std::wstring file = folder.child(L"Pictor\\Abmeldung.log");
    // The strike-off of 12 torn where it reads as one of 1: neither counts.
    {
        unsaved_snapshots_record record(utf8(file), {{1, local_time(9, 0, 0), "C:\\a.png"},
                                                     {12, local_time(9, 0, 1), "C:\\b.png"}});
        record.written(12);
    }
    cut_off_end(file, 4);
    const std::vector<std::string> texts = take_unsaved_snapshot_texts(utf8(file));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("C:\\a.png\n"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("C:\\b.png\n"), std::string::npos) << texts[1];

    // Garbage shows nothing and goes.
    ASSERT_TRUE(test_support::write_file(file, std::string("\x89PNG\r\n\x1a\n\0\0\twritten\t\n", 17)));
    EXPECT_TRUE(take_unsaved_snapshot_texts(utf8(file)).empty());
    EXPECT_FALSE(test_support::is_wide_file(file));

    // A file another program holds is left for a later start.
    { unsaved_snapshots_record record(utf8(file), {{5, local_time(9, 0, 2), "C:\\c.png"}}); }
    {
        const kite_utility::filesystem::unique_file_handle held(
            CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_TRUE(take_unsaved_snapshot_texts(utf8(file)).empty());
    }
    EXPECT_EQ(take_unsaved_snapshot_texts(utf8(file)).size(), 1u);
    EXPECT_TRUE(take_unsaved_snapshot_texts(utf8(folder.child(L"fehlt.log"))).empty());
}

} // namespace
