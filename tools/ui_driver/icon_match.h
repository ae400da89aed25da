// Telling which standard icon a message box shows from its pixels. Windows shares the system
// icons between processes, so there the handle alone tells; Wine gives every process its own
// handles, so the driver compares what is on the screen with its own rendering of each icon.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen_capture.h"

namespace quorix::uidriver {

// Pixels of two same-sized images whose colours differ by more than a small tolerance in any
// channel (anti-aliasing and 16-bit displays shift colours slightly). Different sizes: all.
size_t CountDifferingPixels(const Pixels& a, const Pixels& b);

struct IconCandidate {
    std::wstring name;
    Pixels rendering;
};

// The candidate that the seen pixels match, or an empty name when none is close enough or two
// are equally close (for instance when the control has not been painted yet).
std::wstring PickMatchingIcon(const Pixels& seen, const std::vector<IconCandidate>& candidates);

}  // namespace quorix::uidriver
