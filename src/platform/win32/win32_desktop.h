// The real Desktop area behind the seam (user32, wtsapi32).
#pragma once

#include "platform/desktop.h"

namespace quorix::win32 {

class Win32Desktop : public platform::Desktop {
public:
    platform::NativeHandle FindTopWindow(const std::wstring& className) override;
    bool IsWindowHandle(platform::NativeHandle window) override;
    bool QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) override;
};

}  // namespace quorix::win32
