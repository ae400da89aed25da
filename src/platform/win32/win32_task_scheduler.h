// The real TaskScheduler area behind the seam.
#pragma once

#include "platform/task_scheduler.h"

namespace quorix::win32 {

class Win32TaskScheduler : public platform::TaskScheduler {
public:
};

}  // namespace quorix::win32
