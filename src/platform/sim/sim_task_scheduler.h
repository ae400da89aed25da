// The simulated task scheduler area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/task_scheduler.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimTaskScheduler : public platform::TaskScheduler {
public:
    explicit SimTaskScheduler(Core& core) : core_(core) {}

    // --- the test's side ---

private:
    [[maybe_unused]] Core& core_;
};

}  // namespace quorix::sim
