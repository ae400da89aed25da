// The simulated desktop area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimDesktop : public platform::Desktop {
public:
    explicit SimDesktop(Core& core) : core_(core) {}

    // --- the test's side ---

private:
    [[maybe_unused]] Core& core_;
};

}  // namespace quorix::sim
