#include <gtest/gtest.h>

#include "app/imaging.h"
#include "app/snapshot.h"
#include "tests/support/child_process.h"
#include "toolkit/dib_section.h"
#include "tests/support/pump.h"
#include "tests/support/temp_folder.h"
#include "toolkit/application.h"
#include "toolkit/static_controls.h"
#include "toolkit/window.h"

#include <fstream>
#include <thread>

namespace {

class preview_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = app.create_window<kite::basic_window>("Test.Preview", 300, 300);
        preview = window->add_image({5, 31, 200, 200});
    }
    void TearDown() override { test_support::pump_for(20); }

    // Writes a PNG of the given size filled with one colour.
    std::wstring write_png(const std::wstring& name, int width, int height)
    {
        std::uint32_t* pixels = nullptr;
        kite::unique_bitmap bitmap = kite::top_down_dib(width, height, pixels);
        EXPECT_NE(pixels, nullptr);
        for (int i = 0; i < width * height; ++i)
            pixels[i] = 0x00336699u;
        imaging_factory factory;
        wic_image image(factory);
        EXPECT_TRUE(image.assign_bitmap(bitmap.get()));
        const std::wstring path = folder.path() + L"\\" + name;
        EXPECT_TRUE(image.save(path));
        return path;
    }

    kite::application app{GetModuleHandleW(nullptr)};
    kite::basic_window* window = nullptr;
    kite::image* preview = nullptr;
    test_support::temp_folder folder;
};

TEST_F(preview_test, a_snapshot_is_fitted_into_the_preview_and_drawn_centred)
{
    ASSERT_TRUE(load_image_file(*preview, write_png(L"wide.png", 512, 300)));
    EXPECT_TRUE(preview->centred);
    EXPECT_EQ(preview->bitmap_info.bmWidth, 200);
    EXPECT_EQ(preview->bitmap_info.bmHeight, 117);

    ASSERT_TRUE(load_image_file(*preview, write_png(L"small.png", 32, 32)));
    EXPECT_EQ(preview->bitmap_info.bmWidth, 200);
    EXPECT_EQ(preview->bitmap_info.bmHeight, 200);

    ASSERT_TRUE(load_image_file(*preview, write_png(L"flat.png", 1000, 200)));
    EXPECT_EQ(preview->bitmap_info.bmWidth, 200);
    EXPECT_EQ(preview->bitmap_info.bmHeight, 40);
}

TEST_F(preview_test, a_missing_file_clears_the_preview_without_a_message)
{
    ASSERT_TRUE(load_image_file(*preview, write_png(L"first.png", 64, 64)));
    EXPECT_FALSE(load_image_file(*preview, folder.path() + L"\\missing.png"));
    EXPECT_FALSE(preview->bitmap);
    EXPECT_EQ(preview->bitmap_info.bmWidth, 0);
}

TEST_F(preview_test, an_unreadable_file_shows_the_error_box_and_keeps_the_previous_picture)
{
    ASSERT_TRUE(load_image_file(*preview, write_png(L"good.png", 512, 300)));
    HBITMAP previous = preview->bitmap.get();
    const std::wstring broken = folder.path() + L"\\broken.png";
    std::ofstream(broken.c_str(), std::ios::binary) << "this is no image";

    // The box is modal: another thread reads and answers it.
    std::wstring text;
    std::thread answer([&] {
        HWND box = test_support::wait_for_window(GetCurrentProcessId(), L"#32770", L"Error", 10000);
        if (box == nullptr)
            return;
        text = test_support::message_box_text(box);
        test_support::answer_message_box(box, IDOK);
    });
    const bool loaded = load_image_file(*preview, broken);
    answer.join();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(text.rfind(L"an com error has occurred: hresult=0x", 0), 0u) << text.c_str();
    EXPECT_EQ(text.size(), 45u);
    EXPECT_EQ(preview->bitmap.get(), previous);
    EXPECT_EQ(preview->bitmap_info.bmWidth, 200);
}

} // namespace
