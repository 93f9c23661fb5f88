#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/input.h"
#include "tests/support/pictor_form.h"
#include "tests/support/pictor_session.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"

#include <string>

using namespace test_support;

namespace {

constexpr DWORD change_timeout = 5000;

class frame_size_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pictor.ready());
        ASSERT_TRUE(form.ready());
        RECT area{};
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
        work_width = area.right - area.left;
        work_height = area.bottom - area.top;
        point_at(1000, 600);
    }

    // Clicks a control; the pointer stays there.
    void click(form_control which)
    {
        pointer = centre_of(form[which]);
        form.click(which);
    }

    void point_at(int x, int y)
    {
        place_pointer(x, y);
        pointer = POINT{x, y};
    }

    // Waits until the frame has the size, then checks that it is centred on the pointer.
    void expect_frame(int width, int height)
    {
        const bool sized = pump_until(
            [&] {
                const RECT rect = pictor.frame_rect();
                return rect.right - rect.left == width && rect.bottom - rect.top == height;
            },
            change_timeout);
        const RECT rect = pictor.frame_rect();
        EXPECT_TRUE(sized) << "frame " << rect.right - rect.left << " x " << rect.bottom - rect.top << ", want "
                           << width << " x " << height;
        EXPECT_EQ(rect.left, pointer.x - width / 2);
        EXPECT_EQ(rect.top, pointer.y - height / 2);
    }

    void expect_text(form_control edit, const std::wstring& text)
    {
        pump_until([&] { return form.text(edit) == text; }, change_timeout);
        EXPECT_EQ(form.text(edit), text);
    }

    pictor_session pictor;
    pictor_form form{pictor.main};
    int work_width = 0;
    int work_height = 0;
    POINT pointer{};
};

TEST_F(frame_size_test, a_size_text_gives_its_leading_number_bounded_by_32_and_the_work_area)
{
    const struct {
        form_control edit;
        const wchar_t* text;
        int width;
        int height;
    } cases[] = {
        {width_edit, L"64px", 64, 512},
        {width_edit, L"abc", 32, 512},
        {width_edit, L"", 32, 512},
        {width_edit, L"-5", 32, 512},
        {width_edit, L" +77x", 77, 512},
        {width_edit, L"9999", work_width, 512},
        // Longer than anyone can type: the number saturates and is bounded like any other.
        {width_edit, L"99999999999", work_width, 512},
        {width_edit, L"-99999999999", 32, 512},
        {width_edit, L"300", 300, 512},
        {height_edit, L"abc", 300, 32},
        {height_edit, L"9999", 300, work_height},
        {height_edit, L"200", 300, 200},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(std::string(each.text, each.text + wcslen(each.text)));
        form.set_text(each.edit, each.text);
        expect_frame(each.width, each.height);
        // The text stays as typed.
        EXPECT_EQ(form.text(each.edit), each.text);
    }

    // The 64-pixel frame is a ring two pixels wide.
    form.set_text(width_edit, L"64");
    form.set_text(height_edit, L"64");
    expect_frame(64, 64);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(pictor.frame, region), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(region, 1, 30));
    EXPECT_TRUE(PtInRegion(region, 63, 63));
    EXPECT_FALSE(PtInRegion(region, 2, 2));
    EXPECT_FALSE(PtInRegion(region, 61, 61));
    EXPECT_FALSE(PtInRegion(region, 64, 10));
    DeleteObject(region);
}

TEST_F(frame_size_test, the_size_in_force_shows_once_the_edit_loses_the_focus)
{
    click(width_edit);
    form.set_text(width_edit, L"9999");
    expect_frame(work_width, 512);
    EXPECT_EQ(form.text(width_edit), L"9999");
    click(height_edit);
    expect_text(width_edit, std::to_wstring(work_width));

    form.set_text(height_edit, L"abc");
    expect_frame(work_width, 32);
    click(subfolder_edit);
    expect_text(height_edit, L"32");
    // Showing the bounded value changes nothing more.
    expect_frame(work_width, 32);
}

TEST_F(frame_size_test, typing_resizes_the_frame_at_every_keystroke_up_to_four_characters)
{
    click(width_edit);
    form.set_text(width_edit, L"");
    expect_frame(32, 512);
    const struct {
        WORD key;
        const wchar_t* text;
        int width;
    } steps[] = {
        {'1', L"1", 32}, {'0', L"10", 32}, {'0', L"100", 100}, {'5', L"1005", 1005},
        // A fifth character is refused.
        {'7', L"1005", 1005},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.width);
        tap_key(step.key);
        pump_for(200);
        expect_text(width_edit, step.text);
        expect_frame(step.width, 512);
    }
}

TEST_F(frame_size_test, the_buttons_restore_512_and_reset_also_empties_the_subfolder)
{
    form.set_text(width_edit, L"64");
    form.set_text(height_edit, L"100");
    expect_frame(64, 100);
    click(default_size_button);
    expect_text(width_edit, L"512");
    expect_text(height_edit, L"512");
    expect_frame(512, 512);

    form.set_text(width_edit, L"64");
    form.set_text(subfolder_edit, L"Bilder");
    expect_frame(64, 512);
    click(reset_button);
    expect_text(width_edit, L"512");
    expect_text(height_edit, L"512");
    expect_text(subfolder_edit, L"");
    expect_frame(512, 512);
}

TEST_F(frame_size_test, the_subfolder_edit_replaces_what_a_folder_name_may_not_hold_as_typed)
{
    click(subfolder_edit);
    const struct {
        const wchar_t* typed;
        const wchar_t* shown;
    } cases[] = {
        {L"a:b", L"a_b"},
        // Separators alone leave the text as typed; the next clean-up turns '/' into '\'.
        {L"a/b", L"a/b"},
        {L"a/b?", L"a\\b_"},
        {L"Über<sicht", L"Über_sicht"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(std::string(each.typed, each.typed + wcslen(each.typed)));
        form.set_text(subfolder_edit, L"");
        type_text(each.typed);
        expect_text(subfolder_edit, each.shown);
        // The caret is at the end, so typing goes on there.
        const LONG end = static_cast<LONG>(wcslen(each.shown));
        EXPECT_EQ(form.selection(subfolder_edit).x, end);
        EXPECT_EQ(form.selection(subfolder_edit).y, end);
    }
    type_text(L"x");
    expect_text(subfolder_edit, L"Über_sichtx");
}

TEST_F(frame_size_test, a_snapshot_lands_in_the_typed_subfolder)
{
    const std::wstring folder = snapshot_folder() + L"\\Bilder\\Übersicht";
    const auto before = png_files(folder);
    form.set_text(subfolder_edit, L"Bilder/Übersicht");
    expect_text(subfolder_edit, L"Bilder/Übersicht");
    point_at(1200, 700);
    tap_key('W');
    const auto fresh = wait_for_new_files(folder, before, 1, 10000);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_TRUE(is_snapshot_name(fresh[0], false));
}

} // namespace
