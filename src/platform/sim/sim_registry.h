// The simulated registry.
#pragma once

#include "platform/registry.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimRegistry : public platform::Registry {
public:
    explicit SimRegistry(Core& core) : core_(core) {}

private:
    Core& core_;
};

}  // namespace quorix::sim
