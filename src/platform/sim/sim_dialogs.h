// The simulated dialogs area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimDialogs : public platform::Dialogs {
public:
    explicit SimDialogs(Core& core) : core_(core) {}

    // --- the test's side ---

private:
    [[maybe_unused]] Core& core_;
};

}  // namespace quorix::sim
