// Whether an earlier installation of one of the maker's products waits for a restart: files of
// the product package that Windows is to replace at the next boot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/process_state.h"

namespace quorix {

// Where Windows keeps the renames and deletions it carries out at the next boot.
inline constexpr const wchar_t* kSessionManagerKeyPath =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr const wchar_t* kPendingRenamesValueName = L"PendingFileRenameOperations";

// The characters of the buffer the Windows folder is read into.
inline constexpr std::uint32_t kWindowsFolderCapacity = 260;

// True when a pending rename or deletion names a file of the package at `packagePath`. Sets
// the process's current folder to the Windows folder first, for the rest of the run. Every
// failure on the way only means fewer names to compare; nothing is shown.
bool IsInstallationPending(ProcessContext& ctx, std::wstring packagePath);

// The long file names of the package's File table, in the order the view returns them
// (duplicates kept); empty when the package or its table cannot be read.
std::vector<std::wstring> ReadPackageFileNames(ProcessContext& ctx,
                                               const std::wstring& packagePath);

// The non-empty paths of "PendingFileRenameOperations" in stored order; empty when the value
// is missing or not a REG_MULTI_SZ.
std::vector<std::wstring> ReadPendingRenameEntries(ProcessContext& ctx);

// The non-empty strings of a REG_MULTI_SZ value's bytes (UTF-16LE), in order. Takes size / 2
// whole characters, so an odd last byte is ignored, and a last string without its terminator
// still counts.
std::vector<std::wstring> SplitPendingRenames(const std::uint8_t* bytes, std::size_t size);

// The long name of a File table name: what follows the first "|" of a "short|long" pair, the
// whole name when there is no "|".
std::wstring LongFileName(const std::wstring& fileTableName);

// True when the entry's last path component ("\??\C:\dir\file.dll" gives "file.dll") equals
// the file name, with the letters A to Z compared without regard to case. An empty name
// matches nothing.
bool PendingEntryNamesFile(const std::wstring& entry, const std::wstring& fileName);

}  // namespace quorix
