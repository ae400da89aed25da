// Writing the packages the executable carries to files the Windows Installer can open.
#pragma once

#include <cstdint>
#include <string>

#include "common/result_codes.h"
#include "core/process_state.h"
#include "core/release.h"

namespace quorix {

struct BasePackageDescriptor {
    const wchar_t* resourceName;  // RT_RCDATA
    const wchar_t* fileStem;
    std::uint32_t versionHigh;
    std::uint32_t versionLow;
};

inline constexpr BasePackageDescriptor kBasePackage{
    L"MSI", L"{6513270E-269E-0D37-F2A7-4DE452E6B438}", kReleaseVersionHigh, kReleaseVersionLow};

// The language packs go to fresh temporary files with this prefix (the system uses its first
// three characters).
inline constexpr const wchar_t* kLanguagePackTempPrefix = L"VLMSI";

// How much of a package one WriteFile hands to the system, and one ReadFile reads back.
inline constexpr std::uint32_t kExtractionChunkBytes = 1u << 20;

// The attempts at "<stem>_<n>.msi" after the plain name could not be written; for a language
// pack, the further temporary files after the first.
inline constexpr int kAlternativeNameAttempts = 100;

// A resource's bytes, read-only and owned by the module.
struct EmbeddedResource {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// The RT_RCDATA resource of that name: 0 and its bytes, or the failure as an HRESULT.
HResult FindEmbeddedResource(ProcessContext& ctx, const std::wstring& resourceName,
                             EmbeddedResource* resource);

// Writes the resource to a new file at `path` (CREATE_NEW, never what a link of that name leads
// to): 0, or the failure as an HRESULT. A file that could not be written completely is deleted
// again. In an elevated run a file whose final path is not `path` (made through a link) is
// deleted through its handle and refused with ERROR_CANT_RESOLVE_FILENAME, and *handedPath
// (when not null) is the final path of the held file, the one the installer is to open;
// otherwise it is `path`. A written file is opened again for reading,
// shared for reading only, and that handle is held (ctx.state.heldPackages) until
// ReleasePackage: no other process can write, delete or rename the file in the meantime.
// The held file is read back through that handle; one that is not the package byte for byte
// (rewritten before the hold) is deleted and reported as a sharing violation.
HResult ExportResourceToFile(ProcessContext& ctx, const std::wstring& resourceName,
                             const std::wstring& path, std::wstring* handedPath = nullptr);

// Closes the handle held on a written package (after the installer has read it). Nothing
// when none is held for that path.
void ReleasePackage(ProcessContext& ctx, const std::wstring& path);

// The base package written to the data folder (in an elevated run the admin-only folder of
// GetAdminOnlyFolder, never the user's own); its path. A copy this process wrote and still
// holds is handed back as it is, without writing it again. Otherwise a file of that name is
// deleted and the package written anew, so that it carries the folder's access list, not the
// old file's. When that name is in the way (a sharing or access error) numbered names are
// tried; any other failure, a full disk say, or no name at all, ends the process through
// FatalErrorExit ("ExtractMsi: ").
std::wstring ExtractBasePackage(ProcessContext& ctx);

// A language pack written to a new temporary file (in an elevated run in the admin-only folder
// of GetAdminOnlyFolder, never in %TEMP%); its path. The empty file GetTempFileNameW made is
// deleted and the pack created anew at that name. When that name is in the way (a sharing or
// access error, or rewritten before the hold) further new temporary files are tried. Ends the
// process through FatalErrorExit ("ExtractMsi2" or "ResExportToFile") on failure.
std::wstring ExtractLanguagePack(ProcessContext& ctx, const std::wstring& resourceName);

}  // namespace quorix
