// What is installed compared with this release, and so what the run does about it.
#pragma once

#include <cstdint>

namespace quorix {

// The installed-version decision. Stored and printed as a plain integer; 4 and 6 are never
// produced, but a caller switching on the value still gives them their meaning.
enum ConfigureAction : std::int32_t {
    // Before the installed copy has been compared, or when it could not be.
    NoDecision = 0,
    NotInstalled = 1,
    OlderInstalled = 2,
    PreviousGenerationInstalled = 3,
    NewerInstalled = 5,
    SameVersionInstalled = 7,
};

}  // namespace quorix
