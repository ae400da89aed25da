// The parent process's console, for the few lines the program prints.
#pragma once

#include <cstdint>
#include <string>

namespace quorix::platform {

inline constexpr std::uint16_t kVkReturn = 0x0D;
inline constexpr std::uint32_t kKeyEventKeyUp = 0x0002;

class Console {
public:
    virtual ~Console() = default;
    // AttachConsole(ATTACH_PARENT_PROCESS), looked up in kernel32 at run time. False on failure
    // (last error set); ERROR_PROC_NOT_FOUND (127) where kernel32 lacks it (Windows 2000).
    virtual bool AttachToParent() = 0;
    // Reopens the runtime's standard output on "CON" with mode "w" (freopen).
    virtual bool ReopenStdoutOnConsole() = 0;
    // Writes a finished text to standard output (no formatting happens here) and flushes it.
    virtual void Write(const std::wstring& text) = 0;
    // FreeConsole.
    virtual bool Free() = 0;
    // SendInput of one keyboard event for the virtual key with the flags.
    virtual void SendKey(std::uint16_t virtualKey, std::uint32_t flags) = 0;
};

}  // namespace quorix::platform
