// Modal dialogs from the executable's templates (user32, gdi32, comctl32): the dialog host
// delivers messages to a handler written above the seam and carries out what it asks for.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

class Dialogs {
public:
    virtual ~Dialogs() = default;
};

}  // namespace quorix::platform
