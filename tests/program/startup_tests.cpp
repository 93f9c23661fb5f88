#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/pump.h"

#include <string>

using namespace test_support;

namespace {

constexpr DWORD start_timeout = 15000;
constexpr DWORD fatal_exit = 0xFFFFFFFFu;

struct started_pictor {
    child_process process{beside_this_program(L"Pictor.exe")};
    HWND main = nullptr;
    HWND frame = nullptr;

    bool wait_for_windows()
    {
        main = wait_for_window(process.id(), L"Pictor.MainWindow", nullptr, start_timeout);
        frame = wait_for_window(process.id(), L"Pictor.FrameWindow", nullptr, start_timeout);
        // Both windows exist before the loop runs; wait until it does.
        WaitForInputIdle(process.handle(), start_timeout);
        return main != nullptr && frame != nullptr;
    }
};

RECT window_rect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

TEST(startup, shows_the_main_window_and_a_topmost_ring_frame_centred_on_the_pointer)
{
    ASSERT_TRUE(SetCursorPos(900, 600));
    started_pictor pictor;
    ASSERT_TRUE(pictor.process.started());
    ASSERT_TRUE(pictor.wait_for_windows());

    EXPECT_EQ(window_text(pictor.main), L"Pictor.MainWindow");
    EXPECT_TRUE(IsWindowVisible(pictor.main));
    const RECT main_rect = window_rect(pictor.main);
    EXPECT_EQ(main_rect.right - main_rect.left, 225);
    EXPECT_EQ(main_rect.bottom - main_rect.top, 442);
    const LONG main_style = GetWindowLongW(pictor.main, GWL_STYLE);
    EXPECT_EQ(main_style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MAXIMIZE), 0);
    EXPECT_NE(main_style & WS_MINIMIZEBOX, 0);

    EXPECT_TRUE(IsWindowVisible(pictor.frame));
    const LONG frame_style = GetWindowLongW(pictor.frame, GWL_STYLE);
    EXPECT_EQ(frame_style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), 0);
    const LONG frame_ex_style = GetWindowLongW(pictor.frame, GWL_EXSTYLE);
    EXPECT_NE(frame_ex_style & WS_EX_TOPMOST, 0);
    EXPECT_NE(frame_ex_style & WS_EX_TOOLWINDOW, 0);

    POINT cursor{};
    GetCursorPos(&cursor);
    const RECT frame_rect = window_rect(pictor.frame);
    EXPECT_EQ(frame_rect.left, cursor.x - 256);
    EXPECT_EQ(frame_rect.top, cursor.y - 256);
    EXPECT_EQ(frame_rect.right - frame_rect.left, 512);
    EXPECT_EQ(frame_rect.bottom - frame_rect.top, 512);

    // Only the 2-pixel ring belongs to the window.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(pictor.frame, region), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 1, 300));
    EXPECT_TRUE(PtInRegion(region, 511, 511));
    EXPECT_FALSE(PtInRegion(region, 2, 2));
    EXPECT_FALSE(PtInRegion(region, 256, 256));
    EXPECT_FALSE(PtInRegion(region, 509, 509));
    EXPECT_FALSE(PtInRegion(region, 512, 0));
    DeleteObject(region);
}

// Closes the main window and confirms "Pictor beenden?".
void close_and_confirm(started_pictor& pictor)
{
    PostMessageW(pictor.main, WM_CLOSE, 0, 0);
    HWND question = wait_for_window(pictor.process.id(), L"#32770", L"Pictor", start_timeout);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(message_box_text(question), L"Pictor beenden?");
    answer_message_box(question, IDYES);
}

TEST(startup, closing_the_main_window_asks_first_and_then_ends_the_program_normally)
{
    started_pictor pictor;
    ASSERT_TRUE(pictor.wait_for_windows());
    close_and_confirm(pictor);
    DWORD exit_code = 1234;
    ASSERT_TRUE(pictor.process.wait_for_exit(start_timeout, exit_code));
    EXPECT_EQ(exit_code, 0u);
}

TEST(startup, a_frame_closed_from_outside_leaves_the_program_running)
{
    started_pictor pictor;
    ASSERT_TRUE(pictor.wait_for_windows());
    PostMessageW(pictor.frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(pictor.frame); }, start_timeout));

    // The main window still answers, and the process is still there a while later.
    pump_for(500);
    EXPECT_TRUE(pictor.process.running());
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(pictor.main, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &answer));
    EXPECT_EQ(answer, std::wstring(L"Pictor.MainWindow").size());

    close_and_confirm(pictor);
    DWORD exit_code = 1234;
    ASSERT_TRUE(pictor.process.wait_for_exit(start_timeout, exit_code));
    EXPECT_EQ(exit_code, 0u);
}

// Wine answers WM_GETICON from another process with 0, so the icon is checked as a resource of the program.
TEST(startup, program_carries_the_icon_group_102_in_three_sizes)
{
    HMODULE program = LoadLibraryExW(beside_this_program(L"Pictor.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(102), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)), nullptr) << "manifest";
    FreeLibrary(program);
}

// Windows 8 and later tell a program that does not declare them that the desktop is not composed; Wine
// answers so whatever the manifest says. So the declaration itself is checked.
TEST(startup, program_declares_windows_10_and_11_in_its_manifest)
{
    HMODULE program = LoadLibraryExW(beside_this_program(L"Pictor.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const auto* text = static_cast<const char*>(LockResource(LoadResource(program, found)));
    ASSERT_NE(text, nullptr);
    const std::string manifest(text, SizeofResource(program, found));
    FreeLibrary(program);

    const std::size_t compatibility =
        manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">");
    ASSERT_NE(compatibility, std::string::npos) << manifest;
    const std::size_t application = manifest.find("<application>", compatibility);
    const std::size_t end = manifest.find("</application>", compatibility);
    ASSERT_LT(application, end) << manifest;
    const std::string declared = manifest.substr(application, end - application);
    EXPECT_NE(declared.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"), std::string::npos)
        << manifest;
}

// Waits for the process's "Error" box, checks its text, answers it and expects exit code -1.
void expect_fatal_error(child_process& process, const std::wstring& text)
{
    HWND box = wait_for_window(process.id(), L"#32770", L"Error", start_timeout);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_box_text(box), text);
    answer_message_box(box, IDOK);
    DWORD exit_code = 0;
    ASSERT_TRUE(process.wait_for_exit(start_timeout, exit_code));
    EXPECT_EQ(exit_code, fatal_exit);
}

TEST(fatal_error, shows_the_error_box_and_exits_with_minus_one)
{
    child_process probe(beside_this_program(L"toolkit_probe.exe"), L"fatal-error");
    ASSERT_TRUE(probe.started());
    expect_fatal_error(probe, L"Probe failure text");
}

TEST(fatal_error, an_exception_in_a_message_handler_ends_in_the_error_box_not_a_silent_crash)
{
    child_process probe(beside_this_program(L"toolkit_probe.exe"), L"throwing-handler");
    ASSERT_TRUE(probe.started());
    expect_fatal_error(probe, L"Probe handler failed");
}

TEST(fatal_error, a_second_live_window_of_the_same_name_cannot_register_its_class)
{
    child_process probe(beside_this_program(L"toolkit_probe.exe"), L"duplicate-name");
    ASSERT_TRUE(probe.started());
    expect_fatal_error(probe, L"register wndclass failed");
}

} // namespace
