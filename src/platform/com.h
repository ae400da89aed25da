// COM (ole32): the apartment of the calling thread, GUIDs, and the installed product's object
// (created by class, one argument-less method called through its interface, released).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/task_scheduler.h"

namespace quorix::platform {

// A GUID laid out as <guiddef.h> lays it out.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool operator==(const Guid& other) const {
        return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
               data4 == other.data4;
    }
    bool operator!=(const Guid& other) const { return !(*this == other); }
};

// HRESULTs of this area.
inline constexpr std::int32_t kComSFalse = 1;  // already initialised on this thread
inline constexpr std::int32_t kRpcEChangedMode = static_cast<std::int32_t>(0x80010106u);
inline constexpr std::int32_t kCoEIidString = static_cast<std::int32_t>(0x800401F4u);

// Characters of a braced GUID text with its terminator, as StringFromGUID2 needs them.
inline constexpr std::size_t kGuidTextCapacity = 39;

// An interface pointer as the platform gives it out; the logic never looks inside.
using ComObject = std::uintptr_t;
inline constexpr ComObject kNullComObject = 0;

// Class contexts (CLSCTX).
inline constexpr std::uint32_t kClsctxInprocServer = 0x1;
inline constexpr std::uint32_t kClsctxInprocHandler = 0x2;
inline constexpr std::uint32_t kClsctxLocalServer = 0x4;
inline constexpr std::uint32_t kClsctxRemoteServer = 0x10;

// REGDB_E_CLASSNOTREG, E_NOINTERFACE and E_NOTIMPL come with the task scheduler's area.
inline constexpr std::int32_t kCoENotInitialized = static_cast<std::int32_t>(0x800401F0u);

class Com {
public:
    virtual ~Com() = default;

    // CoInitialize(nullptr): S_OK, S_FALSE when the thread already was in an apartment (both
    // need a matching CoUninitialize), or a failure such as RPC_E_CHANGED_MODE (which must not
    // be matched).
    virtual std::int32_t InitializeCom() = 0;
    // CoUninitialize.
    virtual void UninitializeCom() = 0;

    // CoCreateGuid. *guid is set on success only.
    virtual std::int32_t CreateGuid(Guid* guid) = 0;
    // StringFromGUID2(guid, buffer of `capacity` characters): the characters written with the
    // terminator (39), or 0 when the buffer is too small (*text then untouched).
    virtual int StringFromGuid(const Guid& guid, std::size_t capacity, std::wstring* text) = 0;
    // IIDFromString(text). S_OK with *guid set, or E_INVALIDARG / CO_E_IIDSTRING for a text
    // that is not a braced GUID.
    virtual std::int32_t ParseIid(const std::wstring& text, Guid* guid) = 0;

    // CoCreateInstance(classId, no outer object, context, interfaceId, &object). *object is
    // set on success only.
    virtual std::int32_t CreateInstance(const Guid& classId, std::uint32_t context,
                                        const Guid& interfaceId, ComObject* object) = 0;
    // Calls the method in virtual slot `slot` (0-based, the three IUnknown methods first) of
    // the object's interface, a __stdcall method that takes nothing but the object and returns
    // an HRESULT; its result. The slot must exist in the interface the object was asked for.
    virtual std::int32_t CallMethodWithoutArguments(ComObject object, std::size_t slot) = 0;
    // IUnknown::Release: the count of references left.
    virtual std::uint32_t ReleaseObject(ComObject object) = 0;
};

// Owns one interface pointer and releases it on every path out of its scope.
class UniqueComObject {
public:
    explicit UniqueComObject(Com& com) : com_(com) {}
    UniqueComObject(const UniqueComObject&) = delete;
    UniqueComObject& operator=(const UniqueComObject&) = delete;
    ~UniqueComObject() { Reset(); }
    ComObject Get() const { return object_; }
    bool IsHeld() const { return object_ != kNullComObject; }
    // For CoCreateInstance: releases what is held and hands out the slot to fill.
    ComObject* Receive() {
        Reset();
        return &object_;
    }
    void Reset() {
        if (object_ != kNullComObject) com_.ReleaseObject(object_);
        object_ = kNullComObject;
    }

private:
    Com& com_;
    ComObject object_ = kNullComObject;
};

// Holds the thread in a COM apartment for the scope of one operation, and leaves it on every
// path out of that scope. A failed initialisation is not undone (CoUninitialize must only
// match a successful CoInitialize); the calls in the scope then run as they can without it.
class ComScope {
public:
    explicit ComScope(Com& com) : com_(com), result_(com.InitializeCom()) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (result_ >= 0) com_.UninitializeCom();
    }
    std::int32_t Result() const { return result_; }

private:
    Com& com_;
    std::int32_t result_;
};

}  // namespace quorix::platform
