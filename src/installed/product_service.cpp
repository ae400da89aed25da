#include "installed/product_service.h"

#include <algorithm>

#include "platform/platform.h"

namespace quorix {

namespace {

// One pause between two status queries. The hint is the service's own estimate; a hint beyond
// the whole time limit can only be a broken service, and must not hold the setup for longer
// than the limit in one sleep.
std::uint32_t PollPauseFor(std::uint32_t waitHint) {
    return std::clamp(waitHint, kServiceStopMinimumPollMs, kServiceStopLimitMs);
}

// Polls while the service reports STOP_PENDING. True when the last state read is STOPPED.
bool WaitForStop(ProcessContext& ctx, platform::NativeHandle service, std::uint32_t start) {
    platform::ServiceStatusProcess status;
    if (!ctx.os.services.QueryStatusProcess(service, &status)) return false;
    while (status.currentState == platform::kServiceStopPending) {
        ctx.os.system.Sleep(PollPauseFor(status.waitHint));
        // A failed query leaves the STOP_PENDING state read before it.
        if (!ctx.os.services.QueryStatusProcess(service, &status)) break;
        if (status.currentState == platform::kServiceStopped) break;
        // Unsigned difference: right across the 49.7-day wrap of the tick counter.
        if (ctx.os.system.GetTickCount() - start > kServiceStopLimitMs) break;
    }
    return status.currentState == platform::kServiceStopped;
}

}  // namespace

bool StopProductService(ProcessContext& ctx) {
    platform::Services& services = ctx.os.services;
    platform::UniqueServiceHandle manager(services,
                                          services.OpenManager(platform::kScManagerAllAccess));
    if (!manager.IsValid()) return false;
    platform::UniqueServiceHandle service(
        services,
        services.OpenServiceByName(manager.Get(), kProductServiceName,
                                   platform::kServiceStop | platform::kServiceQueryStatus));
    if (!service.IsValid()) {
        // No such service: nothing of the product runs that could be in the removal's way.
        const std::uint32_t error = ctx.os.system.GetLastError();
        return error == platform::kErrorServiceDoesNotExist || error == platform::kErrorInvalidName;
    }

    const std::uint32_t start = ctx.os.system.GetTickCount();
    bool stopped = false;
    platform::ServiceStatus status;
    if (services.SendControl(service.Get(), platform::kServiceControlStop, &status)) {
        stopped = status.currentState == platform::kServiceStopped ||
                  WaitForStop(ctx, service.Get(), start);
    }
    // A service that was not running counts as stopped. The last error is read whichever way
    // the stop went, before closing the handles can change it.
    return stopped || ctx.os.system.GetLastError() == platform::kErrorServiceNotActive;
}

bool StartProductService(ProcessContext& ctx) {
    platform::Services& services = ctx.os.services;
    platform::UniqueServiceHandle manager(services,
                                          services.OpenManager(platform::kScManagerAllAccess));
    if (!manager.IsValid()) return false;
    platform::UniqueServiceHandle service(
        services,
        services.OpenServiceByName(manager.Get(), kProductServiceName,
                                   platform::kServiceStart | platform::kServiceQueryStatus));
    if (!service.IsValid()) return false;
    return services.StartServiceRequest(service.Get());
}

}  // namespace quorix
