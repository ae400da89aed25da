#include "installed/data_folder.h"

#include "common/text.h"
#include "core/release.h"

namespace quorix {

namespace {

HResult NotSafe() { return HResultFromWin32(kErrorAccessDenied); }

}  // namespace

const char* DescribeDataFolderRefusal(HResult result) {
    if (result == NotSafe()) {
        return "it could not be created, or one that exists may be changed by others than the "
               "administrators";
    }
    if (result == HResultFromWin32(kErrorInvalidOwner)) {
        return "this account may not make the Administrators its owner";
    }
    if (result == HResultFromWin32(kErrorAlreadyExists)) return "a file of that name is in the way";
    if (result == HResultFromWin32(kErrorCantResolveFilename)) {
        return "a junction or link lies on its path";
    }
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
    if (!perUser) {
        const HResult result = EnsureAdminOnlyFolder(ctx.os, path);
        if (result >= 0) *folder = path;
        return result;
    }
    if (!files.CreateFolder(path)) {
        const std::uint32_t error = ctx.os.system.GetLastError();
        if (error != kErrorAlreadyExists) {
            return error == 0 ? HResultFromWin32(kErrorGenFailure) : HResultFromWin32(error);
        }
        // Something of that name exists. Only a folder will do: a file there would make every
        // write below fail.
        const std::uint32_t attributes = files.GetAttributes(path);
        if (attributes == platform::kInvalidFileAttributes ||
            (attributes & platform::kFileAttributeDirectory) == 0) {
            return HResultFromWin32(kErrorAlreadyExists);
        }
    }
    // Whether the attributes could be set changes nothing about where the package goes.
    files.SetAttributes(path, kDataFolderAttributes);
    *folder = path;
    return kSOk;
}

}  // namespace quorix
