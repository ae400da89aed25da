// The registry: keys below the predefined roots, in the 32- or 64-bit view, with typed values.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

class Registry {
public:
    virtual ~Registry() = default;
    // Methods are added with the rooms that need them (installed-version detection first).
};

}  // namespace quorix::platform
