#include "tests/toolkit/control_fixture.h"

#include "toolkit/button.h"
#include "toolkit/edit.h"

#include <vector>

namespace {

using control_tests::control_test;

struct event_log {
    std::vector<kite::basic_message_control*> sources;

    std::function<void(kite::basic_message_control*)> recorder()
    {
        return [this](kite::basic_message_control* source) { sources.push_back(source); };
    }
};

TEST_F(control_test, set_text_runs_on_change_only_when_asked_and_only_once)
{
    kite::edit* edit = window->add_edit({10, 10, 120, 24});
    event_log changes;
    edit->on_change = changes.recorder();

    edit->set_text(L"512", false);
    EXPECT_EQ(edit->get_text(), L"512");
    EXPECT_TRUE(changes.sources.empty());
    EXPECT_FALSE(edit->suppress_change);

    edit->set_text(L"1024", true);
    EXPECT_EQ(edit->get_text(), L"1024");
    ASSERT_EQ(changes.sources.size(), 1u);
    EXPECT_EQ(changes.sources[0], edit);

    // A quiet set_text does not silence what the user types afterwards.
    changes.sources.clear();
    edit->set_text(L"7", false);
    SendMessageW(edit->handle(), EM_SETSEL, 1, 1);
    SendMessageW(edit->handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"8"));
    EXPECT_EQ(edit->get_text(), L"78");
    EXPECT_EQ(changes.sources.size(), 1u);
}

TEST_F(control_test, get_text_holds_exactly_the_characters)
{
    kite::edit* edit = window->add_edit({10, 10, 200, 24});
    const std::wstring empty = edit->get_text();
    EXPECT_EQ(empty.size(), 0u);

    edit->set_text(L"Urlaub/Übersee", false);
    const std::wstring text = edit->get_text();
    EXPECT_EQ(text.size(), 14u);
    EXPECT_EQ(text, L"Urlaub/Übersee");

    edit->set_text(L"", true);
    EXPECT_EQ(edit->get_text().size(), 0u);
}

TEST_F(control_test, edit_notifications_reach_only_the_edit_they_come_from)
{
    kite::edit* first = window->add_edit({10, 10, 120, 24});
    kite::edit* second = window->add_edit({10, 40, 120, 24});
    event_log first_changes, first_focus_lost, second_changes, second_focus_lost;
    first->on_change = first_changes.recorder();
    first->on_kill_focus = first_focus_lost.recorder();
    second->on_change = second_changes.recorder();
    second->on_kill_focus = second_focus_lost.recorder();

    SetFocus(first->handle());
    SetFocus(second->handle());
    ASSERT_EQ(GetFocus(), second->handle());
    ASSERT_EQ(first_focus_lost.sources.size(), 1u);
    EXPECT_EQ(first_focus_lost.sources[0], first);
    EXPECT_TRUE(second_focus_lost.sources.empty());

    second->set_text(L"64", true);
    EXPECT_TRUE(first_changes.sources.empty());
    EXPECT_EQ(second_changes.sources.size(), 1u);
    EXPECT_EQ(first_focus_lost.sources.size(), 1u);
}

TEST_F(control_test, a_click_runs_only_the_clicked_buttons_handler)
{
    kite::ctrl::button* quit = window->add_button("&Beenden", {10, 10, 90, 24});
    kite::ctrl::button* reset = window->add_button("Zurücksetzen", {10, 40, 90, 24});
    event_log quit_clicks, reset_clicks;
    quit->on_click = quit_clicks.recorder();
    reset->on_click = reset_clicks.recorder();

    SendMessageW(reset->handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(reset_clicks.sources.size(), 1u);
    EXPECT_EQ(reset_clicks.sources[0], reset);
    EXPECT_TRUE(quit_clicks.sources.empty());

    // Another notification from the button is no click.
    SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(0, BN_SETFOCUS), reinterpret_cast<LPARAM>(quit->handle()));
    EXPECT_TRUE(quit_clicks.sources.empty());
}

TEST_F(control_test, buttons_and_edits_are_created_as_described)
{
    kite::ctrl::button* button = window->add_button("Zurücksetzen", {5, 31, 90, 24});
    kite::edit* edit = window->add_edit({5, 60, 100, 22});

    EXPECT_EQ(GetParent(button->handle()), parent());
    const RECT button_place = control_tests::placement_of(button->handle());
    EXPECT_EQ(button_place.left, 5);
    EXPECT_EQ(button_place.top, 31);
    EXPECT_EQ(button_place.right, 90);
    EXPECT_EQ(button_place.bottom, 24);
    EXPECT_EQ(control_tests::text_of(button->handle()), L"Zurücksetzen");
    const LONG button_style = GetWindowLongW(button->handle(), GWL_STYLE);
    EXPECT_EQ(button_style & (WS_TABSTOP | BS_TYPEMASK), WS_TABSTOP | BS_DEFPUSHBUTTON);

    const RECT edit_place = control_tests::placement_of(edit->handle());
    EXPECT_EQ(edit_place.top, 60);
    EXPECT_EQ(edit_place.right, 100);
    const LONG edit_style = GetWindowLongW(edit->handle(), GWL_STYLE);
    // The edit takes WS_BORDER out of its style and draws the border itself, so only this shows.
    EXPECT_EQ(edit_style & ES_AUTOHSCROLL, 0);

    // Each control draws with a font of its own.
    ASSERT_NE(button->font.get(), nullptr);
    ASSERT_NE(edit->font.get(), nullptr);
    EXPECT_NE(button->font.get(), edit->font.get());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button->handle(), WM_GETFONT, 0, 0)), button->font.get());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit->handle(), WM_GETFONT, 0, 0)), edit->font.get());
}

} // namespace
