// The executable's own resources: packages, language packs, strings and pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace quorix::platform {

class Resources {
public:
    virtual ~Resources() = default;
    // Methods are added with the rooms that need them (package extraction first).
};

}  // namespace quorix::platform
