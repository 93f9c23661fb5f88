#include "tests/toolkit/control_fixture.h"

#include "tests/support/input.h"
#include "toolkit/button.h"
#include "toolkit/static_controls.h"

#include <cstdint>
#include <vector>

namespace {

using control_tests::control_test;

// Watches, from a timer that the modal loop of a popup menu keeps serving, for a shown menu of this
// thread, notes where it is and closes it again.
class menu_watch {
public:
    menu_watch()
    {
        shown = false;
        where = RECT{};
        timer_ = SetTimer(nullptr, 0, 50, &menu_watch::look);
    }
    ~menu_watch() { KillTimer(nullptr, timer_); }
    menu_watch(const menu_watch&) = delete;
    menu_watch& operator=(const menu_watch&) = delete;

    static inline bool shown = false;
    static inline RECT where{};

private:
    static BOOL CALLBACK find_menu(HWND candidate, LPARAM found)
    {
        wchar_t name[16] = {};
        GetClassNameW(candidate, name, 16);
        if (lstrcmpW(name, L"#32768") == 0 && IsWindowVisible(candidate)) {
            *reinterpret_cast<HWND*>(found) = candidate;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK look(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND menu = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &menu_watch::find_menu, reinterpret_cast<LPARAM>(&menu));
        if (menu == nullptr)
            return;
        shown = true;
        GetWindowRect(menu, &where);
        EndMenu();
    }

    UINT_PTR timer_ = 0;
};

LPARAM screen_point(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

struct command_log {
    std::vector<std::uint32_t> ids;

    kite::basic_message_control::menu_handler recorder()
    {
        return [this](std::uint32_t id) { ids.push_back(id); };
    }
};

TEST_F(control_test, menu_ids_are_unique_across_controls_and_move_without_a_menu)
{
    kite::image* preview = window->add_image({10, 10, 100, 100});
    kite::label* caption = window->add_label({10, 120, 100, 20}, "Vorschau");
    kite::ctrl::button* button = window->add_button("OK", {10, 150, 60, 24});
    preview->menu.reset(CreatePopupMenu());
    caption->menu.reset(CreatePopupMenu());
    command_log log;

    const std::uint32_t before = kite::menu_item_id;
    EXPECT_TRUE(preview->add_menu_item(L"Öffne Zielordner", log.recorder()));
    EXPECT_FALSE(button->add_menu_item(L"ohne Menü", log.recorder()));
    EXPECT_TRUE(caption->add_menu_item(L"Kopieren", log.recorder()));
    EXPECT_TRUE(preview->add_menu_item(L"Löschen", log.recorder()));

    EXPECT_EQ(kite::menu_item_id, before + 4);
    EXPECT_EQ(GetMenuItemID(preview->menu.get(), 0), before + 1);
    EXPECT_EQ(GetMenuItemID(caption->menu.get(), 0), before + 3);
    EXPECT_EQ(GetMenuItemID(preview->menu.get(), 1), before + 4);
    EXPECT_EQ(preview->menu_item_count, 2);
    EXPECT_EQ(button->menu_item_count, 0);
    EXPECT_TRUE(button->menu_handlers.empty());

    wchar_t text[64] = {};
    GetMenuStringW(preview->menu.get(), 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Löschen");
}

TEST_F(control_test, menu_commands_run_the_handler_of_their_item_through_the_parent)
{
    kite::image* preview = window->add_image({10, 10, 100, 100});
    kite::label* caption = window->add_label({10, 120, 100, 20}, "Vorschau");
    preview->menu.reset(CreatePopupMenu());
    caption->menu.reset(CreatePopupMenu());
    command_log preview_log, caption_log;
    preview->add_menu_item(L"Öffne Zielordner", preview_log.recorder());
    preview->add_menu_item(L"Löschen", preview_log.recorder());
    caption->add_menu_item(L"Kopieren", caption_log.recorder());
    const UINT open = GetMenuItemID(preview->menu.get(), 0);
    const UINT remove = GetMenuItemID(preview->menu.get(), 1);
    const UINT copy = GetMenuItemID(caption->menu.get(), 0);

    SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(remove, 0), 0);
    EXPECT_EQ(preview_log.ids, std::vector<std::uint32_t>{remove});
    EXPECT_TRUE(caption_log.ids.empty());

    // An accelerator (code 1) with the same number is no menu command.
    SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(open, 1), 0);
    EXPECT_EQ(preview_log.ids.size(), 1u);

    // A WM_COMMAND that reaches a static goes on to its parent.
    SendMessageW(preview->handle(), WM_COMMAND, MAKEWPARAM(copy, 0), 0);
    EXPECT_EQ(caption_log.ids, std::vector<std::uint32_t>{copy});
    EXPECT_EQ(preview_log.ids.size(), 1u);
}

TEST_F(control_test, menu_ids_beyond_sixteen_bits_are_refused)
{
    kite::image* preview = window->add_image({10, 10, 100, 100});
    preview->menu.reset(CreatePopupMenu());
    command_log log;
    const std::uint32_t saved = kite::menu_item_id;

    kite::menu_item_id = 0xFFFE;
    EXPECT_TRUE(preview->add_menu_item(L"letzte", log.recorder()));
    EXPECT_EQ(GetMenuItemID(preview->menu.get(), 0), 0xFFFFu);
    // 0x10000 would reach WM_COMMAND as 0, 0x11000 as 0x1000, the id of some older item.
    EXPECT_FALSE(preview->add_menu_item(L"zu viel", log.recorder()));
    EXPECT_EQ(kite::menu_item_id, 0x10000u);
    EXPECT_EQ(GetMenuItemCount(preview->menu.get()), 1);
    EXPECT_EQ(preview->menu_handlers.size(), 1u);

    SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(0xFFFF, 0), 0);
    EXPECT_EQ(log.ids, std::vector<std::uint32_t>{0xFFFFu});
    kite::menu_item_id = saved;
}

TEST_F(control_test, context_menu_shows_at_the_click_and_not_from_the_keyboard)
{
    kite::image* preview = window->add_image({10, 10, 100, 100});
    kite::label* caption = window->add_label({10, 120, 100, 20}, "Vorschau");
    preview->menu.reset(CreatePopupMenu());
    preview->add_menu_item(L"Öffne Zielordner", nullptr);
    const WPARAM clicked = reinterpret_cast<WPARAM>(preview->handle());
    {
        menu_watch watch;
        SendMessageW(parent(), WM_CONTEXTMENU, clicked, screen_point(300, 200));
        EXPECT_TRUE(menu_watch::shown);
        EXPECT_EQ(menu_watch::where.left, 300);
        EXPECT_EQ(menu_watch::where.top, 200);
    }
    {
        // Shift+F10 and the menu key ask at (-1, -1).
        menu_watch watch;
        SendMessageW(parent(), WM_CONTEXTMENU, clicked, screen_point(-1, -1));
        test_support::pump_for(120);
        EXPECT_FALSE(menu_watch::shown);
    }
    {
        // A click on another control, even one without a menu, is not the preview's.
        menu_watch watch;
        SendMessageW(parent(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(caption->handle()), screen_point(300, 200));
        test_support::pump_for(120);
        EXPECT_FALSE(menu_watch::shown);
    }
    {
        // A monitor left of the primary one has negative coordinates.
        menu_watch watch;
        SendMessageW(parent(), WM_CONTEXTMENU, clicked, screen_point(-300, 200));
        EXPECT_TRUE(menu_watch::shown);
    }
}

TEST_F(control_test, a_right_click_on_the_image_opens_its_menu_at_the_pointer)
{
    kite::image* preview = window->add_image({10, 10, 100, 100});
    preview->menu.reset(CreatePopupMenu());
    preview->add_menu_item(L"Öffne Zielordner", nullptr);
    RECT bounds{};
    GetWindowRect(preview->handle(), &bounds);
    SetForegroundWindow(parent());
    const POINT at = test_support::move_pointer(bounds.left + 40, bounds.top + 30);
    ASSERT_EQ(WindowFromPoint(at), preview->handle());

    menu_watch watch;
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, clicks, sizeof(INPUT));
    EXPECT_TRUE(test_support::pump_until([] { return menu_watch::shown; }, 3000));
    EXPECT_EQ(menu_watch::where.left, at.x);
    EXPECT_EQ(menu_watch::where.top, at.y);
}

} // namespace
