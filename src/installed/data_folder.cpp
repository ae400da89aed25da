#include "installed/data_folder.h"

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

bool MayHoldSetupFiles(platform::Trustee trustee) {
    // Creator Owner stands for whoever creates a file; only those who may create one at all
    // (the entries checked here) ever become it.
    return trustee == platform::Trustee::System || trustee == platform::Trustee::Administrators ||
           trustee == platform::Trustee::CreatorOwner;
}

HResult NotSafe() { return HResultFromWin32(kErrorAccessDenied); }

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

const char* DescribeDataFolderRefusal(HResult result) {
    if (result == NotSafe()) {
        return "it could not be created, or one that exists may be changed by others than the "
               "administrators";
    }
    if (result == HResultFromWin32(kErrorInvalidOwner)) {
        return "this account may not make the Administrators its owner";
    }
    if (result == HResultFromWin32(kErrorAlreadyExists)) return "a file of that name is in the way";
    return "error";
}

HResult GetDataFolder(ProcessContext& ctx, bool perUser, std::wstring* folder) {
    platform::Files& files = ctx.os.files;
    std::wstring parent;
    const HResult located = files.GetSpecialFolder(
        perUser ? platform::kCsidlAppData : platform::kCsidlCommonAppData, &parent);
    if (located < 0) return located;

    const std::wstring path =
        EnsureTrailingBackslash(EnsureTrailingBackslash(parent) + kThisProductCode);
    // Every user may create folders below the all-users folder and then owns them: the package
    // that runs per machine may only go to a folder that no standard user can change. The owner
    // is named, not left to the token's default (the user's own account with UAC off or under
    // some policies), or the next run would find the folder owned by a user and refuse it. A
    // token that may not name the Administrators group gets ERROR_INVALID_OWNER and no folder,
    // and the caller turns to the user's own folder.
    const bool created = perUser
                             ? files.CreateFolder(path)
                             : files.CreateFolderWithAccess(path, platform::Trustee::Administrators,
                                                            AllUsersDataFolderAccess());
    if (!created) {
        const std::uint32_t error = ctx.os.system.GetLastError();
        if (error != kErrorAlreadyExists) {
            return error == 0 ? HResultFromWin32(kErrorGenFailure) : HResultFromWin32(error);
        }
        if (perUser) {
            // Something of that name exists. Only a folder will do: a file there would make
            // every write below fail.
            const std::uint32_t attributes = files.GetAttributes(path);
            if (attributes == platform::kInvalidFileAttributes ||
                (attributes & platform::kFileAttributeDirectory) == 0) {
                return HResultFromWin32(kErrorAlreadyExists);
            }
        } else {
            platform::FolderSecurity security;
            if (!files.GetFolderSecurity(path, &security) || !IsSafeAllUsersFolder(security)) {
                return NotSafe();
            }
        }
    }
    // Whether the attributes could be set changes nothing about where the package goes.
    files.SetAttributes(path, kDataFolderAttributes);
    *folder = path;
    return kSOk;
}

}  // namespace quorix
