#include "app/ring_detection.h"

#include "app/frame_window.h"

#include <algorithm>
#include <cstddef>

namespace {

// The ring's colour as a pixel of a 32-bit DIB (0x00RRGGBB).
constexpr std::uint32_t ring_pixel = (static_cast<std::uint32_t>(GetRValue(ring_colour)) << 16) |
                                     (static_cast<std::uint32_t>(GetGValue(ring_colour)) << 8) |
                                     static_cast<std::uint32_t>(GetBValue(ring_colour));

// One strip of the ring in a copy: where it starts, the steps along and across it, and its size.
struct strip {
    std::ptrdiff_t start;
    std::ptrdiff_t along;
    std::ptrdiff_t across;
    std::int32_t length;
    std::int32_t width;
};

bool ring_across(const std::uint32_t* pixels, const strip& where, std::int32_t at)
{
    const std::uint32_t* first = pixels + where.start + at * where.along;
    for (std::int32_t i = 0; i < where.width; ++i)
        if ((first[i * where.across] & 0x00FFFFFFu) != ring_pixel)
            return false;
    return true;
}

bool whole_piece_is_ring(const std::uint32_t* pixels, const strip& where, std::int32_t from, std::int32_t to)
{
    for (std::int32_t at = from; at < to; ++at)
        if (!ring_across(pixels, where, at))
            return false;
    return from < to;
}

bool piece_left_behind(const std::uint32_t* pixels, const strip& where, std::vector<std::int32_t> cuts)
{
    cuts.push_back(0);
    cuts.push_back(where.length);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const std::int32_t from = std::max<std::int32_t>(cuts[i], 0);
        const std::int32_t to = std::min(cuts[i + 1], where.length);
        if (whole_piece_is_ring(pixels, where, from, to))
            return true;
    }
    return false;
}

} // namespace

ring_cuts cuts_of(const RECT& area, const std::vector<RECT>& edges)
{
    ring_cuts cuts;
    for (const RECT& edge : edges) {
        RECT common{};
        if (!IntersectRect(&common, &edge, &area))
            continue;
        cuts.columns.push_back(edge.left - area.left);
        cuts.columns.push_back(edge.right - area.left);
        cuts.rows.push_back(edge.top - area.top);
        cuts.rows.push_back(edge.bottom - area.top);
    }
    return cuts;
}

bool ring_left_behind(const std::uint32_t* pixels, std::int32_t width, std::int32_t height, const ring_cuts& cuts)
{
    if (pixels == nullptr || width <= 0 || height <= 0)
        return false;
    const std::int32_t thickness = std::min({static_cast<std::int32_t>(ring_thickness), width, height});
    const std::ptrdiff_t row = width;
    const strip top{0, 1, row, width, thickness};
    const strip bottom{(height - thickness) * row, 1, row, width, thickness};
    const strip left{0, row, 1, height, thickness};
    const strip right{width - thickness, row, 1, height, thickness};
    return piece_left_behind(pixels, top, cuts.columns) || piece_left_behind(pixels, bottom, cuts.columns) ||
           piece_left_behind(pixels, left, cuts.rows) || piece_left_behind(pixels, right, cuts.rows);
}
