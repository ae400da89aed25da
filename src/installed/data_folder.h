// The setup's own folder for the extracted base package, below the application-data folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "core/admin_folder.h"
#include "core/process_state.h"

namespace quorix {

// The folder's attributes: hidden and system, so that it stays out of the user's way.
inline constexpr std::uint32_t kDataFolderAttributes =
    platform::kFileAttributeHidden | platform::kFileAttributeSystem;

// The folder named after this release's product code inside the all-users (perUser false) or
// the user's roaming application-data folder, created one level deep when it is missing and
// marked hidden and system. The all-users folder is the admin-only one EnsureAdminOnlyFolder
// makes or accepts; its refusals (a reparse point on the way, an unsafe existing folder, an
// owner the token may not name) let the caller turn to the user's own folder, which only a run
// that is not elevated may use.
// 0 and *folder (ending in "\") on success; otherwise a negative HRESULT and *folder unchanged.
HResult GetDataFolder(ProcessContext& ctx, bool perUser, std::wstring* folder);

// Why GetDataFolder refused a folder, in words for the run log, which adds the result's code.
const char* DescribeDataFolderRefusal(HResult result);

}  // namespace quorix
