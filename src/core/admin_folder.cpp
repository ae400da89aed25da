#include "core/admin_folder.h"

#include "common/text.h"
#include "core/release.h"

namespace quorix {

namespace {

constexpr std::uint8_t kInheritedByAll =
    platform::kObjectInheritAce | platform::kContainerInheritAce;

// Rights that let their holder change, replace or remove what is in the folder: writing and
// appending (adding files and folders), extended attributes and attributes, deleting children,
// DELETE, WRITE_DAC, WRITE_OWNER, and the generic write and all rights.
constexpr std::uint32_t kWriteOrDeleteRights = 0x00000002 | 0x00000004 | 0x00000010 | 0x00000040 |
                                               0x00000100 | 0x00010000 | 0x00040000 | 0x00080000 |
                                               0x40000000 | 0x10000000;

// The hidden and system attributes keep the folder out of the user's way.
constexpr std::uint32_t kAdminFolderAttributes =
    platform::kFileAttributeHidden | platform::kFileAttributeSystem;

// The names tried below the Windows folder.
constexpr std::uint32_t kAdminFolderAttempts = 100;

bool MayHoldSetupFiles(platform::Trustee trustee) {
    // Creator Owner stands for whoever creates a file; only those who may create one at all
    // (the entries checked here) ever become it.
    return trustee == platform::Trustee::System || trustee == platform::Trustee::Administrators ||
           trustee == platform::Trustee::CreatorOwner;
}

HResult FromLastError(platform::System& system) {
    const std::uint32_t error = system.GetLastError();
    return HResultFromWin32(error == 0 ? kErrorGenFailure : error);
}

}  // namespace

const std::vector<platform::AccessEntry>& AllUsersDataFolderAccess() {
    static const std::vector<platform::AccessEntry> entries = {
        {true, platform::Trustee::System, kFullControl, kInheritedByAll},
        {true, platform::Trustee::Administrators, kFullControl, kInheritedByAll},
        {true, platform::Trustee::Users, kReadAndExecute, kInheritedByAll},
    };
    return entries;
}

bool IsSafeAllUsersFolder(const platform::FolderSecurity& security) {
    if ((security.attributes & platform::kFileAttributeDirectory) == 0) return false;
    // A junction or link could lead anywhere, including a folder someone else controls.
    if ((security.attributes & platform::kFileAttributeReparsePoint) != 0) return false;
    if (security.owner != platform::Trustee::System &&
        security.owner != platform::Trustee::Administrators) {
        return false;
    }
    if (!security.hasDacl) return false;
    for (const platform::AccessEntry& entry : security.entries) {
        // Denying entries only take rights away; inherit-only ones still reach the files.
        if (!entry.allow || MayHoldSetupFiles(entry.trustee)) continue;
        if ((entry.mask & kWriteOrDeleteRights) != 0) return false;
    }
    return true;
}

bool RunsElevated(platform::Platform& os, bool* localSystem) {
    platform::TokenStanding standing;
    const bool known = os.system.GetTokenStanding(&standing);
    if (localSystem != nullptr) *localSystem = !known || standing.localSystem;
    return !known || standing.elevated || standing.localSystem;
}

bool PathHasReparsePoint(platform::Files& files, const std::wstring& path) {
    // "C:\a\b\" is asked as "C:\a" and "C:\a\b"; the root of a drive cannot be a link. A path
    // that names no drive ("\\server\share", a relative one) is not walked: it is refused.
    if (path.size() < 3 || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/')) return true;
    for (std::size_t end = path.find_first_of(L"\\/", 3);;
         end = path.find_first_of(L"\\/", end + 1)) {
        const std::wstring component = path.substr(0, end);
        if (component.size() > 3 && component.back() != L'\\') {
            const std::uint32_t attributes = files.GetAttributes(component);
            if (attributes == platform::kInvalidFileAttributes ||
                (attributes & platform::kFileAttributeReparsePoint) != 0) {
                return true;
            }
        }
        if (end == std::wstring::npos || end + 1 == path.size()) return false;
    }
}

bool LiesWhereMeant(platform::Platform& os, platform::NativeHandle file, const std::wstring& path,
                    std::wstring* finalPath) {
    if (!os.files.GetFinalPath(file, finalPath)) {
        // Before Vista no call tells; there the checked folders are all there is.
        if (os.system.GetLastError() != kErrorProcNotFound) return false;
        *finalPath = path;
        return true;
    }
    return EqualsIgnoringAsciiCase(*finalPath, path);
}

HResult EnsureAdminOnlyFolder(platform::Platform& os, const std::wstring& path) {
    platform::Files& files = os.files;
    const HResult redirected = HResultFromWin32(kErrorCantResolveFilename);
    // Every user may create folders below the all-users folder and then owns them: the owner is
    // named, not left to the token's default (the user's own account with UAC off or under some
    // policies), or the next run would find the folder owned by a user and refuse it.
    std::wstring parent = path;
    while (!parent.empty() && (parent.back() == L'\\' || parent.back() == L'/')) parent.pop_back();
    parent = parent.substr(0, parent.find_last_of(L"\\/") + 1);
    if (PathHasReparsePoint(files, parent)) return redirected;
    if (!files.CreateFolderWithAccess(path, platform::Trustee::Administrators,
                                      AllUsersDataFolderAccess())) {
        if (os.system.GetLastError() != kErrorAlreadyExists) return FromLastError(os.system);
        platform::FolderSecurity security;
        if (!files.GetFolderSecurity(path, &security) || !IsSafeAllUsersFolder(security)) {
            return HResultFromWin32(kErrorAccessDenied);
        }
    }
    // Asked again with the folder in place: no step of the way may have become a link since.
    if (PathHasReparsePoint(files, path)) return redirected;
    // Whether the attributes could be set changes nothing about where the files go.
    files.SetAttributes(path, kAdminFolderAttributes);
    return kSOk;
}

HResult GetAdminOnlyFolder(platform::Platform& os, std::wstring* folder, HResult* allUsersRefusal) {
    std::wstring parent;
    HResult result = os.files.GetSpecialFolder(platform::kCsidlCommonAppData, &parent);
    std::wstring path = EnsureTrailingBackslash(EnsureTrailingBackslash(parent) + kThisProductCode);
    if (result >= 0) result = EnsureAdminOnlyFolder(os, path);
    if (allUsersRefusal != nullptr) *allUsersRefusal = result;
    // Nobody but the administrators (and the system's own installer) may create a folder
    // directly in the Windows folder: a user can neither take these names first nor make the run
    // give up by filling them. Numbered names follow one of an earlier run that no longer passes
    // the check (Wine keeps no access list, say).
    for (std::uint32_t number = 1; result < 0 && number <= kAdminFolderAttempts; ++number) {
        const std::uint32_t length = os.files.GetWindowsFolder(platform::kMaxPath, &parent);
        if (length == 0 || length >= platform::kMaxPath) return FromLastError(os.system);
        path = EnsureTrailingBackslash(parent) + kThisProductCode;
        if (number > 1) path += L"_" + ToDecimal(number);
        path = EnsureTrailingBackslash(path);
        result = EnsureAdminOnlyFolder(os, path);
    }
    if (result >= 0) *folder = path;
    return result;
}

}  // namespace quorix
