#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Where the picture beneath the ring may change from one piece to the next, in a copy's own coordinates:
// the edges of windows and of monitors. What the hidden ring leaves on the screen goes away a whole piece
// at a time: where the window beneath draws again, or where the monitor's next composed picture arrives.
struct ring_cuts {
    std::vector<std::int32_t> columns;  // cut the top and bottom strips
    std::vector<std::int32_t> rows;     // cut the left and right strips
};

// The cuts that the edges of rectangles (screen coordinates) make on the ring of area.
ring_cuts cuts_of(const RECT& area, const std::vector<RECT>& edges);

// Whether a copy of the ring's rectangle (top-down 0x00RRGGBB pixels, width x height) may still show the
// ring: some piece of a strip the ring lies on, from one cut (or the strip's end) to the next, is the
// ring's colour over its whole length and the ring's whole width. Content of that colour on only a part of
// a piece, a chart line or a status light, is told apart from the ring and costs the capture nothing.
bool ring_left_behind(const std::uint32_t* pixels, std::int32_t width, std::int32_t height, const ring_cuts& cuts);
