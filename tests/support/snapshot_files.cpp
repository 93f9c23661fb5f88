#include "tests/support/snapshot_files.h"

#include "app/imaging.h"
#include "tests/support/pattern.h"
#include "tests/support/pump.h"

#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <cwctype>
#include <tuple>

namespace test_support {

std::wstring snapshot_folder()
{
    PWSTR pictures = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_CREATE, nullptr, &pictures)))
        folder = std::wstring(pictures) + L"\\Pictor";
    CoTaskMemFree(pictures);
    return folder;
}

std::set<std::wstring> png_files(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.png").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

namespace {

// The writer holds the file exclusively until the image is complete.
bool complete(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    CloseHandle(file);
    return size.QuadPart > 0;
}

} // namespace

std::vector<std::wstring> wait_for_new_files(const std::wstring& folder, const std::set<std::wstring>& before,
                                             std::size_t count, unsigned timeout_ms)
{
    std::vector<std::wstring> fresh;
    pump_until(
        [&] {
            fresh.clear();
            for (const auto& name : png_files(folder))
                if (before.count(name) == 0)
                    fresh.push_back(name);
            if (fresh.size() < count)
                return false;
            for (const auto& name : fresh)
                if (!complete(folder + L"\\" + name))
                    return false;
            return true;
        },
        timeout_ms);
    return fresh;
}

bool read_image(const std::wstring& path, image_pixels& pixels)
{
    imaging_factory factory;
    wic_image image(factory);
    if (!image.load(path))
        return false;
    kite::unique_bitmap dib = image.make_dib();
    DIBSECTION section{};
    if (!dib || GetObjectW(dib.get(), sizeof(section), &section) != sizeof(section))
        return false;
    pixels.width = section.dsBm.bmWidth;
    pixels.height = section.dsBm.bmHeight;
    const auto* bits = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
    pixels.argb.assign(bits, bits + static_cast<std::size_t>(pixels.width) * pixels.height);
    return true;
}

bool is_snapshot_name(const std::wstring& name, bool counter)
{
    // 2024-05-17_14-03-09
    const std::wstring shape = L"dddd-dd-dd_dd-dd-dd";
    if (name.size() < shape.size() + 4)
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool digit = std::iswdigit(name[i]) != 0;
        if ((shape[i] == L'd') != digit || (shape[i] != L'd' && name[i] != shape[i]))
            return false;
    }
    std::wstring rest = name.substr(shape.size());
    if (counter) {
        if (rest.size() < 6 || rest[0] != L'#' || !std::iswdigit(rest[1]) || rest[1] == L'0')
            return false;
        std::size_t end = 1;
        while (end < rest.size() && std::iswdigit(rest[end]))
            ++end;
        rest = rest.substr(end);
    }
    return rest == L".png";
}

namespace {

// The counter of a snapshot name; 0 for the plain name.
int counter_of(const std::wstring& name)
{
    const std::size_t hash = name.find(L'#');
    return hash == std::wstring::npos ? 0 : std::stoi(name.substr(hash + 1));
}

} // namespace

bool named_earlier(const std::wstring& first, const std::wstring& second)
{
    return std::make_tuple(first.substr(0, 19), counter_of(first)) <
           std::make_tuple(second.substr(0, 19), counter_of(second));
}

bool has_png_signature(const std::wstring& path)
{
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    unsigned char start[8] = {};
    DWORD read = 0;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ReadFile(file, start, sizeof start, &read, nullptr);
    CloseHandle(file);
    return read == sizeof start && std::memcmp(start, png, sizeof png) == 0;
}

int pattern_mismatches(const image_pixels& image, int left, int top, int* green)
{
    int mismatches = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const COLORREF want = pattern_colour(left + x, top + y);
            const std::uint32_t got = image.at(x, y);
            const std::uint32_t want_argb =
                0xFF000000u | (GetRValue(want) << 16) | (GetGValue(want) << 8) | GetBValue(want);
            if (got != want_argb)
                ++mismatches;
            if (green != nullptr && (got & 0x00FFFFFFu) == 0x0000FF00u)
                ++*green;
        }
    return mismatches;
}

} // namespace test_support
