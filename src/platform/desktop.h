// The interactive desktop and session: the shell's windows, the session's user (wtsapi32),
// environment expansion and the raw Windows version word.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

class Desktop {
public:
    virtual ~Desktop() = default;
};

}  // namespace quorix::platform
