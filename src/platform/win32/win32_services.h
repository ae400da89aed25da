// The real Service Control Manager behind the seam (advapi32).
#pragma once

#include "platform/services.h"

namespace quorix::win32 {

class Win32Services : public platform::Services {
public:
    platform::NativeHandle OpenManager(std::uint32_t access) override;
    platform::NativeHandle OpenServiceByName(platform::NativeHandle manager,
                                             const std::wstring& name,
                                             std::uint32_t access) override;
    bool SendControl(platform::NativeHandle service, std::uint32_t control,
                     platform::ServiceStatus* status) override;
    bool QueryStatusProcess(platform::NativeHandle service,
                            platform::ServiceStatusProcess* status) override;
    bool StartServiceRequest(platform::NativeHandle service) override;
    bool CloseService(platform::NativeHandle handle) override;
};

}  // namespace quorix::win32
