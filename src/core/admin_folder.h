// Where an elevated run may put a file that a more privileged process (the installer's
// deferred actions run as LocalSystem) opens again by its path: only where no standard user can
// change, rename or redirect any folder from the drive's root down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "platform/platform.h"

namespace quorix {

// FILE_ALL_ACCESS, and FILE_GENERIC_READ | FILE_GENERIC_EXECUTE.
inline constexpr std::uint32_t kFullControl = 0x001F01FF;
inline constexpr std::uint32_t kReadAndExecute = 0x001200A9;

// What refuses a path that leads elsewhere than it says (a reparse point on the way, or a file
// whose final path is another): ERROR_CANT_RESOLVE_FILENAME.
inline constexpr std::uint32_t kErrorCantResolveFilename = 1921;

// The DACL the admin-only folders are created with: SYSTEM and Administrators full control,
// Users read and execute, each inherited by files and folders below it.
const std::vector<platform::AccessEntry>& AllUsersDataFolderAccess();

// A folder that existed before this run may be used when it is a real folder (no reparse
// point), owned by SYSTEM or Administrators, and nobody else may write or delete there.
bool IsSafeAllUsersFolder(const platform::FolderSecurity& security);

// Whether files the run writes must lie where no standard user can reach them: the token is
// elevated (or an administrator's before Vista) or LocalSystem. A token that cannot be read
// counts as elevated, so that doubt costs only a folder, never safety. *localSystem (when not
// null) tells a run as LocalSystem, whose temporary folder every user may write to.
bool RunsElevated(platform::Platform& os, bool* localSystem = nullptr);

// True when the path, or any folder above it up to the drive's root, is a reparse point (a
// junction or link that could lead anywhere), or its attributes cannot be read.
bool PathHasReparsePoint(platform::Files& files, const std::wstring& path);

// Whether the file open as `file` lies at `path`. Where the system can tell (Vista and later),
// *finalPath is where it lies and it must name `path` (letter case aside); where it cannot, the
// path is taken as meant. False also when the question itself failed.
bool LiesWhereMeant(platform::Platform& os, platform::NativeHandle file, const std::wstring& path,
                    std::wstring* finalPath);

// The admin-only folder `path` (ending in "\"): created owned by the Administrators group with
// AllUsersDataFolderAccess, or one that exists already when IsSafeAllUsersFolder says so, and
// in neither case below a reparse point. Marked hidden and system. 0, or the refusal as an
// HRESULT (E_ACCESSDENIED for an existing unsafe folder, ERROR_CANT_RESOLVE_FILENAME for a
// reparse point, ERROR_INVALID_OWNER for a token that may not name that owner).
HResult EnsureAdminOnlyFolder(platform::Platform& os, const std::wstring& path);

// The folder an elevated run writes its packages (and, where %TEMP% is unsafe, its log) to:
// "{product code}" below the all-users application data, or, where a user made that one
// unusable, "{product code}" below the Windows folder, where no standard user may create
// anything and so cannot take the name first ("{product code}_2" to "_100" after one that does
// not pass the check). 0 and *folder (ending in "\"), or the last
// refusal as an HRESULT; *allUsersRefusal (when not null) is the first folder's result.
HResult GetAdminOnlyFolder(platform::Platform& os, std::wstring* folder,
                           HResult* allUsersRefusal = nullptr);

}  // namespace quorix
