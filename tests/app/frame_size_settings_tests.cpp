#include <gtest/gtest.h>

#include "app/frame_size_settings.h"
#include "app/frame_window.h"
#include "app/main_form.h"
#include "app/main_window.h"
#include "tests/support/pump.h"
#include "toolkit/application.h"
#include "toolkit/edit.h"
#include "toolkit/static_controls.h"

#include <cstdint>
#include <limits>
#include <string>

namespace {

TEST(frame_size_text, is_read_as_wcstol_reads_base_10_and_saturates_at_32_bits)
{
    const struct {
        const wchar_t* text;
        std::int32_t value;
    } cases[] = {
        {L"64px", 64},
        {L"abc", 0},
        {L"", 0},
        {L"-5", -5},
        {L" \t+77x", 77},
        {L"0x10", 0},
        {L"1 2", 1},
        {L"+-3", 0},
        {L"2147483647", std::numeric_limits<std::int32_t>::max()},
        {L"99999999999", std::numeric_limits<std::int32_t>::max()},
        {L"-99999999999", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& each : cases)
        EXPECT_EQ(parse_frame_size(each.text), each.value) << std::string(each.text, each.text + wcslen(each.text));
}

TEST(frame_size_bounds, keep_at_least_32_and_at_most_the_work_area)
{
    EXPECT_EQ(bound_frame_size(0, 1920), 32);
    EXPECT_EQ(bound_frame_size(-5, 1920), 32);
    EXPECT_EQ(bound_frame_size(std::numeric_limits<std::int32_t>::min(), 1920), 32);
    EXPECT_EQ(bound_frame_size(31, 1920), 32);
    EXPECT_EQ(bound_frame_size(32, 1920), 32);
    EXPECT_EQ(bound_frame_size(33, 1920), 33);
    EXPECT_EQ(bound_frame_size(1920, 1920), 1920);
    EXPECT_EQ(bound_frame_size(1921, 1920), 1920);
    EXPECT_EQ(bound_frame_size(std::numeric_limits<std::int32_t>::max(), 1080), 1080);
}

TEST(frame_size_bounds, an_unreadable_work_area_never_shrinks_the_frame_below_32)
{
    // The work area reads as 0 x 0 when it cannot be had: the lower bound still holds.
    EXPECT_EQ(bound_frame_size(9999, 0), 9999);
    EXPECT_EQ(bound_frame_size(100, 0), 100);
    EXPECT_EQ(bound_frame_size(5, 0), 32);
    EXPECT_EQ(bound_frame_size(40, 31), 40);
}

TEST(subfolder_clean_up, is_needed_only_for_characters_other_than_the_separators)
{
    EXPECT_FALSE(subfolder_needs_clean_up(""));
    EXPECT_FALSE(subfolder_needs_clean_up("a/b\\c"));
    EXPECT_FALSE(subfolder_needs_clean_up("Übersicht"));
    for (const char* text : {"<", ">", ":", "\"", "|", "?", "*", "a/b?"})
        EXPECT_TRUE(subfolder_needs_clean_up(text)) << text;
}

// The form of a main window built in this process.
class form_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = app.create_window<my_window>("Test.FormOwner", 225, 442);
        main_window = window;
        build_form(window);
        ASSERT_NE(window->width_edit, nullptr);
        ASSERT_NE(window->height_edit, nullptr);
        ASSERT_NE(window->subfolder_edit, nullptr);
    }
    void TearDown() override
    {
        test_support::pump_for(20);
        main_window = nullptr;
    }

    // Counts the runs of an edit's change handler, which still does its work.
    static void count_changes(kite::edit* edit, int& count)
    {
        edit->on_change = [inner = edit->on_change, &count](kite::basic_message_control* control) {
            ++count;
            if (inner)
                inner(control);
        };
    }

    kite::application app{GetModuleHandleW(nullptr)};
    my_window* window = nullptr;
};

TEST_F(form_test, a_clean_up_runs_the_change_handler_once_more_and_then_stops)
{
    int changes = 0;
    count_changes(window->subfolder_edit, changes);
    window->subfolder_edit->set_text(L"a/b", true);
    EXPECT_EQ(changes, 1);
    window->subfolder_edit->set_text(L"a:b", true);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(window->subfolder_edit->get_text(), L"a_b");
}

TEST_F(form_test, reset_sets_both_sizes_loudly_and_empties_the_subfolder_quietly)
{
    int width_changes = 0, height_changes = 0, subfolder_changes = 0;
    count_changes(window->width_edit, width_changes);
    count_changes(window->height_edit, height_changes);
    count_changes(window->subfolder_edit, subfolder_changes);
    window->width_edit->set_text(L"64", true);
    window->height_edit->set_text(L"abc", true);
    window->subfolder_edit->set_text(L"Bilder", true);
    EXPECT_EQ(window->frame_width, 64);
    EXPECT_EQ(window->frame_height, 32);

    reset_settings(*window);
    EXPECT_EQ(window->width_edit->get_text(), L"512");
    EXPECT_EQ(window->height_edit->get_text(), L"512");
    EXPECT_EQ(window->subfolder_edit->get_text(), L"");
    EXPECT_EQ(window->frame_width, 512);
    EXPECT_EQ(window->frame_height, 512);
    EXPECT_EQ(width_changes, 2);
    EXPECT_EQ(height_changes, 2);
    EXPECT_EQ(subfolder_changes, 1);
}

TEST_F(form_test, only_the_size_edits_set_a_size)
{
    window->frame_width = 100;
    window->frame_height = 200;
    window->subfolder_edit->set_text(L"300", false);
    window->apply_frame_size(window->subfolder_edit);
    window->apply_frame_size(nullptr);
    EXPECT_EQ(window->frame_width, 100);
    EXPECT_EQ(window->frame_height, 200);

    // Losing the focus shows the size in force without applying the text again.
    window->width_edit->set_text(L"9x", false);
    show_frame_size(*window, window->width_edit);
    EXPECT_EQ(window->width_edit->get_text(), L"100");
    show_frame_size(*window, window->subfolder_edit);
    EXPECT_EQ(window->subfolder_edit->get_text(), L"300");
}

TEST_F(form_test, the_maxima_are_those_of_the_work_area_at_the_first_size_change)
{
    RECT area{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
    window->width_edit->set_text(L"9999", true);
    const std::int32_t first_width = window->frame_width;
    EXPECT_EQ(first_width, area.right - area.left);

    RECT smaller{area.left, area.top, area.left + 800, area.top + 600};
    if (!SystemParametersInfoW(SPI_SETWORKAREA, 0, &smaller, 0))
        GTEST_SKIP() << "the work area cannot be changed here";
    RECT now{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &now, 0);
    const bool changed = now.right - now.left == 800;
    window->width_edit->set_text(L"9998", true);
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0);
    if (!changed)
        GTEST_SKIP() << "the work area cannot be changed here";
    EXPECT_EQ(window->frame_width, first_width);
}

TEST_F(form_test, the_preview_menu_holds_the_one_item_that_opens_the_target_folder)
{
    ASSERT_NE(window->preview, nullptr);
    HMENU menu = window->preview->menu.get();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    wchar_t text[64] = {};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Öffne Zielordner");
    const UINT id = GetMenuItemID(menu, 0);
    EXPECT_EQ(id, kite::menu_item_id);
    EXPECT_EQ(window->preview->menu_handlers.count(id), 1u);
}

} // namespace
