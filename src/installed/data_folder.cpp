#include "installed/data_folder.h"

#include "common/release.h"
#include "common/text.h"

namespace quorix {

HResult GetDataFolder(ProcessContext& ctx, bool perUser, std::wstring* folder) {
    platform::Files& files = ctx.os.files;
    std::wstring parent;
    const HResult located = files.GetSpecialFolder(
        perUser ? platform::kCsidlAppData : platform::kCsidlCommonAppData, &parent);
    if (located < 0) return located;

    const std::wstring path = EnsureTrailingBackslash(EnsureTrailingBackslash(parent) + kThisProductCode);
    if (!files.CreateFolder(path)) {
        const std::uint32_t error = ctx.os.system.GetLastError();
        if (error != kErrorAlreadyExists) {
            return error == 0 ? HResultFromWin32(kErrorGenFailure) : HResultFromWin32(error);
        }
        // Something of that name exists. Only a folder will do: a file there would make every
        // write below fail, while the caller could still fall back to the other folder.
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
