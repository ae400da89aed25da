// The simulated services area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimServices : public platform::Services {
public:
    explicit SimServices(Core& core) : core_(core) {}

    // --- the test's side ---

private:
    [[maybe_unused]] Core& core_;
};

}  // namespace quorix::sim
