#include "toolkit/dib_section.h"
#include "tests/toolkit/control_fixture.h"

#include "toolkit/button.h"
#include "toolkit/fonts.h"
#include "toolkit/static_controls.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

using control_tests::control_test;

constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF black = RGB(0, 0, 0);

// A bitmap of one colour with a 10 x 10 block of another in its top-left corner, so that a test can see
// which part of it landed where.
kite::unique_bitmap marked_bitmap(int width, int height, COLORREF fill, COLORREF corner)
{
    std::uint32_t* pixels = nullptr;
    kite::unique_bitmap bitmap = kite::top_down_dib(width, height, pixels);
    if (pixels == nullptr)
        return bitmap;
    auto bgra = [](COLORREF colour) {
        return static_cast<std::uint32_t>(GetBValue(colour) | GetGValue(colour) << 8 | GetRValue(colour) << 16);
    };
    std::fill(pixels, pixels + width * height, bgra(fill));
    for (int y = 0; y < std::min(10, height); ++y)
        std::fill(pixels + y * width, pixels + y * width + std::min(10, width), bgra(corner));
    return bitmap;
}

void repaint(HWND control)
{
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

COLORREF pixel_at(HWND control, int x, int y)
{
    const kite::window_dc dc(control);
    return GetPixel(dc.get(), x, y);
}

TEST_F(control_test, a_centred_bitmap_is_drawn_in_the_middle_of_the_item)
{
    kite::image* preview = window->add_image({10, 10, 200, 200});
    preview->set_bitmap(marked_bitmap(100, 50, red, blue));
    preview->centred = true;
    repaint(preview->handle());

    EXPECT_EQ(pixel_at(preview->handle(), 50, 75), blue);
    EXPECT_EQ(pixel_at(preview->handle(), 60, 85), red);
    EXPECT_EQ(pixel_at(preview->handle(), 149, 124), red);
    for (const POINT outside : {POINT{49, 75}, POINT{50, 74}, POINT{150, 124}, POINT{149, 125}}) {
        const COLORREF found = pixel_at(preview->handle(), outside.x, outside.y);
        EXPECT_NE(found, red) << outside.x << ", " << outside.y;
        EXPECT_NE(found, blue) << outside.x << ", " << outside.y;
    }
}

TEST_F(control_test, a_bitmap_is_drawn_unscaled_from_the_items_corner_and_cut_off_at_its_edge)
{
    kite::image* plain = window->add_image({10, 10, 200, 200});
    plain->set_bitmap(marked_bitmap(100, 50, red, blue));
    repaint(plain->handle());
    EXPECT_EQ(pixel_at(plain->handle(), 0, 0), blue);
    EXPECT_EQ(pixel_at(plain->handle(), 99, 49), red);
    EXPECT_NE(pixel_at(plain->handle(), 100, 49), red);
    EXPECT_NE(pixel_at(plain->handle(), 99, 50), red);

    // Larger than the item: centring keeps the corner in place rather than shifting it out of view.
    kite::image* large = window->add_image({220, 10, 150, 150});
    large->set_bitmap(marked_bitmap(300, 300, red, blue));
    large->centred = true;
    repaint(large->handle());
    EXPECT_EQ(pixel_at(large->handle(), 0, 0), blue);
    EXPECT_EQ(pixel_at(large->handle(), 10, 10), red);
    EXPECT_EQ(pixel_at(large->handle(), 149, 149), red);
}

TEST_F(control_test, custom_static_draws_a_framed_highlight_unless_on_draw_takes_over)
{
    auto owned = std::make_unique<kite::custom_staticctr>(parent(), kite::control_rect{10, 10, 60, 40},
                                                          WS_CHILD | WS_VISIBLE | SS_OWNERDRAW);
    kite::custom_staticctr* custom = owned.get();
    window->controls.push_back(std::move(owned));
    repaint(custom->handle());
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(pixel_at(custom->handle(), 0, 0), black);
    EXPECT_EQ(pixel_at(custom->handle(), 59, 39), black);
    EXPECT_EQ(pixel_at(custom->handle(), 1, 1), highlight);
    EXPECT_EQ(pixel_at(custom->handle(), 30, 20), highlight);

    int draws = 0;
    custom->on_draw = [&draws](kite::custom_staticctr* control, const DRAWITEMSTRUCT& item) -> LRESULT {
        ++draws;
        EXPECT_EQ(item.hwndItem, control->handle());
        const kite::unique_brush green(CreateSolidBrush(RGB(0, 255, 0)));
        return FillRect(item.hDC, &item.rcItem, green.get());
    };
    repaint(custom->handle());
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(pixel_at(custom->handle(), 0, 0), RGB(0, 255, 0));
    EXPECT_EQ(pixel_at(custom->handle(), 30, 20), RGB(0, 255, 0));
}

TEST_F(control_test, set_bitmap_takes_ownership_and_describes_the_new_bitmap)
{
    kite::image* preview = window->add_image({10, 10, 200, 200});
    EXPECT_FALSE(preview->bitmap);
    EXPECT_FALSE(preview->centred);
    EXPECT_EQ(preview->bitmap_info.bmWidth, 0);

    kite::unique_bitmap first = marked_bitmap(100, 50, red, blue);
    const HBITMAP first_handle = first.get();
    preview->set_bitmap(std::move(first));
    EXPECT_EQ(preview->bitmap.get(), first_handle);
    EXPECT_EQ(preview->bitmap_info.bmWidth, 100);
    EXPECT_EQ(preview->bitmap_info.bmHeight, 50);
    EXPECT_EQ(preview->bitmap_info.bmBitsPixel, 32);

    kite::unique_bitmap second = marked_bitmap(30, 20, red, blue);
    const HBITMAP second_handle = second.get();
    preview->set_bitmap(std::move(second));
    EXPECT_EQ(GetObjectType(first_handle), 0u);
    EXPECT_EQ(preview->bitmap_info.bmWidth, 30);

    preview->set_bitmap(kite::unique_bitmap());
    EXPECT_EQ(GetObjectType(second_handle), 0u);
    EXPECT_FALSE(preview->bitmap);
    const BITMAP zero{};
    EXPECT_EQ(std::memcmp(&preview->bitmap_info, &zero, sizeof(BITMAP)), 0);
}

TEST_F(control_test, labels_keep_the_statics_own_text_handling)
{
    kite::label* caption = window->add_label({10, 10, 150, 20}, "Höhe:");
    kite::label* empty = window->add_label({10, 40, 150, 20}, "");
    EXPECT_EQ(control_tests::text_of(caption->handle()), L"Höhe:");
    EXPECT_EQ(SendMessageW(empty->handle(), WM_GETTEXTLENGTH, 0, 0), 0);

    ASSERT_TRUE(SetWindowTextW(caption->handle(), L"min: 32x32 max: 1920x1040"));
    EXPECT_EQ(control_tests::text_of(caption->handle()), L"min: 32x32 max: 1920x1040");
}

TEST_F(control_test, a_static_whose_object_is_no_static_control_answers_nothing)
{
    kite::label* caption = window->add_label({10, 10, 150, 20}, "Breite:");
    kite::ctrl::button* button = window->add_button("OK", {10, 40, 60, 24});
    const LONG_PTR own = GetWindowLongPtrW(caption->handle(), GWLP_USERDATA);
    SetWindowLongPtrW(caption->handle(), GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(static_cast<kite::basic_message_control*>(button)));
    EXPECT_EQ(SendMessageW(caption->handle(), WM_GETTEXTLENGTH, 0, 0), 0);
    SetWindowLongPtrW(caption->handle(), GWLP_USERDATA, own);
    EXPECT_EQ(SendMessageW(caption->handle(), WM_GETTEXTLENGTH, 0, 0), 7);
}

TEST_F(control_test, mouse_messages_of_an_image_reach_its_handlers_with_the_button_set)
{
    kite::image* preview = window->add_image({10, 10, 200, 200});
    std::uint32_t buttons = 99;
    int x = 0, y = 0, leaves = 0;
    preview->on_mouse_move = [&](kite::custom_staticctr* control, std::uint32_t pressed, int at_x, int at_y) -> LRESULT {
        EXPECT_EQ(control, preview);
        buttons = pressed;
        x = at_x;
        y = at_y;
        return 77;
    };
    preview->on_mouse_hover = [&](kite::custom_staticctr*, std::uint32_t pressed, int, int) -> LRESULT {
        buttons = pressed;
        return 55;
    };
    preview->on_mouse_leave = [&](kite::custom_staticctr*) { ++leaves; };

    const LPARAM at = MAKELPARAM(3, static_cast<WORD>(-4));
    EXPECT_EQ(SendMessageW(preview->handle(), WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, at), 77);
    EXPECT_EQ(buttons, kite::custom_staticctr::left_button | kite::custom_staticctr::right_button);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, -4);
    EXPECT_EQ(SendMessageW(preview->handle(), WM_MOUSEHOVER, MK_MBUTTON | MK_SHIFT, at), 55);
    EXPECT_EQ(buttons, kite::custom_staticctr::middle_button);
    EXPECT_EQ(SendMessageW(preview->handle(), WM_MOUSELEAVE, 0, 0), 0);
    EXPECT_EQ(leaves, 1);
}

TEST_F(control_test, every_label_owns_a_font_of_its_own)
{
    kite::label* first = window->add_label({10, 10, 150, 20}, "Breite:");
    kite::label* second = window->add_label({10, 40, 150, 20}, "Höhe:");
    ASSERT_NE(first->font.get(), nullptr);
    ASSERT_NE(second->font.get(), nullptr);
    EXPECT_NE(first->font.get(), second->font.get());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(first->handle(), WM_GETFONT, 0, 0)), first->font.get());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(second->handle(), WM_GETFONT, 0, 0)), second->font.get());

    // The font is the message font at the window's DPI.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ASSERT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                           GetDpiForWindow(parent())));
    LOGFONTW used{};
    ASSERT_NE(GetObjectW(first->font.get(), sizeof(used), &used), 0);
    EXPECT_EQ(used.lfHeight, metrics.lfMessageFont.lfHeight);
    EXPECT_STREQ(used.lfFaceName, metrics.lfMessageFont.lfFaceName);

    EXPECT_FALSE(kite::create_font(nullptr));
}

} // namespace
