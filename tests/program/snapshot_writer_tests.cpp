// What the user gets when files are written after the key release: order, completeness, errors and bounds.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/input.h"
#include "tests/support/pattern.h"
#include "tests/support/pictor_form.h"
#include "tests/support/pictor_session.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace test_support;

namespace {

constexpr WORD key_w = 0x57;
constexpr WORD key_q = 0x51;
constexpr unsigned file_timeout = 15000;
// Wine waits 2000 ms for a low-level hook; a release that took longer than this waited on more than the copy.
constexpr double held_limit_ms = 1000;

double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Releases a key and answers how long the release was held by the hooks (SendInput returns after them).
double timed_release(WORD vk)
{
    key_down(vk);
    const double start = now_ms();
    key_up(vk);
    return now_ms() - start;
}

std::vector<std::wstring> files_matching(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void remove_folder(const std::wstring& folder)
{
    for (const auto& name : files_matching(folder, L"*"))
        DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

class snapshot_writer_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pattern.ready());
        start_pictor();
    }

    // Pictor.exe, or pictor_slow_folder.exe, whose every snapshot takes two seconds before it is written.
    void start_pictor(const std::wstring& executable = L"Pictor.exe")
    {
        pictor = std::make_unique<pictor_session>(executable);
        ASSERT_TRUE(pictor->ready());
        form = std::make_unique<pictor_form>(pictor->main);
        ASSERT_TRUE(form->ready());
    }

    // A frame size and a subfolder of the test's own, emptied; answers the folder its snapshots go to.
    std::wstring use_settings(int width, int height, const std::wstring& subfolder)
    {
        form->set_text(width_edit, std::to_wstring(width));
        form->set_text(height_edit, std::to_wstring(height));
        form->set_text(subfolder_edit, subfolder);
        frame_width = width;
        frame_height = height;
        const std::wstring folder = snapshot_folder() + L"\\" + subfolder;
        remove_folder(folder);
        return folder;
    }

    // A file where the subfolder should be, so that the folder cannot be made and every write fails; the
    // subfolder is set. Answers the file's path, empty when it could not be made.
    std::wstring block_subfolder(const std::wstring& subfolder)
    {
        const std::wstring blocker = use_settings(200, 200, subfolder);
        HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return std::wstring();
        CloseHandle(file);
        return blocker;
    }

    // Puts the pointer at (x, y) for good and waits until the frame is centred there.
    void point_at(int x, int y)
    {
        place_pointer(x, y);
        pump_until(
            [&] {
                const RECT rect = pictor->frame_rect();
                return rect.left == x - frame_width / 2 && rect.top == y - frame_height / 2;
            },
            3000);
    }

    // Releases W count times over the pattern window, the frame centred on the screen.
    void release_over_pattern(int count)
    {
        ASSERT_TRUE(pattern.activate());
        point_at(960, 540);
        for (int i = 0; i < count; ++i)
            tap_key(key_w);
    }

    // What the system sends every top-level window of a program when the session ends (or a program asks
    // it to close): answers how many windows there were and how many were Pictor's own.
    std::pair<std::size_t, std::size_t> end_session(LPARAM reason)
    {
        const std::vector<HWND> windows = windows_of(pictor->process.id());
        std::size_t own = 0;
        for (HWND window : windows) {
            DWORD_PTR answer = FALSE;
            SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, reason, SMTO_BLOCK, 5000, &answer);
            EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
            own += class_name_of(window).rfind(L"Pictor.", 0) == 0 ? 1 : 0;
        }
        for (HWND window : windows) {
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, reason, SMTO_BLOCK, 40000, &answer);
        }
        return {windows.size(), own};
    }

    // The system may end the process as soon as WM_ENDSESSION has returned.
    void ended_by_the_system()
    {
        TerminateProcess(pictor->process.handle(), 1);
        pictor->wait_for_exit(5000);
    }

    // Releases Q and answers "Pictor beenden?" with Yes.
    void quit()
    {
        tap_key(key_q);
        HWND question = wait_for_quit_question(pictor->process.id(), file_timeout);
        ASSERT_NE(question, nullptr);
        answer_message_box(question, IDYES);
    }

    // The folder holds exactly count complete snapshots of the frame's size and no temporary file.
    void expect_complete_files(const std::wstring& folder, std::size_t count)
    {
        const auto files = png_files(folder);
        ASSERT_EQ(files.size(), count);
        for (const auto& name : files) {
            image_pixels image;
            ASSERT_TRUE(read_image(folder + L"\\" + name, image)) << name.c_str();
            EXPECT_EQ(image.width, frame_width);
            EXPECT_EQ(image.height, frame_height);
        }
        EXPECT_TRUE(files_matching(folder, L"*.tmp").empty());
    }

    pattern_session pattern;
    std::unique_ptr<pictor_session> pictor;
    std::unique_ptr<pictor_form> form;
    int frame_width = 512;
    int frame_height = 512;
};

TEST_F(snapshot_writer_test, a_burst_of_releases_gives_complete_files_named_in_release_order)
{
    const std::wstring folder = use_settings(300, 800, L"Serie");
    ASSERT_TRUE(pattern.activate());
    point_at(960, 540);
    // Each release has a width of its own, so every file tells which release it holds. The releases come
    // faster than the files are written.
    const int releases = 8;
    for (int i = 0; i < releases; ++i) {
        form->set_text(width_edit, std::to_wstring(300 + 40 * i));
        tap_key(key_w);
    }
    std::vector<std::wstring> files = wait_for_new_files(folder, {}, releases, file_timeout);
    ASSERT_EQ(files.size(), static_cast<std::size_t>(releases));
    std::sort(files.begin(), files.end(), named_earlier);
    for (int i = 0; i < releases; ++i) {
        SCOPED_TRACE(i);
        const std::wstring path = folder + L"\\" + files[i];
        EXPECT_TRUE(is_snapshot_name(files[i], files[i].find(L'#') != std::wstring::npos));
        EXPECT_TRUE(has_png_signature(path));
        image_pixels image;
        ASSERT_TRUE(read_image(path, image));
        EXPECT_EQ(image.width, 300 + 40 * i);
        EXPECT_EQ(image.height, 800);
    }
    remove_folder(folder);
}

// A snapshot file is complete or not there. What a Pictor ended by force leaves is no snapshot, and the next
// Pictor writing into the folder removes it once nobody has written it for ten minutes.
TEST_F(snapshot_writer_test, a_process_killed_while_writing_leaves_no_partial_snapshot)
{
    const std::wstring folder = use_settings(1900, 1000, L"Abbruch");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring earlier = folder + L"\\~Pictor-4242-1.tmp";
    HANDLE leftover = CreateFileW(earlier.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(leftover, INVALID_HANDLE_VALUE);
    CloseHandle(leftover);
    ASSERT_TRUE(make_older(earlier, 11));
    point_at(960, 540);
    tap_key(key_w);
    // Killed as soon as the folder shows anything of the snapshot.
    const auto of_the_snapshot = [](const std::wstring& name) {
        return name.rfind(L"~Pictor-4242", 0) != 0 && name[0] != L'.';
    };
    pump_until(
        [&] {
            const auto entries = files_matching(folder, L"*");
            return std::any_of(entries.begin(), entries.end(), of_the_snapshot);
        },
        file_timeout);
    TerminateProcess(pictor->process.handle(), 1);
    pictor->wait_for_exit(5000);
    for (const auto& name : files_matching(folder, L"*")) {
        if (name == L"." || name == L"..")
            continue;
        image_pixels image;
        if (name.size() > 4 && name.substr(name.size() - 4) == L".png")
            EXPECT_TRUE(read_image(folder + L"\\" + name, image) && image.width == 1900) << name.c_str();
        else
            EXPECT_EQ(name.substr(name.size() - 4), L".tmp") << name.c_str();
    }
    EXPECT_FALSE(GetFileAttributesW(earlier.c_str()) != INVALID_FILE_ATTRIBUTES);
    // Ten minutes later.
    for (const auto& name : files_matching(folder, L"*.tmp"))
        EXPECT_TRUE(make_older(folder + L"\\" + name, 11));

    start_pictor();
    form->set_text(width_edit, L"64");
    form->set_text(height_edit, L"64");
    form->set_text(subfolder_edit, L"Abbruch");
    frame_width = frame_height = 64;
    const auto before = png_files(folder);
    point_at(900, 500);
    tap_key(key_w);
    ASSERT_EQ(wait_for_new_files(folder, before, 1, file_timeout).size(), 1u);
    EXPECT_TRUE(files_matching(folder, L"*.tmp").empty());
    remove_folder(folder);
}

TEST_F(snapshot_writer_test, a_failed_write_is_shown_after_the_release_and_the_next_snapshot_works)
{
    const std::wstring blocker = block_subfolder(L"Sperre");
    ASSERT_FALSE(blocker.empty());
    ASSERT_TRUE(pattern.activate());
    point_at(700, 500);
    EXPECT_LT(timed_release(key_w), held_limit_ms);

    HWND box = wait_for_window(pictor->process.id(), L"#32770", L"Error", file_timeout);
    ASSERT_NE(box, nullptr);
    // Owned by the main window. Wine ignores MB_TOPMOST: the flags are checked as a contract in app_tests.
    EXPECT_EQ(GetWindow(box, GW_OWNER), pictor->main);
    // What failed, the file's full path, then the system's reason and its code.
    const std::wstring text = message_box_text(box);
    const std::wstring headline = L"Snapshot nicht gespeichert: " + blocker + L"\\";
    ASSERT_EQ(text.rfind(headline, 0), 0u) << text.c_str();
    const std::size_t line_end = text.find(L'\n');
    ASSERT_NE(line_end, std::wstring::npos);
    EXPECT_TRUE(is_snapshot_name(text.substr(headline.size(), line_end - headline.size()), false)) << text.c_str();
    EXPECT_GT(text.size(), line_end + 1 + 13);
    EXPECT_EQ(text.substr(text.size() - 13, 9), L" (0x80070") << text.c_str();
    answer_message_box(box, IDOK);
    DeleteFileW(blocker.c_str());

    const std::wstring folder = use_settings(200, 200, L"Sperre2");
    ASSERT_TRUE(pattern.activate());
    point_at(700, 500);
    tap_key(key_w);
    EXPECT_EQ(wait_for_new_files(folder, {}, 1, file_timeout).size(), 1u);
    EXPECT_TRUE(windows_of(pictor->process.id(), L"#32770", L"Error").empty());
    remove_folder(folder);
}

// The box runs its own message loop; quitting from there must end the program normally, not on a window
// that is already gone.
TEST_F(snapshot_writer_test, quitting_while_a_write_error_is_shown_ends_the_program_normally)
{
    const std::wstring blocker = block_subfolder(L"Sperre");
    ASSERT_FALSE(blocker.empty());
    ASSERT_TRUE(pattern.activate());
    point_at(700, 500);
    tap_key(key_w);
    ASSERT_NE(wait_for_window(pictor->process.id(), L"#32770", L"Error", file_timeout), nullptr);

    quit();
    EXPECT_EQ(pictor->wait_for_exit(20000), 0u);
    DeleteFileW(blocker.c_str());
}

TEST_F(snapshot_writer_test, a_window_that_stops_answering_under_the_frame_delays_a_snapshot_only_briefly)
{
    const std::wstring folder = use_settings(512, 512, L"Haenger");
    ASSERT_TRUE(pattern.activate());
    point_at(800, 500);
    const double hang_ms = 5000;
    PostMessageW(pattern.window, pattern_hang, static_cast<WPARAM>(hang_ms), 0);
    Sleep(200);
    const double start = now_ms();
    EXPECT_LT(timed_release(key_w), held_limit_ms);
    const auto fresh = wait_for_new_files(folder, {}, 1, file_timeout);
    ASSERT_EQ(fresh.size(), 1u);
    // Written while the window still hangs, not after it answers again.
    EXPECT_LT(now_ms() - start, hang_ms - 1500);
    Sleep(static_cast<DWORD>(hang_ms));
    remove_folder(folder);
}

TEST_F(snapshot_writer_test, a_log_off_right_after_releases_keeps_every_snapshot)
{
    const std::wstring folder = use_settings(1900, 1000, L"Abmelden");
    release_over_pattern(3);
    end_session(ENDSESSION_LOGOFF);
    ended_by_the_system();
    expect_complete_files(folder, 3);
    remove_folder(folder);
}

// The last release fails while the quit writes those before it: the user sees it before Pictor ends.
TEST_F(snapshot_writer_test, a_failure_while_quitting_is_shown_before_the_program_ends)
{
    const std::wstring folder = use_settings(1900, 1000, L"Schluss");
    release_over_pattern(6);
    const std::wstring blocker = block_subfolder(L"Sperre");
    ASSERT_FALSE(blocker.empty());
    point_at(700, 500);
    tap_key(key_w);
    quit();

    HWND box = wait_for_window(pictor->process.id(), L"#32770", L"Error", 40000);
    ASSERT_NE(box, nullptr);
    const std::wstring text = message_box_text(box);
    EXPECT_EQ(text.rfind(L"Snapshot nicht gespeichert: " + blocker + L"\\", 0), 0u) << text.c_str();
    EXPECT_TRUE(pictor->process.running());
    answer_message_box(box, IDOK);
    EXPECT_EQ(pictor->wait_for_exit(10000), 0u);
    EXPECT_EQ(png_files(folder).size(), 6u);
    DeleteFileW(blocker.c_str());
    remove_folder(folder);
}

TEST_F(snapshot_writer_test, quitting_right_after_releases_still_writes_every_file_completely)
{
    const std::wstring folder = use_settings(1600, 900, L"Ende");
    release_over_pattern(3);
    quit();
    EXPECT_EQ(pictor->wait_for_exit(40000), 0u);
    expect_complete_files(folder, 3);
    remove_folder(folder);
}

// Releases into a slow share, Q, Ja, and then the end of the working day: the log-off still finds a window of
// Pictor's, which writes what waits before it lets the session end.
TEST_F(snapshot_writer_test, a_log_off_while_the_quit_still_writes_keeps_every_snapshot)
{
    start_pictor(L"pictor_slow_folder.exe");
    const std::wstring folder = use_settings(400, 300, L"Feierabend");
    release_over_pattern(2);
    quit();
    ASSERT_TRUE(pump_until([&] { return !IsWindow(pictor->main); }, file_timeout));
    const auto [windows, own] = end_session(ENDSESSION_LOGOFF);
    EXPECT_GE(own, 1u) << windows << " windows";
    ended_by_the_system();
    expect_complete_files(folder, 2);
    remove_folder(folder);
}

// An installer or update that asks programs to close: Pictor writes what waits and ends by itself, even
// though nothing ends it.
TEST_F(snapshot_writer_test, asked_to_close_by_the_system_pictor_writes_everything_and_ends)
{
    const std::wstring folder = use_settings(1900, 1000, L"Neustart");
    release_over_pattern(3);
    end_session(ENDSESSION_CLOSEAPP);
    EXPECT_EQ(pictor->wait_for_exit(25000), 0u);
    expect_complete_files(folder, 3);
    remove_folder(folder);
}

// A snapshot that fails while the log-off writes it is told at the next start, and only then.
TEST_F(snapshot_writer_test, what_a_log_off_could_not_write_is_told_at_the_next_start_and_then_forgotten)
{
    start_pictor(L"pictor_slow_folder.exe");
    const std::wstring blocker = block_subfolder(L"Gesperrt");
    ASSERT_FALSE(blocker.empty());
    release_over_pattern(1);
    end_session(ENDSESSION_LOGOFF);
    ended_by_the_system();
    DeleteFileW(blocker.c_str());

    start_pictor();
    HWND box = wait_for_window(pictor->process.id(), L"#32770", L"Error", file_timeout);
    ASSERT_NE(box, nullptr);
    const std::wstring text = message_box_text(box);
    EXPECT_EQ(text.rfind(L"Snapshot vom ", 0), 0u) << text.c_str();
    EXPECT_NE(text.find(L" beim Abmelden nicht gespeichert: " + blocker + L"\\"), std::wstring::npos) << text.c_str();
    EXPECT_NE(text.find(L"(0x8007"), std::wstring::npos) << text.c_str();
    answer_message_box(box, IDOK);
    quit();
    EXPECT_EQ(pictor->wait_for_exit(file_timeout), 0u);

    start_pictor();
    pump_for(1500);
    EXPECT_TRUE(windows_of(pictor->process.id(), L"#32770", L"Error").empty());
}

} // namespace
