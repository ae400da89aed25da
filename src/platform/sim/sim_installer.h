// The simulated installer.
#pragma once

#include "platform/installer.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimInstaller : public platform::Installer {
public:
    explicit SimInstaller(Core& core) : core_(core) {}

private:
    Core& core_;
};

}  // namespace quorix::sim
