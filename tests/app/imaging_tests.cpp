#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/imaging.h"
#include "toolkit/dib_section.h"
#include "tests/support/temp_folder.h"

using kite_com::com_ptr;

namespace {

// A top-down 32-bit DIB section filled by pixel(x, y) as 0xAARRGGBB; its fourth bytes are whatever pixel
// says, as after a screen copy where they mean nothing.
template <class Pixel>
kite::unique_bitmap make_bitmap(int width, int height, Pixel pixel)
{
    std::uint32_t* out = nullptr;
    kite::unique_bitmap bitmap = kite::top_down_dib(width, height, out);
    if (out != nullptr) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                out[y * width + x] = pixel(x, y);
    }
    return bitmap;
}

// Many colours: pure primaries, black, white and mid greys in fixed cells, a gradient elsewhere. The
// fourth byte is junk on purpose.
std::uint32_t pattern(int x, int y)
{
    static const std::uint32_t cells[] = {0x0000FF00, 0x00000000, 0x00FFFFFF, 0x00808080, 0x007F7F7F,
                                          0x00FF0000, 0x000000FF, 0x00C0C0C0, 0x00404040, 0x00123456};
    const std::uint32_t junk = static_cast<std::uint32_t>((x * 7 + y * 3) & 0xFF) << 24;
    if (y < 8)
        return junk | cells[(x / 8) % 10];
    const std::uint32_t r = static_cast<std::uint32_t>(x * 4) & 0xFF;
    const std::uint32_t g = static_cast<std::uint32_t>(y * 5) & 0xFF;
    const std::uint32_t b = static_cast<std::uint32_t>(x * y) & 0xFF;
    return junk | (r << 16) | (g << 8) | b;
}

// Four flat quadrants, so that resampling of any kind keeps their centres' colours.
std::uint32_t quadrant_colour(bool right, bool bottom)
{
    if (!bottom)
        return right ? 0x00FF0000u : 0x0000FF00u;  // red, green
    return right ? 0x000000FFu : 0x00FFFFFFu;      // blue, white
}

kite::unique_bitmap make_quadrants(int width, int height)
{
    return make_bitmap(width, height, [=](int x, int y) { return quadrant_colour(x >= width / 2, y >= height / 2); });
}

// What make_dib produced, read back through GDI's own description of the section.
struct dib_view {
    int width = 0;
    int height = 0;
    int bit_count = 0;
    bool top_down = false;
    const std::uint32_t* pixels = nullptr;

    std::uint32_t at(int x, int y) const { return pixels[y * width + x]; }
};

// Whether GDI shows the first row in memory at the top: GetPixel reads rows as displayed.
bool first_row_shown_on_top(HBITMAP bitmap, const dib_view& view)
{
    kite::unique_memory_dc dc(CreateCompatibleDC(nullptr));
    HGDIOBJ previous = SelectObject(dc.get(), bitmap);
    bool on_top = true;
    for (int x = 0; x < view.width && on_top; ++x) {
        const std::uint32_t memory = view.at(x, 0);
        const COLORREF shown = GetPixel(dc.get(), x, 0);
        on_top = shown == RGB((memory >> 16) & 0xFF, (memory >> 8) & 0xFF, memory & 0xFF);
    }
    SelectObject(dc.get(), previous);
    return on_top;
}

dib_view view_of(HBITMAP bitmap)
{
    DIBSECTION section = {};
    dib_view view;
    if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section))
        return view;
    view.width = section.dsBmih.biWidth;
    view.height = section.dsBm.bmHeight;
    view.bit_count = section.dsBmih.biBitCount;
    view.pixels = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
    if (view.pixels != nullptr && view.height > 0)
        view.top_down = first_row_shown_on_top(bitmap, view);
    return view;
}

const std::string png_signature("\x89PNG\r\n\x1a\n", 8);
const std::string jpeg_signature("\xFF\xD8\xFF", 3);
const std::string bmp_signature("BM", 2);

bool starts_with(const std::string& bytes, const std::string& prefix)
{
    return bytes.compare(0, prefix.size(), prefix) == 0;
}

// A memory bitmap of the given format and stride over bytes that differ from each neighbour.
com_ptr<IWICBitmap> memory_image(IWICImagingFactory* factory, const GUID& format, UINT width, UINT height,
                                 UINT stride, std::vector<BYTE>& buffer)
{
    buffer.resize(static_cast<std::size_t>(stride) * height);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<BYTE>(i * 13 + 1);
    com_ptr<IWICBitmap> bitmap;
    factory->CreateBitmapFromMemory(width, height, format, stride, static_cast<UINT>(buffer.size()), buffer.data(),
                                    bitmap.put());
    return bitmap;
}

GUID format_of(IWICBitmapSource* source)
{
    GUID format = {};
    if (source != nullptr)
        source->GetPixelFormat(&format);
    return format;
}

source_description size_of(imaging_factory& factory, wic_image& image)
{
    source_description description;
    describe_source(factory.get(), image.image.get(), describe_size, description);
    return description;
}

class Imaging : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(kite_com::com_use_count, 0u);
        folder_ = std::make_unique<test_support::temp_folder>();
        factory_ = std::make_unique<imaging_factory>();
    }

    void TearDown() override
    {
        factory_.reset();
        EXPECT_EQ(kite_com::com_use_count, 0u);
        folder_.reset();
    }

    std::wstring path(const std::wstring& name) const { return folder_->child(name); }
    imaging_factory& factory() { return *factory_; }
    IWICImagingFactory* wic() { return factory_->get(); }

    // Saves a small snapshot-like image at path and answers whether save reported success.
    bool save_sample(const std::wstring& target)
    {
        wic_image image(factory());
        auto bitmap = make_bitmap(16, 12, pattern);
        return image.assign_bitmap(bitmap.get()) && image.save(target);
    }

    std::unique_ptr<test_support::temp_folder> folder_;
    std::unique_ptr<imaging_factory> factory_;
};

} // namespace

// The common names are checked on written files below; these are the cases around them.
TEST(ImagingFormats, ExtensionMatchIsWholeCaseBlindAndOnTheFileNameOnly)
{
    EXPECT_EQ(format_for_path("a.BmP"), image_format::bmp);
    EXPECT_EQ(format_for_path("archive.png.jpg"), image_format::jpeg) << "only the last dot counts";
    EXPECT_EQ(format_for_path("a.pn"), image_format::bmp) << "a prefix of an entry is no match";
    EXPECT_EQ(format_for_path("a.pngx"), image_format::bmp);
    EXPECT_EQ(format_for_path("folder.jpg/shot"), image_format::bmp);
    EXPECT_EQ(format_for_path("C:\\shots\\a.Jpeg"), image_format::jpeg);
    EXPECT_EQ(container_guid(static_cast<image_format>(7)), imaging_ids::container_bmp);
}

TEST(ImagingFormats, FitArithmetic)
{
    auto fits = [](std::int32_t w, std::int32_t h, std::int32_t box_w, std::int32_t box_h) {
        const fit_size size = fit_into_box(w, h, box_w, box_h);
        return std::to_string(size.width) + "x" + std::to_string(size.height);
    };
    EXPECT_EQ(fits(512, 300, 200, 200), "200x117");
    EXPECT_EQ(fits(512, 300, 300, 100), "170x100");
    EXPECT_EQ(fits(300, 512, 200, 200), "117x200");
    EXPECT_EQ(fits(200, 100, 400, 200), "400x200");
    EXPECT_EQ(fits(0, 100, 200, 150), "200x150") << "an empty image takes the box";
    // 32-bit products would overflow here and give a wrong or negative size.
    EXPECT_EQ(fits(100000, 50000, 60000, 60000), "60000x30000");
    EXPECT_EQ(fits(100, 50, -1, 10), "20x10") << "a negative box side reads as INT_MAX";
}

TEST_F(Imaging, SaveWritesTheContainerTheExtensionNames)
{
    struct expectation {
        const wchar_t* name;
        const std::string* signature;
    };
    CreateDirectoryW(path(L"folder.png").c_str(), nullptr);
    const expectation cases[] = {
        {L"upper.PNG", &png_signature}, {L"mixed.Png", &png_signature}, {L"lower.jpg", &jpeg_signature},
        {L"upper.JPEG", &jpeg_signature}, {L"tagged.tif", &bmp_signature}, {L"anim.gif", &bmp_signature},
        {L"noext", &bmp_signature}, {L"folder.png\\shot", &bmp_signature},
        // The file system may drop a trailing dot from the name; the container is chosen before that.
        {L"dotted.", &bmp_signature},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(::testing::Message() << std::string(item.name, item.name + wcslen(item.name)));
        ASSERT_TRUE(save_sample(path(item.name)));
        EXPECT_TRUE(starts_with(test_support::read_file(path(item.name)), *item.signature));
    }
}

TEST_F(Imaging, SaveReplacesAnExistingFile)
{
    const std::wstring target = path(L"existing.png");
    ASSERT_TRUE(test_support::write_file(target, std::string(100000, 'x')));
    ASSERT_TRUE(save_sample(target));
    const std::string bytes = test_support::read_file(target);
    EXPECT_TRUE(starts_with(bytes, png_signature));
    EXPECT_LT(bytes.size(), 100000u) << "the old content's tail must be gone";
    EXPECT_EQ(bytes.find("xxxxxxxx"), std::string::npos);

    wic_image reread(factory());
    EXPECT_TRUE(reread.load(target));
}

TEST_F(Imaging, PngRoundTripKeepsEveryPixelOpaqueTopDownInBgraOrder)
{
    const int width = 80;
    const int height = 48;
    const std::wstring target = path(L"round.png");
    {
        wic_image image(factory());
        auto bitmap = make_bitmap(width, height, pattern);
        ASSERT_TRUE(image.assign_bitmap(bitmap.get()));
        ASSERT_TRUE(image.save(target));
        EXPECT_EQ(image.result, S_OK);
    }
    wic_image image(factory());
    ASSERT_TRUE(image.load(target));
    kite::unique_bitmap dib = image.make_dib();
    ASSERT_TRUE(dib);
    EXPECT_EQ(image.result, S_OK);

    const dib_view view = view_of(dib.get());
    ASSERT_EQ(view.width, width);
    ASSERT_EQ(view.height, height);
    ASSERT_EQ(view.bit_count, 32);
    ASSERT_NE(view.pixels, nullptr);
    EXPECT_TRUE(view.top_down);
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t expected = 0xFF000000u | (pattern(x, y) & 0x00FFFFFFu);
            if (view.at(x, y) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << view.at(x, y) << " instead of "
                              << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    // Byte order in memory: B, G, R, A. Pure green sits in the first cell.
    const auto* bytes = reinterpret_cast<const BYTE*>(view.pixels);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0xFF);
}

TEST_F(Imaging, FitShrinksToTheLargestSizeOfTheSameAspect)
{
    struct expectation {
        int box_width, box_height, width, height;
    };
    const expectation cases[] = {{200, 200, 200, 117}, {300, 100, 170, 100}};
    for (const auto& item : cases) {
        SCOPED_TRACE(::testing::Message() << item.box_width << "x" << item.box_height);
        wic_image image(factory());
        auto bitmap = make_quadrants(512, 300);
        ASSERT_TRUE(image.assign_bitmap(bitmap.get()));
        ASSERT_TRUE(image.fit(item.box_width, item.box_height));
        const source_description size = size_of(factory(), image);
        EXPECT_EQ(size.width, item.width);
        EXPECT_EQ(size.height, item.height);

        // Orientation survives: each quadrant's centre keeps its colour (flat areas, so any resampling agrees).
        kite::unique_bitmap dib = image.make_dib();
        ASSERT_TRUE(dib);
        const dib_view view = view_of(dib.get());
        ASSERT_EQ(view.width, item.width);
        ASSERT_EQ(view.height, item.height);
        EXPECT_TRUE(view.top_down);
        const int left = item.width / 4, right = item.width * 3 / 4;
        const int top = item.height / 4, bottom = item.height * 3 / 4;
        EXPECT_EQ(view.at(left, top), 0xFF000000u | quadrant_colour(false, false));
        EXPECT_EQ(view.at(right, top), 0xFF000000u | quadrant_colour(true, false));
        EXPECT_EQ(view.at(left, bottom), 0xFF000000u | quadrant_colour(false, true));
        EXPECT_EQ(view.at(right, bottom), 0xFF000000u | quadrant_colour(true, true));
    }
}

TEST_F(Imaging, FitKeepsAnImageOfTheBoxSizeAndEnlargesASmallOne)
{
    wic_image same(factory());
    auto square = make_quadrants(200, 200);
    ASSERT_TRUE(same.assign_bitmap(square.get()));
    IWICBitmap* before = same.image.get();
    ASSERT_TRUE(same.fit(200, 200));
    EXPECT_EQ(same.image.get(), before) << "an image that already fits must not be rescaled";

    wic_image small(factory());
    auto tiny = make_quadrants(32, 32);
    ASSERT_TRUE(small.assign_bitmap(tiny.get()));
    ASSERT_TRUE(small.fit(200, 200));
    const source_description size = size_of(factory(), small);
    EXPECT_EQ(size.width, 200);
    EXPECT_EQ(size.height, 200);
}

TEST_F(Imaging, TwentyFourBitImageGoesThroughTheConverter)
{
    // A 24-bit file, loaded, is the decoder's 24bppBGR.
    const std::wstring target = path(L"deep.bmp");
    {
        std::vector<BYTE> buffer;
        wic_image image(factory());
        image.image = memory_image(wic(), imaging_ids::pixel_format_24bpp_bgr, 10, 6, 32, buffer);
        ASSERT_TRUE(image.image);
        ASSERT_TRUE(image.save(target));
    }
    wic_image image(factory());
    ASSERT_TRUE(image.load(target));
    source_description description;
    ASSERT_EQ(describe_source(wic(), image.image.get(), describe_size | describe_format, description), S_OK);
    ASSERT_TRUE(IsEqualGUID(description.format, imaging_ids::pixel_format_24bpp_bgr));
    EXPECT_EQ(description.bits_per_pixel, 24u);

    com_ptr<IWICBitmap> pixels;
    ASSERT_EQ(image.dib_pixels(description, pixels), S_OK);
    EXPECT_NE(pixels.get(), image.image.get());
    EXPECT_TRUE(IsEqualGUID(format_of(pixels.get()), imaging_ids::pixel_format_32bpp_bgra));

    kite::unique_bitmap dib = image.make_dib();
    ASSERT_TRUE(dib);
    const dib_view view = view_of(dib.get());
    ASSERT_EQ(view.width, 10);
    ASSERT_EQ(view.height, 6);
    // The first pixel's bytes were 1, 14, 27 (B, G, R); the converter adds an opaque alpha.
    EXPECT_EQ(view.at(0, 0), 0xFF1B0E01u);
}

TEST_F(Imaging, BgraImageIsCopiedAsItIs)
{
    const UINT width = 7;
    const UINT height = 5;
    std::vector<BYTE> buffer;
    wic_image image(factory());
    image.image = memory_image(wic(), imaging_ids::pixel_format_32bpp_bgra, width, height, width * 4, buffer);
    ASSERT_TRUE(image.image);
    source_description description;
    ASSERT_EQ(describe_source(wic(), image.image.get(), describe_size | describe_format, description), S_OK);
    com_ptr<IWICBitmap> pixels;
    ASSERT_EQ(image.dib_pixels(description, pixels), S_OK);
    EXPECT_EQ(pixels.get(), image.image.get()) << "32bppBGRA needs no converter";

    kite::unique_bitmap dib = image.make_dib();
    ASSERT_TRUE(dib);
    const dib_view view = view_of(dib.get());
    ASSERT_EQ(view.width, 7);
    ASSERT_EQ(view.height, 5);
    EXPECT_EQ(0, memcmp(view.pixels, buffer.data(), buffer.size())) << "alpha included, byte for byte";
}

TEST_F(Imaging, PaddedRowsAreNotSheared)
{
    const UINT width = 5;
    const UINT height = 4;
    const UINT stride = width * 4 + 12;
    std::vector<BYTE> buffer;
    wic_image image(factory());
    image.image = memory_image(wic(), imaging_ids::pixel_format_32bpp_bgra, width, height, stride, buffer);
    ASSERT_TRUE(image.image);
    {
        WICRect whole = {0, 0, 5, 4};
        com_ptr<IWICBitmapLock> lock;
        ASSERT_EQ(image.image->Lock(&whole, WICBitmapLockRead, lock.put()), S_OK);
        UINT held_stride = 0;
        lock->GetStride(&held_stride);
        ASSERT_EQ(held_stride, stride) << "the held bitmap must keep the padded rows for this test";
    }

    kite::unique_bitmap dib = image.make_dib();
    ASSERT_TRUE(dib);
    const dib_view view = view_of(dib.get());
    const auto* bytes = reinterpret_cast<const BYTE*>(view.pixels);
    for (UINT y = 0; y < height; ++y)
        EXPECT_EQ(0, memcmp(bytes + y * width * 4, buffer.data() + y * stride, width * 4)) << "row " << y;
}

TEST_F(Imaging, FileWithoutFramesFailsWithEFail)
{
    // A GIF with its screen descriptor and trailer but not one image.
    const std::string empty_gif("GIF89a\x01\x00\x01\x00\x00\x00\x00\x3B", 14);
    const std::wstring target = path(L"empty.gif");
    ASSERT_TRUE(test_support::write_file(target, empty_gif));
    wic_image image(factory());
    EXPECT_FALSE(image.load(target));
    EXPECT_EQ(image.result, E_FAIL);
    EXPECT_FALSE(image.image);
}

TEST_F(Imaging, TruncatedPngFailsCleanly)
{
    const std::wstring target = path(L"cut.png");
    {
        wic_image image(factory());
        auto bitmap = make_bitmap(256, 256, pattern);
        ASSERT_TRUE(image.assign_bitmap(bitmap.get()));
        ASSERT_TRUE(image.save(target));
    }
    const std::string whole = test_support::read_file(target);
    ASSERT_GT(whole.size(), 2000u);
    ASSERT_TRUE(test_support::write_file(target, whole.substr(0, whole.size() / 2)));

    wic_image image(factory());
    EXPECT_FALSE(image.load(target));
    EXPECT_TRUE(FAILED(image.result)) << std::hex << image.result;
    EXPECT_FALSE(image.image);
    EXPECT_FALSE(image.make_dib());
    EXPECT_EQ(image.result, E_INVALIDARG);
}

TEST_F(Imaging, OperationsWithoutAnImageOrFileFail)
{
    wic_image image(factory());
    EXPECT_FALSE(image.save(path(L"nothing.png")));
    EXPECT_EQ(image.result, E_INVALIDARG);
    EXPECT_EQ(GetFileAttributesW(path(L"nothing.png").c_str()), INVALID_FILE_ATTRIBUTES)
        << "no file may be created for nothing";
    EXPECT_FALSE(image.fit(200, 200));
    EXPECT_EQ(image.result, E_INVALIDARG);
    EXPECT_FALSE(image.assign_bitmap(nullptr));
    EXPECT_EQ(image.result, E_FAIL);

    EXPECT_FALSE(image.load(path(L"missing.png")));
    EXPECT_EQ(image.result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

    // A failed load leaves the held image as it was.
    auto bitmap = make_bitmap(3, 3, pattern);
    ASSERT_TRUE(image.assign_bitmap(bitmap.get()));
    IWICBitmap* held = image.image.get();
    EXPECT_FALSE(image.load(path(L"missing.png")));
    EXPECT_EQ(image.image.get(), held);
}

TEST(ImagingFactory, HoldsTheApartmentForItsLifetime)
{
    ASSERT_EQ(kite_com::com_use_count, 0u);
    {
        imaging_factory factory;
        EXPECT_NE(factory.get(), nullptr);
        EXPECT_EQ(kite_com::com_use_count, 1u);
    }
    EXPECT_EQ(kite_com::com_use_count, 0u);
}

namespace {

int uninitialise_calls = 0;

HRESULT WINAPI pretend_initialise(LPVOID, DWORD)
{
    return S_OK;
}

void WINAPI count_uninitialise()
{
    ++uninitialise_calls;
}

} // namespace

TEST(ImagingFactory, FailedCreationLeavesTheApartment)
{
    // The stand-in claims success without initialising COM, so CoCreateInstance fails after the enter.
    uninitialise_calls = 0;
    const kite_com::com_runtime saved = kite_com::runtime;
    kite_com::runtime = {&pretend_initialise, &count_uninitialise};
    std::thread worker([] {
        try {
            imaging_factory factory;
            ADD_FAILURE() << "a factory without COM was created";
        } catch (const kite_com::hresult_error& error) {
            EXPECT_STREQ(error.what(), "an com error has occurred: hresult=0x800401f0");
        }
    });
    worker.join();
    kite_com::runtime = saved;
    EXPECT_EQ(kite_com::com_use_count, 0u);
    EXPECT_EQ(uninitialise_calls, 1);
}
