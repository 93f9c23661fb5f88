#include <gtest/gtest.h>

#include "tests/support/pump.h"
#include "toolkit/application.h"
#include "toolkit/window.h"

namespace {

// A control that only counts what reaches it, and may close its parent.
class counting_control : public kite::basic_control {
public:
    LRESULT handle_message(HWND parent, UINT msg, WPARAM, LPARAM) override
    {
        if (msg == WM_COMMAND) {
            ++commands;
            if (close_parent)
                SendMessageW(parent, WM_CLOSE, 0, 0);
        }
        return answer;
    }
    int commands = 0;
    bool close_parent = false;
    LRESULT answer = 0;
};

class window_test : public ::testing::Test {
protected:
    kite::application app{GetModuleHandleW(nullptr)};

    void TearDown() override
    {
        test_support::pump_for(20);
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
};

TEST_F(window_test, class_is_registered_as_described)
{
    auto* window = app.create_window<kite::basic_window>("Test.Class", 225, 442);
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"Test.Class", &info));
    EXPECT_EQ(info.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW));
    EXPECT_EQ(info.lpfnWndProc, &kite::window_procedure);
    EXPECT_EQ(info.hCursor, nullptr);
    EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    EXPECT_EQ(window->window_class.state, kite::window_class::registered);

    const LONG style = GetWindowLongW(window->handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_TRUE(IsWindowVisible(window->handle()));
    wchar_t title[64] = {};
    GetWindowTextW(window->handle(), title, 64);
    EXPECT_STREQ(title, L"Test.Class");
    RECT rect{};
    GetWindowRect(window->handle(), &rect);
    EXPECT_EQ(rect.right - rect.left, 225);
    EXPECT_EQ(rect.bottom - rect.top, 442);
}

TEST_F(window_test, class_is_unregistered_when_the_window_is_deleted)
{
    auto* keep = app.create_window<kite::basic_window>("Test.Keep1", 100, 100);
    auto* window = app.create_window<kite::basic_window>("Test.Unregister", 100, 100);
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(test_support::pump_until([] { return kite::pending_windows.empty(); }, 2000));
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), L"Test.Unregister", &info));
    EXPECT_NE(keep->handle(), nullptr);
}

TEST_F(window_test, a_class_still_in_use_at_deletion_is_unregistered_later_from_the_loop)
{
    // The last window is deleted inside its own WM_DESTROY, while its native window still exists.
    auto* window = app.create_window<kite::basic_window>("Test.Retry", 100, 100);
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    ASSERT_EQ(kite::pending_unregistrations.size(), 1u);
    EXPECT_EQ(kite::pending_unregistrations.front().class_name, L"Test.Retry");
    ASSERT_TRUE(test_support::pump_until([] { return kite::pending_unregistrations.empty(); }, 2000));
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), L"Test.Retry", &info));
}

TEST_F(window_test, second_create_does_nothing)
{
    auto* window = app.create_window<kite::basic_window>("Test.Twice", 100, 100);
    HWND first = window->handle();
    window->create();
    EXPECT_EQ(window->handle(), first);
}

TEST_F(window_test, scale_truncates_each_product)
{
    auto* window = app.create_window<kite::basic_window>("Test.Scale", 225, 442);
    RECT before{};
    GetWindowRect(window->handle(), &before);
    window->scale(1.5f);
    RECT after{};
    GetWindowRect(window->handle(), &after);
    EXPECT_EQ(after.right - after.left, 337);
    EXPECT_EQ(after.bottom - after.top, 663);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    window->scale(1.0f);
    GetWindowRect(window->handle(), &after);
    EXPECT_EQ(after.right - after.left, 337);
}

// At 160 DPI the factor 5/3 is no exact step: its single-precision value lies just below it, so a product
// truncated from higher precision loses a pixel (374 for 375).
TEST_F(window_test, scale_rounds_each_product_to_single_precision_before_truncating)
{
    auto* window = app.create_window<kite::basic_window>("Test.ScaleInexact", 225, 442);
    window->scale(160.0f / 96.0f);
    RECT after{};
    GetWindowRect(window->handle(), &after);
    EXPECT_EQ(after.right - after.left, 375);
    EXPECT_EQ(after.bottom - after.top, 736);
}

TEST_F(window_test, erase_background_fills_with_the_brush_and_declines_without_a_dc)
{
    auto* window = app.create_window<kite::basic_window>("Test.Erase", 120, 120);
    EXPECT_EQ(window->handle_message(window->handle(), WM_ERASEBKGND, 0, 0), 0);

    window->set_background(CreateSolidBrush(RGB(0, 255, 0)));
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 300, 300);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    EXPECT_EQ(window->handle_message(window->handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 1);
    RECT client{};
    GetClientRect(window->handle(), &client);
    EXPECT_EQ(GetPixel(memory, 0, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(memory, client.right - 1, client.bottom - 1), RGB(0, 255, 0));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(window_test, static_colour_follows_a_replaced_background)
{
    auto* window = app.create_window<kite::basic_window>("Test.Colour", 120, 120);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    window->set_background(green);
    HDC dc = GetDC(window->handle());
    SetBkColor(dc, RGB(1, 2, 3));
    const LRESULT brush = SendMessageW(window->handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(green));
    EXPECT_EQ(GetBkColor(dc), static_cast<COLORREF>(0x0000FF00));
    ReleaseDC(window->handle(), dc);
}

TEST_F(window_test, forwarding_stops_at_a_non_zero_answer_and_after_a_control_closes_the_window)
{
    auto* window = app.create_window<kite::basic_window>("Test.Forward", 120, 120);
    auto first = std::make_unique<counting_control>();
    auto second = std::make_unique<counting_control>();
    auto* first_raw = first.get();
    auto* second_raw = second.get();
    window->controls.push_back(std::move(first));
    window->controls.push_back(std::move(second));

    first_raw->answer = 7;
    EXPECT_EQ(SendMessageW(window->handle(), WM_COMMAND, 0, 0), 7);
    EXPECT_EQ(first_raw->commands, 1);
    EXPECT_EQ(second_raw->commands, 0);

    first_raw->answer = 0;
    EXPECT_EQ(SendMessageW(window->handle(), WM_COMMAND, 0, 0), 0);
    EXPECT_EQ(second_raw->commands, 1);

    // The first control closes the window: the walk must not reach the released second control.
    first_raw->close_parent = true;
    HWND handle = window->handle();
    SendMessageW(handle, WM_COMMAND, 0, 0);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(kite::pending_controls.size(), 2u);
    EXPECT_EQ(second_raw->commands, 1);
    ASSERT_TRUE(test_support::pump_until([] { return kite::pending_controls.empty(); }, 2000));
}

TEST_F(window_test, closing_a_window_without_controls_posts_no_control_deletion)
{
    auto* keep = app.create_window<kite::basic_window>("Test.Keep2", 100, 100);
    auto* window = app.create_window<kite::basic_window>("Test.NoControls", 100, 100);
    test_support::pump_for(30);
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, kite::msg_delete_controls, kite::msg_delete_controls, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, kite::msg_delete_windows, kite::msg_delete_windows, PM_NOREMOVE));
    EXPECT_NE(keep->handle(), nullptr);
}

} // namespace
