// The setup's own folder for the extracted base package, below the application-data folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "core/process_state.h"

namespace quorix {

// The folder's attributes: hidden and system, so that it stays out of the user's way.
inline constexpr std::uint32_t kDataFolderAttributes =
    platform::kFileAttributeHidden | platform::kFileAttributeSystem;

// FILE_ALL_ACCESS, and FILE_GENERIC_READ | FILE_GENERIC_EXECUTE.
inline constexpr std::uint32_t kFullControl = 0x001F01FF;
inline constexpr std::uint32_t kReadAndExecute = 0x001200A9;

// The DACL the all-users folder is created with: SYSTEM and Administrators full control, Users
// read and execute, each inherited by files and folders below it.
const std::vector<platform::AccessEntry>& AllUsersDataFolderAccess();

// An all-users folder that existed before this run may be used when it is a real folder (no
// reparse point), owned by SYSTEM or Administrators, and nobody else may write or delete there.
bool IsSafeAllUsersFolder(const platform::FolderSecurity& security);

// The folder named after this release's product code inside the all-users (perUser false) or
// the user's roaming application-data folder, created one level deep when it is missing and
// marked hidden and system. The all-users folder is created owned by the Administrators group
// with AllUsersDataFolderAccess (a token that may not name that owner fails with
// ERROR_INVALID_OWNER as an HRESULT); one that exists already counts only when
// IsSafeAllUsersFolder says so, and otherwise fails with E_ACCESSDENIED as an HRESULT, so that
// the caller turns to the user's own folder.
// 0 and *folder (ending in "\") on success; otherwise a negative HRESULT and *folder unchanged.
HResult GetDataFolder(ProcessContext& ctx, bool perUser, std::wstring* folder);

// Why GetDataFolder refused a folder, in words for the run log, which adds the result's code.
const char* DescribeDataFolderRefusal(HResult result);

}  // namespace quorix
