// Opaque handles handed across the platform seam, and the owner that closes them.
#pragma once

#include <cstdint>
#include <utility>

namespace quorix::platform {

// A kernel object handle as the platform gives it out; the logic never looks inside.
using NativeHandle = std::uintptr_t;
inline constexpr NativeHandle kNullHandle = 0;
// CreateFileW reports failure with INVALID_HANDLE_VALUE, not with a null handle.
inline constexpr NativeHandle kInvalidHandleValue = static_cast<NativeHandle>(-1);

inline bool IsValidHandle(NativeHandle h) { return h != kNullHandle && h != kInvalidHandleValue; }

class System;

// Owns one kernel handle and closes it through the platform on every path out of its scope.
class UniqueHandle {
public:
    UniqueHandle() = default;
    UniqueHandle(System& system, NativeHandle handle) : system_(&system), handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept { *this = std::move(other); }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            system_ = other.system_;
            handle_ = std::exchange(other.handle_, kNullHandle);
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    NativeHandle Get() const { return handle_; }
    bool IsValid() const { return IsValidHandle(handle_); }
    void Reset();
    // Gives up ownership without closing: the caller closes the handle it gets back.
    NativeHandle Release() { return std::exchange(handle_, kNullHandle); }

private:
    System* system_ = nullptr;
    NativeHandle handle_ = kNullHandle;
};

}  // namespace quorix::platform
