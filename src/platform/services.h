// The Service Control Manager (advapi32): the installed product's service is stopped around a
// removal and started again when the removal failed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

class Services {
public:
    virtual ~Services() = default;
};

}  // namespace quorix::platform
