// The interactive desktop: the shell's top-level windows and the user of the session they
// belong to (wtsapi32).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

// WTS_INFO_CLASS values the program asks for.
inline constexpr std::uint32_t kWtsUserName = 5;
inline constexpr std::uint32_t kWtsDomainName = 7;

class Desktop {
public:
    virtual ~Desktop() = default;

    // FindWindowW(className, no title): a top-level window of that class, kNullHandle when
    // there is none.
    virtual NativeHandle FindTopWindow(const std::wstring& className) = 0;
    // IsWindow: whether the handle still names a window.
    virtual bool IsWindowHandle(NativeHandle window) = 0;

    // WTSQuerySessionInformationW(current server, current session, infoClass): the text of
    // the buffer it hands out, which is freed with WTSFreeMemory before returning. wtsapi32 is
    // loaded from the system folder. False when the library or the query failed.
    virtual bool QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) = 0;
};

}  // namespace quorix::platform
