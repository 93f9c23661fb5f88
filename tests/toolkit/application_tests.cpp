#include <gtest/gtest.h>

#include "tests/support/pump.h"
#include "toolkit/application.h"
#include "toolkit/window.h"

#include <string>
#include <vector>

namespace {

// Records its own deletion and the messages the toolkit hands to it.
class probe_window : public kite::basic_window {
public:
    probe_window(kite::application* owner, const std::wstring& name, int width, int height)
        : kite::basic_window(owner, name, width, height)
    {
    }
    ~probe_window() override
    {
        ++deletions;
        deleted_names.push_back(class_name());
    }

    LRESULT handle_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) override
    {
        received.push_back(msg);
        if (msg == WM_CREATE)
            create_hwnd = hwnd;
        return kite::basic_window::handle_message(hwnd, msg, wparam, lparam);
    }

    static int deletions;
    static std::vector<std::wstring> deleted_names;
    std::vector<UINT> received;
    HWND create_hwnd = nullptr;
};

int probe_window::deletions = 0;
std::vector<std::wstring> probe_window::deleted_names;

class application_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe_window::deletions = 0;
        probe_window::deleted_names.clear();
    }
    void TearDown() override
    {
        // Nothing may be left for the next test.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        EXPECT_EQ(kite::messages<1>::instance_count, 0u);
    }

    static bool contains(const std::vector<UINT>& messages, UINT msg)
    {
        for (UINT m : messages)
            if (m == msg)
                return true;
        return false;
    }
};

TEST_F(application_test, first_instance_binds_dispatcher_and_module_later_ones_do_not)
{
    HINSTANCE first_instance = GetModuleHandleW(nullptr);
    {
        kite::application first(first_instance);
        EXPECT_EQ(kite::messages<1>::instance_count, 1u);
        EXPECT_EQ(kite::messages<1>::module_instance, first_instance);
        EXPECT_TRUE(static_cast<bool>(kite::messages<1>::dispatcher));
        {
            kite::messages<1> second(reinterpret_cast<HINSTANCE>(0x1234));
            EXPECT_EQ(kite::messages<1>::instance_count, 2u);
            EXPECT_EQ(kite::messages<1>::module_instance, first_instance);
        }
        EXPECT_EQ(kite::messages<1>::instance_count, 1u);
        EXPECT_EQ(kite::messages<1>::module_instance, first_instance);
        EXPECT_TRUE(static_cast<bool>(kite::messages<1>::dispatcher));
    }
    EXPECT_EQ(kite::messages<1>::module_instance, nullptr);
    EXPECT_FALSE(static_cast<bool>(kite::messages<1>::dispatcher));
    // Without a dispatcher the window procedure answers everything with 0 and calls nothing.
    EXPECT_EQ(kite::window_procedure(nullptr, WM_ERASEBKGND, 0, 0), 0);
}

TEST_F(application_test, instance_count_saturates)
{
    kite::messages<1>::instance_count = kite::messages<1>::instance_limit;
    {
        kite::messages<1> extra(GetModuleHandleW(nullptr));
        EXPECT_EQ(kite::messages<1>::instance_count, kite::messages<1>::instance_limit);
    }
    // The destructor still counts down once.
    EXPECT_EQ(kite::messages<1>::instance_count, kite::messages<1>::instance_limit - 1);
    kite::messages<1>::instance_count = 0;
}

TEST_F(application_test, create_is_routed_by_class_name_and_created_handler_runs_in_the_loop)
{
    kite::application app(GetModuleHandleW(nullptr));
    auto* first = app.create_window<probe_window>("Test.RouteA", 200, 100);
    auto* second = app.create_window<probe_window>("Test.RouteB", 200, 100);
    ASSERT_NE(first->handle(), nullptr);
    EXPECT_EQ(first->create_hwnd, first->handle());
    EXPECT_EQ(second->create_hwnd, second->handle());
    EXPECT_TRUE(contains(first->received, WM_CREATE));

    int runs = 0;
    kite::basic_window* seen = nullptr;
    second->created_handler = [&](kite::basic_window* window) {
        ++runs;
        seen = window;
    };
    EXPECT_EQ(runs, 0);
    ASSERT_TRUE(test_support::pump_until([&] { return runs == 1; }, 2000));
    test_support::pump_for(50);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(seen, second);
}

TEST_F(application_test, create_without_class_name_reaches_no_window)
{
    kite::application app(GetModuleHandleW(nullptr));
    auto* window = app.create_window<probe_window>("Test.NoClass", 200, 100);
    const std::size_t before = window->received.size();
    EXPECT_EQ(app.dispatch_to_window(reinterpret_cast<HWND>(0x4321), WM_CREATE, 0, 0), 0);
    CREATESTRUCTW create{};
    EXPECT_EQ(app.dispatch_to_window(reinterpret_cast<HWND>(0x4321), WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)),
              0);
    EXPECT_EQ(window->received.size(), before);
}

TEST_F(application_test, close_defers_deletion_and_last_window_quits_after_all_are_deleted)
{
    kite::application app(GetModuleHandleW(nullptr));
    auto* first = app.create_window<probe_window>("Test.CloseA", 200, 100);
    auto* second = app.create_window<probe_window>("Test.CloseB", 200, 100);
    HWND first_handle = first->handle();

    SendMessageW(first_handle, WM_CLOSE, 0, 0);
    // Destroyed natively, but the object is only queued: nothing is deleted inside its own handler.
    EXPECT_FALSE(IsWindow(first_handle));
    EXPECT_EQ(probe_window::deletions, 0);
    EXPECT_EQ(kite::pending_windows.size(), 1u);
    ASSERT_EQ(app.windows.size(), 1u);
    EXPECT_EQ(app.windows.front().get(), second);

    ASSERT_TRUE(test_support::pump_until([] { return probe_window::deletions == 1; }, 2000));
    EXPECT_TRUE(kite::pending_windows.empty());

    // The last window: deleted at once, then the quit message comes after the queued private messages.
    SendMessageW(second->handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(probe_window::deletions, 2);
    EXPECT_TRUE(app.windows.empty());
    MSG msg{};
    int steps = 0;
    while (kite::pump_message(msg))
        ++steps;
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_TRUE(kite::pending_windows.empty());
    EXPECT_TRUE(kite::pending_controls.empty());
    EXPECT_TRUE(kite::pending_unregistrations.empty());
}

TEST_F(application_test, close_handler_can_veto)
{
    kite::application app(GetModuleHandleW(nullptr));
    auto* window = app.create_window<probe_window>("Test.Veto", 200, 100);
    int asked = 0;
    window->close_handler = [&](kite::basic_window* self, bool& allow) {
        EXPECT_EQ(self, window);
        ++asked;
        allow = false;
    };
    EXPECT_EQ(SendMessageW(window->handle(), WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(IsWindow(window->handle()));
    EXPECT_EQ(app.windows.size(), 1u);
    test_support::pump_for(50);
    EXPECT_EQ(probe_window::deletions, 0);

    window->close_handler = [&](kite::basic_window*, bool&) { ++asked; };
    HWND handle = window->handle();
    SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(probe_window::deletions, 1);
}

TEST_F(application_test, destroying_the_application_deletes_each_open_window_once)
{
    HWND handles[3] = {};
    {
        kite::application app(GetModuleHandleW(nullptr));
        handles[0] = app.create_window<probe_window>("Test.TearA", 200, 100)->handle();
        handles[1] = app.create_window<probe_window>("Test.TearB", 200, 100)->handle();
        handles[2] = app.create_window<probe_window>("Test.TearC", 200, 100)->handle();
    }
    EXPECT_EQ(probe_window::deletions, 3);
    ASSERT_EQ(probe_window::deleted_names.size(), 3u);
    EXPECT_EQ(probe_window::deleted_names[0], L"Test.TearA");
    EXPECT_EQ(probe_window::deleted_names[2], L"Test.TearC");
    for (HWND handle : handles)
        EXPECT_FALSE(IsWindow(handle));
    EXPECT_TRUE(kite::pending_windows.empty());
    // No quit is left behind by the teardown.
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(application_test, destroy_without_a_released_window_removes_nothing_but_quits_on_empty_list)
{
    kite::application app(GetModuleHandleW(nullptr));
    auto* window = app.create_window<probe_window>("Test.Stray", 200, 100);
    // A WM_DESTROY when every window still holds its handle changes nothing.
    EXPECT_EQ(app.route_message(window->handle(), WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(app.windows.size(), 1u);
    EXPECT_TRUE(kite::pending_windows.empty());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.windows.empty());
    EXPECT_EQ(app.route_message(nullptr, WM_DESTROY, 0, 0), 0);
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(application_test, private_messages_are_consumed_by_the_loop_even_when_addressed_to_a_window)
{
    kite::application app(GetModuleHandleW(nullptr));
    auto* window = app.create_window<probe_window>("Test.Private", 200, 100);
    test_support::pump_for(50);
    window->received.clear();
    PostMessageW(window->handle(), kite::msg_delete_windows, 0, 0);
    PostMessageW(window->handle(), kite::msg_retry_unregister, 0, 0);
    PostMessageW(window->handle(), kite::msg_delete_controls, 0, 0);
    PostMessageW(window->handle(), WM_COMMAND, 0, 0);
    ASSERT_TRUE(test_support::pump_until([&] { return contains(window->received, WM_COMMAND); }, 2000));
    EXPECT_FALSE(contains(window->received, kite::msg_delete_windows));
    EXPECT_FALSE(contains(window->received, kite::msg_retry_unregister));
    EXPECT_FALSE(contains(window->received, kite::msg_delete_controls));
}

TEST_F(application_test, a_name_can_be_used_again_once_its_window_is_gone)
{
    kite::application app(GetModuleHandleW(nullptr));
    auto* keep = app.create_window<probe_window>("Test.Keep", 200, 100);
    auto* first = app.create_window<probe_window>("Test.Again", 200, 100);
    SendMessageW(first->handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(test_support::pump_until([] { return probe_window::deletions == 1; }, 2000));
    auto* again = app.create_window<probe_window>("Test.Again", 300, 150);
    ASSERT_NE(again->handle(), nullptr);
    EXPECT_EQ(again->create_hwnd, again->handle());
    RECT rect{};
    GetWindowRect(again->handle(), &rect);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_NE(keep->handle(), nullptr);
}

} // namespace
