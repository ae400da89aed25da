// Every unit test's simulated machine reports, as it goes away, the faults that were armed but
// never reached the program: such a test would pass without testing what it names.
#include <gtest/gtest.h>

#include "platform/sim/sim_core.h"

namespace quorix::test {
namespace {

const bool kReporterInstalled = [] {
    sim::Faults::SetReporter([](const std::string& problem) { ADD_FAILURE() << problem; });
    return true;
}();

}  // namespace
}  // namespace quorix::test
