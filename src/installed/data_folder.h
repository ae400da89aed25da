// The setup's own folder for the extracted base package, below the application-data folder.
#pragma once

#include <cstdint>
#include <string>

#include "bootstrap/process_state.h"
#include "common/result_codes.h"

namespace quorix {

// The folder's attributes: hidden and system, so that it stays out of the user's way.
inline constexpr std::uint32_t kDataFolderAttributes =
    platform::kFileAttributeHidden | platform::kFileAttributeSystem;

// The folder named after this release's product code inside the all-users (perUser false) or
// the user's roaming application-data folder, created one level deep when it is missing and
// marked hidden and system. 0 and *folder (ending in "\") on success; otherwise a negative
// HRESULT and *folder unchanged.
HResult GetDataFolder(ProcessContext& ctx, bool perUser, std::wstring* folder);

}  // namespace quorix
