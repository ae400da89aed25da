// The product's dialog template and pictures as its executable carries them, for the simulated
// machine: the simulation knows no dialog of the product until a test hands it one.
#pragma once

#include <string>

#include "platform/sim/sim_machine.h"

namespace quorix::test {

// The welcome dialog's template as welcome.rc declares it, control by control in tab order.
sim::SimDialogTemplate WelcomeDialogTemplate();

// Registers the welcome dialog, its banner and notice pictures and the language flags with
// the machine, as the module's resources.
void AddProductResources(sim::SimMachine& machine);

// The number resource_ids.h gives a name, as the resource compiler would substitute it in a
// script; -1 for a name it does not define.
long ResourceId(const std::string& name);

}  // namespace quorix::test
