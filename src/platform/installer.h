// The Windows Installer (msi.dll): installations, product queries and package databases.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

class Installer {
public:
    virtual ~Installer() = default;
    // Methods are added with the rooms that need them (installer invocation first).
};

}  // namespace quorix::platform
