// The one call the removal makes on the installed product's COM object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/process_state.h"
#include "platform/com.h"

namespace quorix {

// {5BE19F12-4C30-4D6B-B458-BE0D081D58AB}
inline constexpr platform::Guid kProductComClassId{
    0x5BE19F12u, 0x4C30, 0x4D6B, {0xB4, 0x58, 0xBE, 0x0D, 0x08, 0x1D, 0x58, 0xAB}};
// {7583FB94-31E5-4535-9A53-1E55B56AA622}
inline constexpr platform::Guid kProductComInterfaceId{
    0x7583FB94u, 0x31E5, 0x4535, {0x9A, 0x53, 0x1E, 0x55, 0xB5, 0x6A, 0xA6, 0x22}};
// In-process server or handler, local or remote server: whatever the product registered.
inline constexpr std::uint32_t kProductComContext =
    platform::kClsctxInprocServer | platform::kClsctxInprocHandler | platform::kClsctxLocalServer |
    platform::kClsctxRemoteServer;
// The virtual slot of the method the removal calls (counted from 0, the three IUnknown
// methods first); it takes no argument and answers an HRESULT.
inline constexpr std::size_t kProductComMethodSlot = 36;

// Creates the product's object, calls its method and releases it, inside a COM apartment of
// its own. True when the object was created and the method did not fail.
bool InvokeProductComMethod(ProcessContext& ctx);

}  // namespace quorix
