#include <gtest/gtest.h>

#include "app/error_box.h"
#include "app/main_form.h"
#include "app/main_window.h"
#include "toolkit/application.h"

namespace {

// Windows opens a background program's box behind the window the user works in unless the box asks to be
// topmost and to take the foreground; Wine has no such rule, so the flags are the contract here.
TEST(message_boxes, every_box_comes_above_the_users_window_owned_by_the_main_window_while_it_exists)
{
    constexpr UINT above = MB_TOPMOST | MB_SETFOREGROUND;
    EXPECT_EQ(error_box_style & above, above);
    EXPECT_EQ(error_box_style & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(quit_question_style & above, above);
    EXPECT_EQ(quit_question_style & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(quit_question_style & MB_ICONMASK, static_cast<UINT>(MB_ICONQUESTION));

    kite::application app(GetModuleHandleW(nullptr));
    my_window* window = app.create_window<my_window>("Test.BoxOwner", 225, 442);
    main_window = window;
    EXPECT_EQ(box_owner(), window->handle());
    // After a confirmed quit the boxes have no owner left.
    main_window = nullptr;
    EXPECT_EQ(box_owner(), nullptr);
}

} // namespace
