#include "package/package_extraction.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "common/text.h"
#include "core/admin_folder.h"
#include "core/process_exit.h"
#include "installed/data_folder.h"

namespace quorix {

namespace {

// A short write is reported the way a full disk is: that is what it nearly always means.
constexpr std::uint32_t kErrorHandleDiskFull = 39;

// The last error as an HRESULT for a call that failed. A failure that left no error behind
// must still read as one, so it becomes E_FAIL rather than 0.
HResult FailureFromLastError(ProcessContext& ctx) {
    const std::uint32_t error = ctx.os.system.GetLastError();
    return error == 0 ? kEFail : HResultFromWin32(error);
}

// Failures that belong to the name rather than to the disk or the package: another name may
// still work.
bool NameIsInTheWay(HResult result) {
    constexpr std::uint32_t kErrorLockViolation = 33;
    for (std::uint32_t error : {kErrorAccessDenied, kErrorSharingViolation, kErrorLockViolation,
                                kErrorFileExists, kErrorAlreadyExists}) {
        if (result == HResultFromWin32(error)) return true;
    }
    return false;
}

// The file behind `file`, read from its start through that handle, against the package's bytes:
// 0 when they are the same; a sharing violation when they are not, since another process has
// written to the file; or the failure of the read.
HResult CompareWithPackage(ProcessContext& ctx, platform::NativeHandle file,
                           const EmbeddedResource& package) {
    const HResult changed = HResultFromWin32(kErrorSharingViolation);
    // At least one byte, so that a file grown behind an empty package is still seen.
    std::vector<std::uint8_t> chunk(std::max(1u, std::min(package.size, kExtractionChunkBytes)));
    std::uint32_t offset = 0;
    for (;;) {
        std::uint32_t read = 0;
        if (!ctx.os.files.ReadFromFile(file, chunk.data(), static_cast<std::uint32_t>(chunk.size()),
                                       &read)) {
            return FailureFromLastError(ctx);
        }
        if (read == 0) break;  // the end of the file
        if (read > package.size - offset ||
            std::memcmp(chunk.data(), package.data + offset, read) != 0) {
            return changed;
        }
        offset += read;
    }
    return offset == package.size ? kSOk : changed;
}

// The base package under `target`: whatever had that name is deleted first, and the package
// goes into a new file, which takes its access list from the folder.
HResult WriteFreshPackage(ProcessContext& ctx, const std::wstring& target, std::wstring* handed) {
    ReleasePackage(ctx, target);
    if (!ctx.os.files.DeleteFileAt(target) && ctx.os.system.GetLastError() != kErrorFileNotFound) {
        return FailureFromLastError(ctx);
    }
    return ExportResourceToFile(ctx, kBasePackage.resourceName, target, handed);
}

// The run's admin-only folder: where the packages it still holds lie (nobody but an
// administrator can have changed it since, and a second check would find a folder of this run
// that Wine, keeping no access list, refuses), or the one GetAdminOnlyFolder gives.
HResult RunsAdminOnlyFolder(ProcessContext& ctx, std::wstring* folder, HResult* allUsers,
                            bool* known) {
    *known = !ctx.state.heldPackages.empty();
    if (!*known) return GetAdminOnlyFolder(ctx.os, folder, allUsers);
    const std::wstring& held = ctx.state.heldPackages.front().path;
    *folder = held.substr(0, held.find_last_of(L"\\") + 1);
    return kSOk;
}

}  // namespace

HResult FindEmbeddedResource(ProcessContext& ctx, const std::wstring& resourceName,
                             EmbeddedResource* resource) {
    // SizeofResource reports an empty resource without setting an error; a stale error from
    // an earlier call must not be taken for its reason.
    ctx.os.system.SetLastError(0);
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    if (!ctx.os.resources.FindResourceData(
            platform::kRtRcdata, platform::ResourceName::Text(resourceName), &data, &size) ||
        size == 0 || data == nullptr) {
        return FailureFromLastError(ctx);
    }
    resource->data = data;
    resource->size = size;
    return kSOk;
}

namespace {

HResult WriteAndVerify(ProcessContext& ctx, const std::wstring& resourceName,
                       const std::wstring& path, std::wstring* handed);

}  // namespace

HResult ExportResourceToFile(ProcessContext& ctx, const std::wstring& resourceName,
                             const std::wstring& path, std::wstring* handedPath) {
    std::wstring handed = path;
    const HResult result = WriteAndVerify(ctx, resourceName, path, &handed);
    if (result >= 0 && handedPath != nullptr) *handedPath = handed;
    RunLog& log = ctx.state.log;
    if (log.IsOpen()) {
        const std::uint32_t savedError = ctx.os.system.GetLastError();
        const auto code = static_cast<std::uint32_t>(result);
        if (result >= 0) {
            log.Write("extract", {resourceName, " to ", handed,
                                  ": written, read back and found equal to the embedded copy"});
        } else {
            log.Write("extract",
                      {resourceName, " to ", path, ": failed with ", LogPiece::Hex(code)});
        }
        ctx.os.system.SetLastError(savedError);
    }
    return result;
}

namespace {

HResult WriteAndVerify(ProcessContext& ctx, const std::wstring& resourceName,
                       const std::wstring& path, std::wstring* handed) {
    EmbeddedResource resource;
    const HResult found = FindEmbeddedResource(ctx, resourceName, &resource);
    if (found < 0) return found;

    // A handle of ours on an earlier copy of this file would stand in our own way.
    ReleasePackage(ctx, path);
    // Always a new file: opening a name that exists would write through whatever it is, a hard
    // link to another file included (before Windows 10 1709 even one a user could not write).
    platform::UniqueHandle file(
        ctx.os.system,
        ctx.os.files.CreateFileHandle(
            path, platform::kGenericWrite | platform::kDeleteAccess, 0, platform::kCreateNew,
            platform::kFileAttributeNormal | platform::kFileFlagOpenReparsePoint));
    if (!file.IsValid()) return FailureFromLastError(ctx);
    // An elevated run writes only into admin-only folders; a file that still landed elsewhere
    // went through a link, and goes again before a byte is in it: through its own handle,
    // since its name leads elsewhere.
    const bool elevated = RunsElevated(ctx.os);
    std::wstring finalPath;
    if (elevated && !LiesWhereMeant(ctx.os, file.Get(), path, &finalPath)) {
        ctx.os.files.DeleteOnClose(file.Get());
        return HResultFromWin32(kErrorCantResolveFilename);
    }

    // Straight from the module's mapped image, a chunk at a time: no copy of the package is
    // made, and no single write asks the system to lock hundreds of megabytes for one I/O.
    std::uint32_t offset = 0;
    while (offset < resource.size) {
        const std::uint32_t chunk = std::min(resource.size - offset, kExtractionChunkBytes);
        std::uint32_t written = 0;
        HResult failure = kSOk;
        if (!ctx.os.files.WriteToFile(file.Get(), resource.data + offset, chunk, &written)) {
            // Taken now: closing and deleting may change the last error.
            failure = FailureFromLastError(ctx);
        } else if (written != chunk) {
            // An incomplete package would only fail later, inside the installer.
            failure = HResultFromWin32(kErrorHandleDiskFull);
        }
        if (failure < 0) {
            file.Reset();
            ctx.os.files.DeleteFileAt(path);
            return failure;
        }
        offset += chunk;
    }
    // A handle we could not close would keep the file from being opened again.
    if (!ctx.os.system.CloseHandle(file.Release())) return FailureFromLastError(ctx);
    // The installer opens the package for reading only; a handle that shares nothing but
    // reading lets it do so while nobody can write, delete or rename the file.
    platform::UniqueHandle held(
        ctx.os.system,
        ctx.os.files.CreateFileHandle(
            path, platform::kGenericRead, platform::kFileShareRead, platform::kOpenExisting,
            platform::kFileAttributeNormal | platform::kFileFlagOpenReparsePoint));
    if (!held.IsValid()) {
        // Someone opened it in the moment between: what they may have done cannot be told.
        const HResult failure = FailureFromLastError(ctx);
        ctx.os.files.DeleteFileAt(path);
        return failure;
    }
    // In that moment any process of this user could also have rewritten the file (the packs
    // go to the user's temporary folder, the base package may go to the user's own data
    // folder), and the installer may run elevated. Only a copy read back through the handle
    // that now holds it, and found equal to the package, is handed on.
    // The installer opens the package again by its path: in an elevated run it is handed the
    // path the held handle really has, and only one that is the folder's own.
    if (elevated && !LiesWhereMeant(ctx.os, held.Get(), path, &finalPath)) {
        return HResultFromWin32(kErrorCantResolveFilename);
    }
    const HResult compared = CompareWithPackage(ctx, held.Get(), resource);
    if (compared < 0) {
        held.Reset();
        ctx.os.files.DeleteFileAt(path);
        return compared;
    }
    if (elevated) *handed = finalPath;
    ctx.state.heldPackages.push_back(HeldPackage{*handed, std::move(held), resourceName});
    return kSOk;
}

}  // namespace

void ReleasePackage(ProcessContext& ctx, const std::wstring& path) {
    std::vector<HeldPackage>& held = ctx.state.heldPackages;
    for (auto it = held.begin(); it != held.end();) {
        it = it->path == path ? held.erase(it) : std::next(it);
    }
}

std::wstring ExtractBasePackage(ProcessContext& ctx) {
    // A copy this run wrote is still held as it was verified: nobody can have changed, moved
    // or deleted it since, and writing the package again would only put a second copy beside it.
    for (const HeldPackage& package : ctx.state.heldPackages) {
        if (package.resourceName == kBasePackage.resourceName) return package.path;
    }

    std::wstring folder;
    HResult allUsers = kSOk;
    HResult result = kSOk;
    const bool elevated = RunsElevated(ctx.os);
    bool known = false;
    if (elevated) {
        // The user's own folder is the user's to redirect; the installer, running as SYSTEM,
        // must never be handed a file from there.
        result = RunsAdminOnlyFolder(ctx, &folder, &allUsers, &known);
    } else {
        allUsers = GetDataFolder(ctx, false, &folder);
        result = allUsers >= 0 ? allUsers : GetDataFolder(ctx, true, &folder);
    }
    RunLog& log = ctx.state.log;
    const LogPiece refusal[] = {DescribeDataFolderRefusal(allUsers), " (",
                                LogPiece::Hex(static_cast<std::uint32_t>(allUsers)), ")"};
    if (known && result >= 0) {
        log.Write("data folder", {"the run's admin-only folder: ", folder});
    } else if (allUsers >= 0) {
        log.Write("data folder", {"all users: ", folder});
    } else if (result >= 0) {
        log.Write("data folder",
                  {elevated ? "the administrators' own below the Windows folder (fallback)"
                            : "the user's own (fallback)",
                   ", the all-users folder was refused: ", refusal[0], refusal[1], refusal[2],
                   refusal[3], ": ", folder});
    } else {
        log.Write("data folder",
                  {"none, the all-users folder was refused: ", refusal[0], refusal[1], refusal[2],
                   refusal[3], elevated ? "; the Windows folder's: " : "; the user's own: ",
                   DescribeDataFolderRefusal(result), " (",
                   LogPiece::Hex(static_cast<std::uint32_t>(result)), ")"});
    }
    if (result < 0) FatalErrorExit(ctx, result, L"ExtractMsi: ");

    const std::wstring stem = folder + kBasePackage.fileStem;
    std::wstring target = stem + L".msi";
    std::wstring handed;
    result = WriteFreshPackage(ctx, target, &handed);
    if (result >= 0) return handed;
    if (!NameIsInTheWay(result)) FatalErrorExit(ctx, result, L"ExtractMsi: ");

    // The usual name is taken (an earlier copy still open, say): try numbered names.
    std::uint32_t n = ctx.os.system.GetTickCount();
    for (int attempt = 0; attempt < kAlternativeNameAttempts; ++attempt, ++n) {
        target = stem + L"_" + ToDecimal(n) + L".msi";
        result = WriteFreshPackage(ctx, target, &handed);
        if (result >= 0) return handed;
        // Another name cannot help a full disk or a missing resource.
        if (!NameIsInTheWay(result)) break;
    }
    FatalErrorExit(ctx, result, L"ExtractMsi: ");
}

std::wstring ExtractLanguagePack(ProcessContext& ctx, const std::wstring& resourceName) {
    std::wstring folder;
    if (RunsElevated(ctx.os)) {
        // %TEMP% is the user's to choose and to redirect, and a run as SYSTEM shares its
        // temporary folder with every user: the packs go where the base package goes.
        HResult allUsers = kSOk;
        bool known = false;
        const HResult result = RunsAdminOnlyFolder(ctx, &folder, &allUsers, &known);
        if (result < 0) FatalErrorExit(ctx, result, L"ResExportToFile");
    } else {
        const std::uint32_t length = ctx.os.files.GetTempFolder(platform::kMaxPath, &folder);
        // A result past the buffer is the size the path would need: longer than MAX_PATH.
        if (length == 0 || length >= platform::kMaxPath) {
            FatalErrorExit(ctx, kEFail, L"ExtractMsi2");
        }
    }

    // When another process is in the way of a name (holds it open, or rewrote the file before
    // we held it), the pack goes to a new temporary file, as the base package goes to a
    // numbered name.
    HResult result = kSOk;
    for (int attempt = 0; attempt <= kAlternativeNameAttempts; ++attempt) {
        std::wstring tempFile;
        if (ctx.os.files.MakeTempFileName(folder, kLanguagePackTempPrefix, 0, &tempFile) == 0) {
            FatalErrorExit(ctx, kEFail, L"ExtractMsi2");
        }
        // The system made an empty file of that name, and what is there by now may be a link
        // another process put in its place: the name is only used for a file made anew, and a
        // try that fails leaves none of ours behind.
        if (!ctx.os.files.DeleteFileAt(tempFile) &&
            ctx.os.system.GetLastError() != kErrorFileNotFound) {
            result = FailureFromLastError(ctx);
            if (!NameIsInTheWay(result)) break;
            continue;
        }
        std::wstring handed;
        result = ExportResourceToFile(ctx, resourceName, tempFile, &handed);
        if (result >= 0) return handed;
        if (!NameIsInTheWay(result)) break;
    }
    FatalErrorExit(ctx, result, L"ResExportToFile");
}

}  // namespace quorix
