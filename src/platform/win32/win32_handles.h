// Kernel handles as the seam carries them, and back.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace quorix::win32 {

inline HANDLE ToHandle(platform::NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
inline platform::NativeHandle FromHandle(HANDLE h) {
    return reinterpret_cast<platform::NativeHandle>(h);
}

// Windows cross the seam the same way.
inline HWND ToWindow(platform::NativeHandle h) { return reinterpret_cast<HWND>(h); }
inline platform::NativeHandle FromWindow(HWND h) {
    return reinterpret_cast<platform::NativeHandle>(h);
}

}  // namespace quorix::win32
