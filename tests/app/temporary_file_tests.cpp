// The file a snapshot is written to before it has its name: it never takes over another's file, fits
// wherever the snapshot fits, has its name on the disk before anyone is told, and cleaning up after a
// Pictor ended by force never touches a file still being written.
#include <gtest/gtest.h>

#include "app/output_folder.h"
#include "app/temporary_file.h"
#include "tests/support/temp_folder.h"
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

std::wstring utf16(const std::string& text)
{
    return kite_utility::filesystem::to_utf16(text);
}

bool ends_with(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
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

TEST(temporary_file, names_differ_and_are_no_longer_than_a_snapshot_name)
{
    const std::string first = temporary_file::unique_temporary_name();
    const std::string second = temporary_file::unique_temporary_name();
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind("~Pictor-", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 4), ".tmp");
    EXPECT_LE(first.size(), snapshot_file_name_at(std::time(nullptr)).size());
}

// Wine does not hold paths to MAX_PATH, Windows without long paths does: the lengths are the contract.
TEST(temporary_file, a_folder_that_takes_the_snapshot_takes_its_temporary_file_too)
{
    temp_folder root;
    const std::time_t release = std::time(nullptr);
    const std::string name = snapshot_file_name_at(release);
    // The snapshot's path is MAX_PATH - 1 characters long: the folder, a backslash, the name.
    const std::size_t folder_length = MAX_PATH - 2 - name.size();
    std::wstring deep = root.path();
    while (folder_length - deep.size() > 100)
        deep += L"\\" + std::wstring(50, L'd');
    deep += L"\\" + std::wstring(folder_length - deep.size() - 1, L'e');
    ASSERT_TRUE(kite_utility::filesystem::create_directory(utf8(deep)));
    ASSERT_EQ(deep.size() + 1 + name.size(), static_cast<std::size_t>(MAX_PATH - 1));

    HRESULT failure = E_FAIL;
    temporary_file file(utf8(deep), failure);
    ASSERT_TRUE(file.is_open()) << std::hex << failure;
    EXPECT_LT(utf16(file.path()).size(), static_cast<std::size_t>(MAX_PATH));
    ASSERT_EQ(file.write_all("picture", 7), S_OK);
    long published_failure = S_OK;
    const std::string published = publish_snapshot_file(
        [&file](const std::string& path) { return file.rename_to(path); }, utf8(deep), release, published_failure);
    EXPECT_EQ(published, utf8(deep + L"\\") + name) << std::hex << published_failure;
}

// What a flush was asked for: the path of the handle at that moment.
std::vector<std::wstring> flushed;
bool flushes_fail_after_the_rename = false;

bool record_flush(HANDLE handle) noexcept
{
    wchar_t path[4 * MAX_PATH] = {};
    const DWORD length = GetFinalPathNameByHandleW(handle, path, 4 * MAX_PATH, FILE_NAME_NORMALIZED);
    flushed.emplace_back(path, length < 4 * MAX_PATH ? length : 0);
    return !(flushes_fail_after_the_rename && flushed.size() > 1);
}

// A power cut after the thumbnail must not take the name back: the data go to the disk before the rename,
// the new name after it, through the file and through the folder that holds the name, before the caller
// hears of it. A flush refused after the rename still leaves the file published: it stands complete under
// its name.
TEST(temporary_file, the_new_name_is_flushed_through_file_and_folder_before_the_rename_returns)
{
    for (const bool failing : {false, true}) {
        temp_folder folder;
        flushed.clear();
        flushed.reserve(8);
        flushes_fail_after_the_rename = failing;
        HRESULT failure = E_FAIL;
        temporary_file file(folder.utf8(), failure, temporary_file::unique_temporary_name, record_flush);
        ASSERT_TRUE(file.is_open());
        const std::wstring temporary_name = utf16(file.path()).substr(folder.path().size() + 1);
        ASSERT_EQ(file.write_all("picture", 7), S_OK);
        EXPECT_EQ(file.rename_to(utf8(folder.child(L"snapshot.png"))), 0u);
        EXPECT_TRUE(file.published());
        EXPECT_EQ(file.path(), utf8(folder.child(L"snapshot.png")));
        ASSERT_EQ(flushed.size(), 3u);
        EXPECT_TRUE(ends_with(flushed[0], L"\\" + temporary_name)) << utf8(flushed[0]);
        EXPECT_TRUE(ends_with(flushed[1], L"\\snapshot.png")) << utf8(flushed[1]);
        EXPECT_TRUE(ends_with(flushed[2], L"\\" + folder.name())) << utf8(flushed[2]);
        EXPECT_EQ(test_support::read_file(folder.child(L"snapshot.png")), "picture");
    }
    flushes_fail_after_the_rename = false;
}

// Only what nobody wrote for ten minutes is a leftover: on a share that ignores share modes a file another
// Pictor writes right now could be deleted, and its age is then what protects it. The names of earlier
// versions are leftovers too.
TEST(temporary_file, leftovers_go_only_once_nobody_wrote_them_for_ten_minutes)
{
    temp_folder folder;
    const std::wstring old_guid = L"~Pictor-0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.tmp";
    const std::wstring old_short = L"~Pictor-0123456789A.tmp";
    const std::wstring recent = L"~Pictor-0123456789B.tmp";
    const std::wstring fresh = L"~Pictor-0123456789C.tmp";
    const std::wstring not_ours = L"~Pictor-notes.txt";
    for (const std::wstring& name : {old_guid, old_short, recent, fresh, not_ours})
        ASSERT_TRUE(test_support::write_file(folder.child(name), "left"));
    ASSERT_TRUE(test_support::make_older(folder.child(old_guid), 11));
    ASSERT_TRUE(test_support::make_older(folder.child(old_short), 11));
    ASSERT_TRUE(test_support::make_older(folder.child(recent), 9));
    ASSERT_TRUE(test_support::make_older(folder.child(not_ours), 60));
    HRESULT failure = E_FAIL;
    temporary_file being_written(folder.utf8(), failure);
    ASSERT_TRUE(being_written.is_open());
    ASSERT_EQ(being_written.write_all("half a picture", 14), S_OK);

    remove_leftover_temporaries(folder.utf8());
    EXPECT_FALSE(test_support::is_wide_file(folder.child(old_guid)));
    EXPECT_FALSE(test_support::is_wide_file(folder.child(old_short)));
    EXPECT_TRUE(test_support::is_wide_file(folder.child(recent)));
    EXPECT_TRUE(test_support::is_wide_file(folder.child(fresh)));
    EXPECT_TRUE(test_support::is_wide_file(folder.child(not_ours)));
    EXPECT_EQ(test_support::read_file(utf16(being_written.path())), "half a picture");
}

} // namespace
