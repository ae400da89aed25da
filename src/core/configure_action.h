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

// The decision's name and number for the run log, such as "OlderInstalled (2)".
inline const char* ConfigureActionName(std::int32_t action) {
    switch (action) {
        case NotInstalled:
            return "NotInstalled (1)";
        case OlderInstalled:
            return "OlderInstalled (2)";
        case PreviousGenerationInstalled:
            return "PreviousGenerationInstalled (3)";
        case 4:
            return "4, taken as NewerInstalled";
        case NewerInstalled:
            return "NewerInstalled (5)";
        case SameVersionInstalled:
            return "SameVersionInstalled (7)";
        default:
            return "no decision";
    }
}

}  // namespace quorix
