#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/com.h"
#include "toolkit/native_handles.h"
#include "utility/not_copyable.h"

// Identifiers of the imaging component, spelled out here: the MinGW import libraries do not carry them.
namespace imaging_ids {

constexpr GUID pixel_format(unsigned char last)
{
    return {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, last}};
}

inline constexpr CLSID imaging_factory_class = {
    0x317d06e8, 0x5f24, 0x433d, {0xbd, 0xf7, 0x79, 0xce, 0x68, 0xd8, 0xab, 0xc2}};
inline constexpr IID imaging_factory_interface = {
    0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
inline constexpr IID bitmap_interface = {
    0x00000121, 0xa8f2, 0x4877, {0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94}};
inline constexpr IID pixel_format_info_interface = {
    0xe8eda601, 0x3d48, 0x431a, {0xab, 0x44, 0x69, 0x05, 0x9b, 0xe8, 0x8b, 0xbe}};

inline constexpr GUID container_jpeg = {
    0x19e4a5aa, 0x5662, 0x4fc5, {0xa0, 0xc0, 0x17, 0x58, 0x02, 0x8e, 0x10, 0x57}};
inline constexpr GUID container_bmp = {
    0x0af1d87e, 0xfcfe, 0x4188, {0xbd, 0xeb, 0xa7, 0x90, 0x64, 0x71, 0xcb, 0xe3}};
inline constexpr GUID container_png = {
    0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};

inline constexpr GUID pixel_format_4bpp_indexed = pixel_format(0x03);
inline constexpr GUID pixel_format_8bpp_indexed = pixel_format(0x04);
inline constexpr GUID pixel_format_16bpp_bgr555 = pixel_format(0x09);
inline constexpr GUID pixel_format_24bpp_bgr = pixel_format(0x0c);
inline constexpr GUID pixel_format_32bpp_bgr = pixel_format(0x0e);
inline constexpr GUID pixel_format_32bpp_bgra = pixel_format(0x0f);

} // namespace imaging_ids

enum class image_format : std::int32_t { bmp = 0, jpeg = 1, png = 2 };

// Extensions with their container, searched in order; anything else is written as BMP.
extern const std::vector<std::pair<std::string, image_format>> container_for_extension;

// The format for a path (UTF-8): its file name's extension matched without regard to ASCII case.
image_format format_for_path(const std::string& path);

// The container an encoder is made for; a value other than jpeg and png gives BMP.
const GUID& container_guid(image_format format);

// Pixel formats a DIB section can hold as they are.
const std::vector<GUID>& direct_pixel_formats();

// One instance of the imaging component's factory, inside the COM apartment for as long as it lives.
class imaging_factory : public kite_utility::not_copyable {
public:
    // Throws kite_com::hresult_error when COM or the factory cannot be had.
    imaging_factory();

    IWICImagingFactory* get() const { return factory.get(); }

private:
    // Declared in this order: the interface goes before the apartment is left.
    kite_com::com_apartment apartment;
    kite_com::com_ptr<IWICImagingFactory> factory;
};

// Flags of describe_source.
inline constexpr unsigned describe_size = 1;
inline constexpr unsigned describe_format = 2;

struct source_description {
    std::int32_t width = 0;  // a size beyond INT_MAX reads as INT_MAX
    std::int32_t height = 0;
    WICPixelFormatGUID format = {};
    UINT bits_per_pixel = 0;
};

HRESULT describe_source(IWICImagingFactory* factory, IWICBitmapSource* source, unsigned flags,
                        source_description& description);

// An in-memory copy of the source's pixels.
HRESULT memory_bitmap(IWICImagingFactory* factory, IWICBitmapSource* source,
                      kite_com::com_ptr<IWICBitmap>& bitmap);

// An in-memory copy of the source in the target pixel format.
HRESULT convert_format(IWICImagingFactory* factory, IWICBitmapSource* source, const WICPixelFormatGUID& target,
                       kite_com::com_ptr<IWICBitmap>& bitmap);

// An in-memory copy of the source resampled to width x height.
HRESULT scale_bitmap(IWICImagingFactory* factory, IWICBitmapSource* source, std::int32_t width,
                     std::int32_t height, kite_com::com_ptr<IWICBitmap>& bitmap);

// The largest size of the image's aspect ratio inside the box; negative inputs read as INT_MAX.
struct fit_size {
    std::int32_t width;
    std::int32_t height;
};
fit_size fit_into_box(std::int32_t width, std::int32_t height, std::int32_t box_width, std::int32_t box_height);

// An image held in memory. Operations keep their HRESULT in result instead of throwing and answer
// whether it is S_OK.
class wic_image : public kite_utility::not_copyable {
public:
    explicit wic_image(imaging_factory& factory) : factory(factory) {}

    // The device bitmap's pixels, with the fourth byte of each ignored.
    bool assign_bitmap(HBITMAP bitmap);
    // Writes the image to path, in the container its extension names; an existing file is replaced.
    bool save(const std::wstring& path);
    // Writes the image to path in the given container, whatever the path's extension.
    bool save(const std::wstring& path, image_format format);
    // Writes the image into the stream, from its current position, in the given container.
    bool save(IStream* stream, image_format format);
    // The first frame of the image file at path.
    bool load(const std::wstring& path);
    // Scales the image to the largest size of its aspect ratio that fits into the box.
    bool fit(std::int32_t box_width, std::int32_t box_height);
    // A top-down 32-bit DIB section with the image's pixels in B, G, R, A order; empty on failure.
    kite::unique_bitmap make_dib();

    // The 32bppBGRA bitmap make_dib copies from: the held image itself when a DIB can take its pixels as
    // they are, else a converted copy.
    HRESULT dib_pixels(const source_description& description, kite_com::com_ptr<IWICBitmap>& pixels);

    imaging_factory& factory;
    kite_com::com_ptr<IWICBitmap> image;
    HRESULT result = S_OK;
    // The row filter a PNG is written with; WICPngFilterUnspecified leaves the choice to the encoder.
    WICPngFilterOption png_filter = default_png_filter;

    // Paeth on every row writes screen pictures about an eighth faster than the encoder's own per-row
    // choice, at nearly the same size (bench/run-imaging compares them).
    static constexpr WICPngFilterOption default_png_filter = WICPngFilterPaeth;

private:
    bool finish(HRESULT step_result);
    void choose_png_filter(IPropertyBag2* options) const;
    HRESULT write(const std::wstring& path, image_format format);
    HRESULT write(IStream* stream, image_format format);
    HRESULT read(const std::wstring& path);
    HRESULT copy_to_dib(kite::unique_bitmap& dib);
};
