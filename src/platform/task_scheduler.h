// The Task Scheduler 2.0 (taskschd, through COM): the one-shot task that starts the desktop
// shell in the interactive user's session.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;
};

}  // namespace quorix::platform
