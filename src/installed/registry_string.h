// Reading a text value below HKEY_LOCAL_MACHINE.
#pragma once

#include <string>

#include "bootstrap/process_state.h"

namespace quorix {

// The REG_SZ value `valueName` of the key `keyPath` below HKEY_LOCAL_MACHINE, opened with
// KEY_READ in this process's own view. Throws std::runtime_error("Registry Value not found")
// when the key cannot be opened or the value is missing, unreadable or not REG_SZ.
std::wstring ReadRegistryString(ProcessContext& ctx, const std::wstring& keyPath,
                                const std::wstring& valueName);

}  // namespace quorix
