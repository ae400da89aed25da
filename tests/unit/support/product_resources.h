// The product's file, dialog template and pictures as its executable carries them, for the
// simulated machine: the simulation knows nothing of the product until a test hands it over.
#pragma once

#include <string>

#include "platform/sim/sim_machine.h"

namespace quorix::test {

// The welcome dialog's template as welcome.rc declares it, control by control in tab order.
sim::SimDialogTemplate WelcomeDialogTemplate();

// Where the product's executable lies on the simulated machine.
inline constexpr const wchar_t* kProductExePath = L"C:\\Setup\\QuorixSetup.exe";

// Makes the product the machine's running module: its path (what GetModuleFileNameW gives)
// and, as its resources, the welcome dialog, its banner and notice pictures and the flags.
void PlaceProductModule(sim::SimMachine& machine);

// The number resource_ids.h gives a name, as the resource compiler would substitute it in a
// script; -1 for a name it does not define.
long ResourceId(const std::string& name);

}  // namespace quorix::test
