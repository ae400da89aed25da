// The real Desktop area behind the seam (user32, kernel32, wtsapi32).
#pragma once

#include "platform/desktop.h"

namespace quorix::win32 {

class Win32Desktop : public platform::Desktop {
public:
    platform::NativeHandle FindTopWindow(const std::wstring& className) override;
    bool IsWindowHandle(platform::NativeHandle window) override;
    std::uint32_t ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
                                    std::wstring* text) override;
    std::uint32_t GetVersionWord() override;
    bool QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) override;
    bool ConvertSystemTime(const platform::SystemTime& time, std::uint64_t* fileTime) override;
};

}  // namespace quorix::win32
