// The installed product's Windows service, stopped before a removal and started again when
// the removal failed.
#pragma once

#include <cstdint>

#include "core/process_state.h"

namespace quorix {

inline constexpr const wchar_t* kProductServiceName = L"Velora.QuorixSvc";
// A stop that has not finished this long after it was asked for is given up.
inline constexpr std::uint32_t kServiceStopLimitMs = 30000;
// Shortest pause between two status queries, whatever wait hint the service gives.
inline constexpr std::uint32_t kServiceStopMinimumPollMs = 500;

// Asks the service to stop and waits for it. True when it stopped, was not running or is not
// installed at all; false when the manager cannot be opened, the stop was refused or the
// service was still stopping when the time ran out.
bool StopProductService(ProcessContext& ctx);

// Asks the service to start, without waiting for it to run. The request's result.
bool StartProductService(ProcessContext& ctx);

}  // namespace quorix
