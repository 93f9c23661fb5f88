// Times the snapshot write (factory, assign_bitmap, save as PNG) and the preview read (factory, load, fit
// into 200 x 200, make_dib) on screen-like images, and leaves the raw pixels of each image beside the
// results so that another encoder can be timed on exactly the same input.
//
// imaging_bench <output folder> [runs]
// Prints one row per size with median milliseconds per step, then a file-size line per size.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/imaging.h"
#include "toolkit/dib_section.h"

namespace {

struct image_size {
    int width;
    int height;
};

const image_size sizes[] = {{512, 512}, {1280, 1024}, {1920, 1080}};

// Deterministic pseudo-random numbers, so that every run and every encoder sees the same picture.
class sequence {
public:
    std::uint32_t next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }

private:
    std::uint32_t state_ = 12345;
};

void fill_rect(std::vector<std::uint32_t>& pixels, int width, int left, int top, int w, int h, std::uint32_t colour)
{
    const int height = static_cast<int>(pixels.size()) / width;
    for (int y = std::max(top, 0); y < std::min(top + h, height); ++y)
        for (int x = std::max(left, 0); x < std::min(left + w, width); ++x)
            pixels[static_cast<std::size_t>(y) * width + x] = colour;
}

// A desktop-like picture: flat window chrome and buttons, lines of text-like strokes with grey edges
// as anti-aliasing leaves them, and a smooth gradient panel. Fully opaque.
std::vector<std::uint32_t> screen_like(int width, int height)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0xFFF0F0F0u);
    sequence random;
    fill_rect(pixels, width, 0, 0, width, 30, 0xFF2B579Au);                       // title bar
    fill_rect(pixels, width, 0, 30, width, 24, 0xFFE1E1E1u);                      // menu band
    const int text_right = width * 2 / 3;
    fill_rect(pixels, width, 10, 64, text_right - 20, height - 120, 0xFFFFFFFFu);  // document

    for (int line_top = 74; line_top + 14 < height - 60; line_top += 20) {
        int x = 20;
        while (x < text_right - 40) {
            const int letters = 2 + static_cast<int>(random.next() % 9);
            for (int letter = 0; letter < letters && x < text_right - 30; ++letter, x += 8) {
                const std::uint32_t shape = random.next();
                const int stem = static_cast<int>(shape % 6);
                for (int y = 2; y < 13; ++y) {
                    pixels[static_cast<std::size_t>(line_top + y) * width + x + stem] = 0xFF202020u;
                    pixels[static_cast<std::size_t>(line_top + y) * width + x + stem + 1] = 0xFF8A8A8Au;
                }
                const int bar = 4 + static_cast<int>((shape >> 4) % 8);
                for (int dx = 0; dx < 6; ++dx) {
                    pixels[static_cast<std::size_t>(line_top + bar) * width + x + dx] = 0xFF202020u;
                    if ((shape >> (8 + dx)) & 1)
                        pixels[static_cast<std::size_t>(line_top + 12) * width + x + dx] = 0xFF5A5A5Au;
                }
            }
            x += 8;
        }
    }

    // Gradient panel to the right of the document.
    const int panel_left = text_right + 10;
    for (int y = 64; y < height - 56; ++y) {
        const int t = (y - 64) * 255 / std::max(height - 120, 1);
        for (int x = panel_left; x < width - 10; ++x) {
            const int s = (x - panel_left) * 255 / std::max(width - 10 - panel_left, 1);
            pixels[static_cast<std::size_t>(y) * width + x] =
                0xFF000000u | (static_cast<std::uint32_t>(255 - t) << 16) |
                (static_cast<std::uint32_t>(s / 2 + t / 2) << 8) | static_cast<std::uint32_t>(t);
        }
    }

    // A row of buttons and a status bar.
    for (int button = 0; button * 90 + 100 < width; ++button)
        fill_rect(pixels, width, 10 + button * 90, height - 50, 80, 24, button % 2 ? 0xFFCCE4F7u : 0xFFE5E5E5u);
    fill_rect(pixels, width, 0, height - 20, width, 20, 0xFF007ACCu);
    return pixels;
}

kite::unique_bitmap device_bitmap(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    std::uint32_t* bits = nullptr;
    kite::unique_bitmap bitmap = kite::top_down_dib(width, height, bits);
    if (bits != nullptr)
        std::copy(pixels.begin(), pixels.end(), bits);
    return bitmap;
}

class stopwatch {
public:
    stopwatch() { QueryPerformanceCounter(&start_); }
    // Milliseconds since construction or the previous lap.
    double lap()
    {
        LARGE_INTEGER now;
        LARGE_INTEGER frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        const double ms = static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
                          static_cast<double>(frequency.QuadPart);
        start_ = now;
        return ms;
    }

private:
    LARGE_INTEGER start_;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

enum step { factory_write, assign, save, write_total, factory_read, load, fit, dib, read_total, step_count };
const char* const step_names[step_count] = {"factory", "assign", "save", "write", "factory", "load", "fit",
                                            "make_dib", "read"};

// One snapshot write and one preview read; false when any step failed.
bool run_once(HBITMAP bitmap, const std::wstring& png, std::vector<double> (&times)[step_count])
{
    stopwatch watch;
    double total = 0.0;
    {
        imaging_factory factory;
        total += times[factory_write].emplace_back(watch.lap());
        wic_image image(factory);
        if (!image.assign_bitmap(bitmap))
            return false;
        total += times[assign].emplace_back(watch.lap());
        if (!image.save(png))
            return false;
        total += times[save].emplace_back(watch.lap());
    }
    total += watch.lap();
    times[write_total].push_back(total);

    total = 0.0;
    {
        imaging_factory factory;
        total += times[factory_read].emplace_back(watch.lap());
        wic_image image(factory);
        if (!image.load(png))
            return false;
        total += times[load].emplace_back(watch.lap());
        if (!image.fit(200, 200))
            return false;
        total += times[fit].emplace_back(watch.lap());
        kite::unique_bitmap preview = image.make_dib();
        if (!preview)
            return false;
        total += times[dib].emplace_back(watch.lap());
    }
    total += watch.lap();
    times[read_total].push_back(total);
    return true;
}

std::wstring size_name(const image_size& size)
{
    return std::to_wstring(size.width) + L"x" + std::to_wstring(size.height);
}

bool dump_raw(const std::wstring& path, const std::vector<std::uint32_t>& pixels)
{
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(pixels.data()),
               static_cast<std::streamsize>(pixels.size() * sizeof(std::uint32_t)));
    return static_cast<bool>(file);
}

// Whether the file holds exactly the given opaque pixels (the encoder may drop the fourth byte).
bool holds_pixels(const std::wstring& path, const std::vector<std::uint32_t>& pixels, int width, int height)
{
    imaging_factory factory;
    wic_image image(factory);
    if (!image.load(path))
        return false;
    kite::unique_bitmap dib = image.make_dib();
    DIBSECTION section{};
    if (!dib || GetObjectW(dib.get(), sizeof(section), &section) != sizeof(section) ||
        section.dsBm.bmWidth != width || section.dsBm.bmHeight != height)
        return false;
    const auto* bits = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        if ((bits[i] & 0x00FFFFFFu) != (pixels[i] & 0x00FFFFFFu))
            return false;
    return true;
}

long long file_size(const std::wstring& path);

struct filter_choice {
    WICPngFilterOption option;
    const char* name;
};

const filter_choice filters[] = {
    {WICPngFilterUnspecified, "encoder-default"}, {WICPngFilterNone, "none"},   {WICPngFilterSub, "sub"},
    {WICPngFilterUp, "up"},     {WICPngFilterAverage, "average"},  {WICPngFilterPaeth, "paeth"},
    {WICPngFilterAdaptive, "adaptive"},
};

// CPU time of the calling thread in milliseconds: less disturbed than wall time by other work on the machine.
double thread_cpu_ms()
{
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user))
        return 0.0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// The PNG write (assign_bitmap and save) with each row filter: median wall time and median CPU time of the
// writing thread, file size, and whether the file still holds exactly the pixels. The filters take turns
// run by run, so that other work on the machine weighs on all of them alike.
void compare_png_filters(HBITMAP bitmap, const std::vector<std::uint32_t>& pixels, const image_size& size,
                         const std::wstring& folder, int runs)
{
    constexpr std::size_t count = sizeof filters / sizeof filters[0];
    std::vector<double> wall[count], cpu[count];
    bool ok[count];
    std::fill(std::begin(ok), std::end(ok), true);
    auto png_for = [&](std::size_t i) {
        return folder + L"\\filter-" + std::to_wstring(filters[i].option) + L".png";
    };
    for (int run = 0; run <= runs; ++run) {
        for (std::size_t i = 0; i < count; ++i) {
            const double cpu_start = thread_cpu_ms();
            stopwatch watch;
            imaging_factory factory;
            wic_image image(factory);
            image.png_filter = filters[i].option;
            ok[i] = ok[i] && image.assign_bitmap(bitmap) && image.save(png_for(i));
            if (run == 0)  // warm-up
                continue;
            wall[i].push_back(watch.lap());
            cpu[i].push_back(thread_cpu_ms() - cpu_start);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const bool lossless = ok[i] && holds_pixels(png_for(i), pixels, size.width, size.height);
        std::printf("png filter %dx%d %-16s %8.2f ms, cpu %8.2f ms %10lld bytes %s\n", size.width, size.height,
                    filters[i].name, median(wall[i]), median(cpu[i]), file_size(png_for(i)),
                    lossless ? "lossless" : "NOT LOSSLESS");
    }
}

long long file_size(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: imaging_bench <output folder> [runs]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 15;
    CreateDirectoryW(folder.c_str(), nullptr);

    std::printf("%-10s", "median ms");
    for (const char* name : step_names)
        std::printf(" %9s", name);
    std::printf("\n");

    for (const image_size& size : sizes) {
        const std::vector<std::uint32_t> pixels = screen_like(size.width, size.height);
        const std::wstring base = folder + L"\\" + size_name(size);
        if (!dump_raw(base + L".raw", pixels)) {
            std::fprintf(stderr, "cannot write the raw pixels\n");
            return 1;
        }
        kite::unique_bitmap bitmap = device_bitmap(pixels, size.width, size.height);
        const std::wstring png = base + L".png";

        std::vector<double> times[step_count];
        bool ok = run_once(bitmap.get(), png, times);  // warm-up: code and caches, not counted
        for (auto& list : times)
            list.clear();
        for (int run = 0; run < runs && ok; ++run)
            ok = run_once(bitmap.get(), png, times);
        if (!ok) {
            std::fprintf(stderr, "an imaging step failed at %dx%d\n", size.width, size.height);
            return 1;
        }
        std::printf("%-10s", (std::to_string(size.width) + "x" + std::to_string(size.height)).c_str());
        for (const auto& list : times)
            std::printf(" %9.2f", median(list));
        std::printf("\n");
    }
    for (const image_size& size : sizes)
        std::printf("png bytes %dx%d %lld\n", size.width, size.height,
                    file_size(folder + L"\\" + size_name(size) + L".png"));
    for (const image_size& size : {sizes[0], sizes[2]}) {
        const std::vector<std::uint32_t> pixels = screen_like(size.width, size.height);
        kite::unique_bitmap bitmap = device_bitmap(pixels, size.width, size.height);
        compare_png_filters(bitmap.get(), pixels, size, folder, runs);
    }
    std::printf("runs %d\n", runs);
    return 0;
}
