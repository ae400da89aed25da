// The simulated resources.
#pragma once

#include "platform/resources.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimResources : public platform::Resources {
public:
    explicit SimResources(Core& core) : core_(core) {}

private:
    Core& core_;
};

}  // namespace quorix::sim
