#include "tests/toolkit/control_fixture.h"

#include "toolkit/control_scaling.h"
#include "toolkit/static_controls.h"

namespace {

using control_tests::control_test;

class counted_label : public kite::label {
public:
    using kite::label::label;
    ~counted_label() override { ++deletions; }
    static inline int deletions = 0;
};

TEST_F(control_test, controls_are_deleted_by_the_loop_after_their_window_closes)
{
    counted_label::deletions = 0;
    auto owned = std::make_unique<counted_label>(parent(), kite::control_rect{10, 10, 100, 20}, "Version");
    const HWND label_window = owned->handle();
    const HFONT label_font = owned->font.get();
    window->controls.push_back(std::move(owned));
    kite::image* preview = window->add_image({10, 40, 100, 100});
    preview->set_bitmap(kite::unique_bitmap(CreateBitmap(8, 8, 1, 32, nullptr)));
    const HBITMAP bitmap = preview->bitmap.get();
    preview->menu.reset(CreatePopupMenu());
    const HMENU menu = preview->menu.get();

    SendMessageW(parent(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(label_window));
    EXPECT_EQ(counted_label::deletions, 0);
    EXPECT_EQ(kite::pending_controls.size(), 2u);

    ASSERT_TRUE(test_support::pump_until([] { return kite::pending_controls.empty(); }, 2000));
    EXPECT_EQ(counted_label::deletions, 1);
    EXPECT_EQ(GetObjectType(label_font), 0u);
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_FALSE(IsMenu(menu));
}

TEST_F(control_test, scale_control_multiplies_position_and_size_and_truncates)
{
    kite::label* caption = window->add_label({5, 31, 200, 200}, "Vorschau");
    kite::scale_control(caption, 1.5f);
    const RECT scaled = control_tests::placement_of(caption->handle());
    EXPECT_EQ(scaled.left, 7);
    EXPECT_EQ(scaled.top, 46);
    EXPECT_EQ(scaled.right, 300);
    EXPECT_EQ(scaled.bottom, 300);

    kite::scale_control(caption, 1.0f);
    const RECT unchanged = control_tests::placement_of(caption->handle());
    EXPECT_EQ(unchanged.left, 7);
    EXPECT_EQ(unchanged.top, 46);
    EXPECT_EQ(unchanged.right, 300);
}

TEST_F(control_test, scale_control_rounds_each_product_to_single_precision_before_truncating)
{
    // Each value times the single-precision 5/3 (160 DPI) lies a hair below a whole number.
    kite::label* caption = window->add_label({96, 120, 225, 30}, "Vorschau");
    kite::scale_control(caption, 160.0f / 96.0f);
    const RECT scaled = control_tests::placement_of(caption->handle());
    EXPECT_EQ(scaled.left, 160);
    EXPECT_EQ(scaled.top, 200);
    EXPECT_EQ(scaled.right, 375);
    EXPECT_EQ(scaled.bottom, 50);
}

} // namespace
