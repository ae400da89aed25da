#include "icon_match.h"

#include <cstdlib>

namespace quorix::uidriver {

size_t CountDifferingPixels(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.bgra.size() != b.bgra.size())
        return a.bgra.size() > b.bgra.size() ? a.bgra.size() : b.bgra.size();
    constexpr int kTolerance = 24;
    size_t differing = 0;
    for (size_t i = 0; i < a.bgra.size(); ++i) {
        for (int shift = 0; shift <= 16; shift += 8) {
            const int ca = static_cast<int>((a.bgra[i] >> shift) & 0xFF);
            const int cb = static_cast<int>((b.bgra[i] >> shift) & 0xFF);
            if (std::abs(ca - cb) > kTolerance) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

std::wstring PickMatchingIcon(const Pixels& seen, const std::vector<IconCandidate>& candidates) {
    if (seen.bgra.empty()) return std::wstring();
    size_t best = static_cast<size_t>(-1);
    size_t second = static_cast<size_t>(-1);
    const IconCandidate* winner = nullptr;
    for (const IconCandidate& candidate : candidates) {
        const size_t distance = CountDifferingPixels(seen, candidate.rendering);
        if (distance < best) {
            second = best;
            best = distance;
            winner = &candidate;
        } else if (distance < second) {
            second = distance;
        }
    }
    // Close: under a twentieth of the pixels off. Clear: the runner-up is at least four times
    // further away, so a half-painted control is not taken for whichever icon is nearest.
    const size_t limit = seen.bgra.size() / 20;
    if (winner == nullptr || best > limit) return std::wstring();
    if (second != static_cast<size_t>(-1) && second < best * 4 + 4) return std::wstring();
    return winner->name;
}

}  // namespace quorix::uidriver
