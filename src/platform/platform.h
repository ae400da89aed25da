// Everything the program reaches of Windows, one narrow interface per area.
#pragma once

#include "platform/console.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace quorix::platform {

struct Platform {
    System& system;
    Files& files;
    Console& console;
    Ui& ui;
};

}  // namespace quorix::platform
