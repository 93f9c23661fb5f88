#include "app/imaging.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "toolkit/dib_section.h"
#include "utility/path_names.h"
#include "utility/text_conversion.h"

using kite_com::com_ptr;

const std::vector<std::pair<std::string, image_format>> container_for_extension = {
    {".jpeg", image_format::jpeg},
    {".jpg", image_format::jpeg},
    {".bmp", image_format::bmp},
    {".png", image_format::png},
};

namespace {

// Not every toolchain's headers name this mode yet; the value is the platform's.
constexpr auto interpolation_high_quality_cubic = static_cast<WICBitmapInterpolationMode>(4);

// The "C" locale's tolower: ASCII letters only, whatever locale the process runs in.
char lower_ascii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_extension(const std::string& entry, const std::string& extension)
{
    return entry.size() == extension.size() &&
           std::equal(entry.begin(), entry.end(), extension.begin(),
                      [](char a, char b) { return lower_ascii(a) == lower_ascii(b); });
}

// Sizes travel as signed 32-bit values; anything that does not fit reads as the largest one.
std::int32_t signed_size(UINT value)
{
    return value > static_cast<UINT>(INT_MAX) ? INT_MAX : static_cast<std::int32_t>(value);
}

std::int32_t non_negative(std::int32_t value)
{
    return value < 0 ? INT_MAX : value;
}

bool com_is_up()
{
    return kite_com::com_use_count != 0;
}

bool is_direct_format(const WICPixelFormatGUID& format)
{
    const auto& formats = direct_pixel_formats();
    return std::any_of(formats.begin(), formats.end(),
                       [&](const GUID& direct) { return IsEqualGUID(direct, format) != FALSE; });
}

HRESULT bits_per_pixel(IWICImagingFactory* factory, const WICPixelFormatGUID& format, UINT& bits)
{
    com_ptr<IWICComponentInfo> info;
    HRESULT hr = factory->CreateComponentInfo(format, info.put());
    if (FAILED(hr))
        return hr;
    WICComponentType type = WICDecoder;
    hr = info->GetComponentType(&type);
    if (FAILED(hr))
        return hr;
    if (type != WICPixelFormat)
        return E_FAIL;
    com_ptr<IWICPixelFormatInfo> pixel_info;
    hr = info->QueryInterface(imaging_ids::pixel_format_info_interface, pixel_info.put_void());
    if (FAILED(hr))
        return hr;
    return pixel_info->GetBitsPerPixel(&bits);
}

WICBitmapPaletteType palette_for(UINT bits)
{
    switch (bits) {
    case 1:
        return WICBitmapPaletteTypeFixedBW;
    case 2:
        return WICBitmapPaletteTypeFixedGray4;
    case 4:
        return WICBitmapPaletteTypeFixedGray16;
    case 8:
        return WICBitmapPaletteTypeFixedHalftone256;
    default:
        return WICBitmapPaletteTypeCustom;
    }
}

// The pixels of a top-down 32-bit DIB section as 32bppBGR, the fourth byte ignored; E_NOTIMPL for any other
// bitmap.
HRESULT bitmap_from_dib_section(IWICImagingFactory* factory, HBITMAP bitmap, com_ptr<IWICBitmap>& made)
{
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) || section.dsBm.bmBits == nullptr ||
        section.dsBmih.biBitCount != 32 || section.dsBmih.biCompression != BI_RGB || section.dsBmih.biHeight >= 0)
        return E_NOTIMPL;
    GdiFlush();
    const UINT stride = static_cast<UINT>(section.dsBm.bmWidthBytes);
    const std::uint64_t size = static_cast<std::uint64_t>(stride) * static_cast<UINT>(section.dsBm.bmHeight);
    if (size > UINT_MAX)
        return E_NOTIMPL;
    return factory->CreateBitmapFromMemory(static_cast<UINT>(section.dsBm.bmWidth),
                                           static_cast<UINT>(section.dsBm.bmHeight),
                                           imaging_ids::pixel_format_32bpp_bgr, stride, static_cast<UINT>(size),
                                           static_cast<BYTE*>(section.dsBm.bmBits), made.put());
}

} // namespace

image_format format_for_path(const std::string& path)
{
    const std::string extension = kite_utility::filesystem::extension(path);
    for (const auto& entry : container_for_extension) {
        if (same_extension(entry.first, extension))
            return entry.second;
    }
    return image_format::bmp;
}

const GUID& container_guid(image_format format)
{
    switch (format) {
    case image_format::jpeg:
        return imaging_ids::container_jpeg;
    case image_format::png:
        return imaging_ids::container_png;
    default:
        return imaging_ids::container_bmp;
    }
}

const std::vector<GUID>& direct_pixel_formats()
{
    static const std::vector<GUID> formats = {
        imaging_ids::pixel_format_4bpp_indexed, imaging_ids::pixel_format_8bpp_indexed,
        imaging_ids::pixel_format_16bpp_bgr555, imaging_ids::pixel_format_24bpp_bgr,
        imaging_ids::pixel_format_32bpp_bgra,
    };
    return formats;
}

imaging_factory::imaging_factory()
{
    HRESULT result = E_FAIL;
    if (com_is_up()) {
        result = CoCreateInstance(imaging_ids::imaging_factory_class, nullptr, CLSCTX_INPROC_SERVER,
                                  imaging_ids::imaging_factory_interface, factory.put_void());
    }
    // Throwing from here destroys the members in reverse: the pointer is released, then the apartment left.
    if (result != S_OK)
        throw kite_com::hresult_error(result);
}

HRESULT describe_source(IWICImagingFactory* factory, IWICBitmapSource* source, unsigned flags,
                        source_description& description)
{
    if (factory == nullptr)
        return E_FAIL;
    if (source == nullptr)
        return E_INVALIDARG;
    if (flags & describe_size) {
        UINT width = 0;
        UINT height = 0;
        const HRESULT hr = source->GetSize(&width, &height);
        if (FAILED(hr))
            return hr;
        description.width = signed_size(width);
        description.height = signed_size(height);
    }
    if (flags & describe_format) {
        HRESULT hr = source->GetPixelFormat(&description.format);
        if (FAILED(hr))
            return hr;
        hr = bits_per_pixel(factory, description.format, description.bits_per_pixel);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT memory_bitmap(IWICImagingFactory* factory, IWICBitmapSource* source, com_ptr<IWICBitmap>& bitmap)
{
    if (factory == nullptr)
        return E_FAIL;
    if (source == nullptr)
        return E_INVALIDARG;
    const HRESULT hr = factory->CreateBitmapFromSource(source, WICBitmapCacheOnLoad, bitmap.put());
    return FAILED(hr) ? hr : S_OK;
}

HRESULT convert_format(IWICImagingFactory* factory, IWICBitmapSource* source, const WICPixelFormatGUID& target,
                       com_ptr<IWICBitmap>& bitmap)
{
    if (factory == nullptr)
        return E_FAIL;
    if (source == nullptr)
        return E_INVALIDARG;
    WICPixelFormatGUID source_format = {};
    HRESULT hr = source->GetPixelFormat(&source_format);
    if (FAILED(hr))
        return hr;
    if (IsEqualGUID(source_format, target))
        return memory_bitmap(factory, source, bitmap);

    UINT target_bits = 0;
    hr = bits_per_pixel(factory, target, target_bits);
    if (FAILED(hr))
        return hr;
    com_ptr<IWICFormatConverter> converter;
    hr = factory->CreateFormatConverter(converter.put());
    if (FAILED(hr))
        return hr;
    BOOL can_convert = FALSE;
    hr = converter->CanConvert(source_format, target, &can_convert);
    if (FAILED(hr))
        return hr;
    if (!can_convert)
        return E_FAIL;
    const auto dither = target_bits <= 16 ? WICBitmapDitherTypeErrorDiffusion : WICBitmapDitherTypeNone;
    hr = converter->Initialize(source, target, dither, nullptr, 0.0, palette_for(target_bits));
    if (FAILED(hr))
        return hr;
    return memory_bitmap(factory, converter.get(), bitmap);
}

HRESULT scale_bitmap(IWICImagingFactory* factory, IWICBitmapSource* source, std::int32_t width,
                     std::int32_t height, com_ptr<IWICBitmap>& bitmap)
{
    if (factory == nullptr)
        return E_FAIL;
    if (source == nullptr)
        return E_INVALIDARG;
    com_ptr<IWICBitmapScaler> scaler;
    HRESULT hr = factory->CreateBitmapScaler(scaler.put());
    if (FAILED(hr))
        return hr;
    hr = scaler->Initialize(source, static_cast<UINT>(std::max(width, 0)), static_cast<UINT>(std::max(height, 0)),
                            interpolation_high_quality_cubic);
    if (FAILED(hr))
        return hr;
    return memory_bitmap(factory, scaler.get(), bitmap);
}

fit_size fit_into_box(std::int32_t width, std::int32_t height, std::int32_t box_width, std::int32_t box_height)
{
    const std::int64_t w = non_negative(width);
    const std::int64_t h = non_negative(height);
    const std::int64_t box_w = non_negative(box_width);
    const std::int64_t box_h = non_negative(box_height);
    // 64-bit products: large images or boxes must not overflow into a wrong or negative size. Each result
    // stays within its box side, so it fits 32 bits again.
    std::int64_t target_w = box_w;
    std::int64_t target_h = box_h;
    if (w > 0 && h != 0) {
        const std::int64_t by_height = h * box_w;
        const std::int64_t by_width = w * box_h;
        if (by_height > by_width) {
            target_w = w * box_h / h;
        } else if (by_height < by_width) {
            target_h = h * box_w / w;
        }
    }
    return {static_cast<std::int32_t>(target_w), static_cast<std::int32_t>(target_h)};
}

bool wic_image::finish(HRESULT step_result)
{
    result = step_result;
    return result == S_OK;
}

bool wic_image::assign_bitmap(HBITMAP bitmap)
{
    IWICImagingFactory* wic = factory.get();
    if (wic == nullptr || bitmap == nullptr)
        return finish(E_FAIL);
    com_ptr<IWICBitmap> made;
    // A top-down 32-bit DIB section, as the screen copy makes, is taken straight from its memory: several
    // times faster than asking GDI for the pixels.
    if (FAILED(bitmap_from_dib_section(wic, bitmap, made)) &&
        FAILED(wic->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, made.put())))
        return finish(E_FAIL);
    image = std::move(made);
    return finish(S_OK);
}

bool wic_image::save(const std::wstring& path)
{
    return save(path, format_for_path(kite_utility::filesystem::to_utf8(path)));
}

bool wic_image::save(const std::wstring& path, image_format format)
{
    return finish(write(path, format));
}

bool wic_image::save(IStream* stream, image_format format)
{
    return finish(write(stream, format));
}

bool wic_image::load(const std::wstring& path)
{
    return finish(read(path));
}

HRESULT wic_image::write(const std::wstring& path, image_format format)
{
    source_description description;
    HRESULT hr = describe_source(factory.get(), image.get(), describe_size | describe_format, description);
    if (FAILED(hr))
        return hr;
    if (!com_is_up())
        return E_FAIL;
    com_ptr<IStream> stream;
    hr = SHCreateStreamOnFileEx(path.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, FILE_ATTRIBUTE_NORMAL,
                                TRUE, nullptr, stream.put());
    if (FAILED(hr))
        return hr;
    return write(stream.get(), format);
}

HRESULT wic_image::write(IStream* stream, image_format format)
{
    IWICImagingFactory* wic = factory.get();
    source_description description;
    HRESULT hr = describe_source(wic, image.get(), describe_size | describe_format, description);
    if (FAILED(hr))
        return hr;
    if (!com_is_up() || stream == nullptr)
        return E_FAIL;

    com_ptr<IWICBitmapEncoder> encoder;
    hr = wic->CreateEncoder(container_guid(format), nullptr, encoder.put());
    if (FAILED(hr))
        return hr;
    hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (FAILED(hr))
        return hr;

    com_ptr<IWICBitmapFrameEncode> frame;
    com_ptr<IPropertyBag2> options;
    hr = encoder->CreateNewFrame(frame.put(), options.put());
    if (FAILED(hr))
        return hr;
    if (format == image_format::png)
        choose_png_filter(options.get());
    hr = frame->Initialize(options.get());
    if (FAILED(hr))
        return hr;
    // The encoder may answer with the nearest format it supports; WriteSource converts to that.
    WICPixelFormatGUID pixel_format = description.format;
    hr = frame->SetPixelFormat(&pixel_format);
    if (FAILED(hr))
        return hr;
    hr = frame->SetSize(static_cast<UINT>(description.width), static_cast<UINT>(description.height));
    if (FAILED(hr))
        return hr;
    WICRect whole = {0, 0, description.width, description.height};
    hr = frame->WriteSource(image.get(), &whole);
    if (FAILED(hr))
        return hr;
    hr = frame->Commit();
    if (FAILED(hr))
        return hr;
    hr = encoder->Commit();
    return FAILED(hr) ? hr : S_OK;
}

// An encoder that does not know the option keeps its own choice: the file is the same picture either way.
void wic_image::choose_png_filter(IPropertyBag2* options) const
{
    if (options == nullptr || png_filter == WICPngFilterUnspecified)
        return;
    wchar_t name[] = L"FilterOption";
    PROPBAG2 option{};
    option.pstrName = name;
    VARIANT value{};
    value.vt = VT_UI1;
    value.bVal = static_cast<BYTE>(png_filter);
    options->Write(1, &option, &value);
}

HRESULT wic_image::read(const std::wstring& path)
{
    IWICImagingFactory* wic = factory.get();
    if (wic == nullptr || !com_is_up())
        return E_FAIL;

    com_ptr<IStream> stream;
    HRESULT hr =
        SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, 0, FALSE, nullptr, stream.put());
    if (FAILED(hr))
        return hr;
    com_ptr<IWICBitmapDecoder> decoder;
    hr = wic->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put());
    if (FAILED(hr))
        return hr;
    UINT frames = 0;
    hr = decoder->GetFrameCount(&frames);
    if (FAILED(hr))
        return hr;
    if (frames == 0)
        return E_FAIL;
    com_ptr<IWICBitmapFrameDecode> frame;
    hr = decoder->GetFrame(0, frame.put());
    if (FAILED(hr))
        return hr;
    com_ptr<IWICBitmap> bitmap;
    hr = memory_bitmap(wic, frame.get(), bitmap);
    if (FAILED(hr))
        return hr;
    image = std::move(bitmap);
    return S_OK;
}

bool wic_image::fit(std::int32_t box_width, std::int32_t box_height)
{
    source_description description;
    HRESULT hr = describe_source(factory.get(), image.get(), describe_size, description);
    if (FAILED(hr))
        return finish(hr);
    const fit_size target = fit_into_box(description.width, description.height, box_width, box_height);
    if (target.width == description.width && target.height == description.height)
        return finish(S_OK);
    com_ptr<IWICBitmap> scaled;
    hr = scale_bitmap(factory.get(), image.get(), target.width, target.height, scaled);
    if (FAILED(hr))
        return finish(hr);
    image = std::move(scaled);
    return finish(S_OK);
}

HRESULT wic_image::dib_pixels(const source_description& description, com_ptr<IWICBitmap>& pixels)
{
    if (!image)
        return E_INVALIDARG;
    if (description.bits_per_pixel == 32 && is_direct_format(description.format)) {
        const HRESULT hr = image->QueryInterface(imaging_ids::bitmap_interface, pixels.put_void());
        return FAILED(hr) ? hr : S_OK;
    }
    return convert_format(factory.get(), image.get(), imaging_ids::pixel_format_32bpp_bgra, pixels);
}

kite::unique_bitmap wic_image::make_dib()
{
    kite::unique_bitmap dib;
    if (!finish(copy_to_dib(dib)))
        dib.reset();
    return dib;
}

HRESULT wic_image::copy_to_dib(kite::unique_bitmap& dib)
{
    source_description description;
    HRESULT hr = describe_source(factory.get(), image.get(), describe_size | describe_format, description);
    if (FAILED(hr))
        return hr;
    com_ptr<IWICBitmap> pixels;
    hr = dib_pixels(description, pixels);
    if (FAILED(hr))
        return hr;

    const std::int32_t width = description.width;
    const std::int32_t height = description.height;
    const std::uint64_t row_bytes = static_cast<std::uint64_t>(width) * 4;
    const std::uint64_t image_bytes = row_bytes * static_cast<std::uint64_t>(height);
    if (image_bytes > MAXDWORD)
        return E_FAIL;

    WICRect whole = {0, 0, width, height};
    com_ptr<IWICBitmapLock> lock;
    hr = pixels->Lock(&whole, WICBitmapLockRead | WICBitmapLockWrite, lock.put());
    if (FAILED(hr))
        return hr;
    UINT size = 0;
    BYTE* data = nullptr;
    hr = lock->GetDataPointer(&size, &data);
    if (FAILED(hr))
        return hr;
    UINT stride = 0;
    hr = lock->GetStride(&stride);
    if (FAILED(hr))
        return hr;

    std::uint32_t* bits = nullptr;
    dib = kite::top_down_dib(width, height, bits);
    if (!dib || data == nullptr)
        return E_FAIL;

    const std::uint64_t available = size != 0 ? size : image_bytes;
    if (stride == row_bytes) {
        std::memcpy(bits, data, static_cast<std::size_t>(std::min(available, image_bytes)));
        return S_OK;
    }
    // A padded source stride would shear the picture if copied in one piece.
    const std::uint64_t copied_row = std::min<std::uint64_t>(stride, row_bytes);
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint64_t from = static_cast<std::uint64_t>(row) * stride;
        if (from + copied_row > available)
            break;
        std::memcpy(reinterpret_cast<BYTE*>(bits) + row * row_bytes, data + from,
                    static_cast<std::size_t>(copied_row));
    }
    return S_OK;
}
