// The packages the product carries, for the probe's extraction and installation commands.
// The probe carries no real packages (its own "MSI" resource is a placeholder for the pack
// enumeration), so QUORIX_PROBE_PAYLOAD must name an executable (the product's, as a Windows
// path) whose resources stand in for the probe's own; every other area stays the real platform.
#pragma once

#include <windows.h>

#include <memory>

#include "core/process_state.h"
#include "platform/resources.h"

namespace quorix::probe {

class PayloadContext {
public:
    explicit PayloadContext(ProcessContext& base);
    PayloadContext(const PayloadContext&) = delete;
    PayloadContext& operator=(const PayloadContext&) = delete;
    ~PayloadContext();

    // False (and the reason printed as payload.error) when there is no payload module.
    bool Ready() const { return loadError_ == 0; }
    ProcessContext& Context() { return ctx_; }

private:
    DWORD loadError_ = 0;
    HMODULE module_ = nullptr;
    std::unique_ptr<platform::Resources> resources_;
    std::unique_ptr<platform::Platform> os_;
    ProcessContext ctx_;
};

}  // namespace quorix::probe
