// The interactive desktop and session: the shell's windows, the session's user (wtsapi32),
// environment expansion and the raw Windows version word.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"
#include "platform/system.h"

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

    // ExpandEnvironmentStringsW(source, buffer of `capacity` characters, capacity). Returns
    // what it returns: the characters stored with the terminator when the result fits (*text
    // is then set, without the terminator), the size needed with the terminator when it does
    // not (*text untouched), 0 on failure.
    virtual std::uint32_t ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
                                            std::wstring* text) = 0;

    // GetVersion: the major version in the low byte, the minor in the next, the build in the
    // high word.
    virtual std::uint32_t GetVersionWord() = 0;

    // WTSQuerySessionInformationW(current server, current session, infoClass): the text of
    // the buffer it hands out, which is freed with WTSFreeMemory before returning. wtsapi32 is
    // loaded from the system folder. False when the library or the query failed.
    virtual bool QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) = 0;

    // SystemTimeToFileTime: 100 ns units since 1601, UTC. False for a time that is no date.
    virtual bool ConvertSystemTime(const SystemTime& time, std::uint64_t* fileTime) = 0;
};

}  // namespace quorix::platform
