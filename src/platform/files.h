// Files and read-only mappings of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace quorix::platform {

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x00000001u;
// DELETE: the file may be deleted through the handle (DeleteOnClose).
inline constexpr std::uint32_t kDeleteAccess = 0x00010000u;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kCreateNew = 1;
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02;
inline constexpr std::uint32_t kFileAttributeSystem = 0x04;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
// FILE_FLAG_OPEN_REPARSE_POINT: a link or junction at the name is the file itself, never what
// it leads to.
inline constexpr std::uint32_t kFileFlagOpenReparsePoint = 0x00200000u;

// Who an owner or an access entry names, as far as the program tells them apart.
enum class Trustee : std::uint8_t {
    System,          // S-1-5-18
    Administrators,  // S-1-5-32-544
    Users,           // S-1-5-32-545
    CreatorOwner,    // S-1-3-0
    Other,           // anyone else: a user, Everyone, Authenticated Users, ...
};

// ACE flags.
inline constexpr std::uint8_t kObjectInheritAce = 0x01;
inline constexpr std::uint8_t kContainerInheritAce = 0x02;
inline constexpr std::uint8_t kInheritOnlyAce = 0x08;

// One entry of a discretionary ACL.
struct AccessEntry {
    bool allow = true;  // an access-allowed entry; false: a denying one
    Trustee trustee = Trustee::Other;
    std::uint32_t mask = 0;  // the ACCESS_MASK as stored, generic bits included
    std::uint8_t flags = 0;  // inheritance flags as stored
};

// A folder's attributes, owner and discretionary ACL.
struct FolderSecurity {
    std::uint32_t attributes = 0;  // as GetFileInformationByHandle gives them
    Trustee owner = Trustee::Other;
    bool hasDacl = false;  // false: a NULL DACL, which lets everyone do everything
    std::vector<AccessEntry> entries;
};

inline constexpr std::uint32_t kMaxPath = 260;

// SHGetFolderPathW folder ids.
inline constexpr int kCsidlAppData = 26;        // the user's roaming application data
inline constexpr int kCsidlCommonAppData = 35;  // application data of all users

// What GetFileAttributesExW(GetFileExInfoStandard) gives: FILETIMEs as 100 ns units since 1601.
struct FileAttributeData {
    std::uint32_t attributes = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t lastAccessTime = 0;
    std::uint64_t lastWriteTime = 0;
    std::uint64_t size = 0;
};

class Files {
public:
    virtual ~Files() = default;

    // CreateFileW(path, access, share, no security attributes, disposition, attributes, no
    // template). kInvalidHandleValue on failure. Closed with System::CloseHandle.
    virtual NativeHandle CreateFileHandle(const std::wstring& path, std::uint32_t access,
                                          std::uint32_t share, std::uint32_t disposition,
                                          std::uint32_t attributes) = 0;

    // CreateFileMappingW(file, no security attributes, PAGE_READONLY, size 0, no name).
    // kNullHandle on failure. Closed with System::CloseHandle.
    virtual NativeHandle CreateReadOnlyMapping(NativeHandle file) = 0;
    // MapViewOfFile(mapping, FILE_MAP_READ, offset 0, the whole file). Null on failure.
    virtual const std::uint8_t* MapReadOnlyView(NativeHandle mapping) = 0;
    virtual bool UnmapView(const std::uint8_t* view) = 0;
    // GetFileSizeEx. False on failure.
    virtual bool GetFileSize(NativeHandle file, std::uint64_t* size) = 0;
    // VirtualQuery on an address: the size of the region it lies in. False on failure.
    virtual bool QueryRegionSize(const std::uint8_t* address, std::size_t* regionSize) = 0;

    // WriteFile(file, data, count, &written, no overlapped). False on failure. *written is the
    // count the system reports, which may be less than `count` even when the call succeeds.
    virtual bool WriteToFile(NativeHandle file, const std::uint8_t* data, std::uint32_t count,
                             std::uint32_t* written) = 0;
    // ReadFile(file, buffer, count, &read, no overlapped), from the handle's file position.
    // False on failure. At the end of the file it succeeds with *read 0.
    virtual bool ReadFromFile(NativeHandle file, std::uint8_t* buffer, std::uint32_t count,
                              std::uint32_t* read) = 0;
    // DeleteFileW. False on failure.
    virtual bool DeleteFileAt(const std::wstring& path) = 0;
    // GetFinalPathNameByHandleW(file, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS), looked up in
    // kernel32 at run time (Windows Vista and later): where the open file really lies, every
    // link and junction on the way resolved, without the "\\?\" prefix ("\\?\UNC\" becomes
    // "\\"). False on failure; ERROR_PROC_NOT_FOUND where the system has no such call.
    virtual bool GetFinalPath(NativeHandle file, std::wstring* path) = 0;
    // SetFileInformationByHandle(file, FileDispositionInfo, delete), looked up at run time
    // (Windows Vista and later): the file the handle has open (opened with kDeleteAccess) goes
    // when its last handle closes, whatever its name now leads to. False on failure;
    // ERROR_PROC_NOT_FOUND where the system has no such call.
    virtual bool DeleteOnClose(NativeHandle file) = 0;

    // GetTempPathW(capacity, buffer of `capacity` wide characters). Returns what Windows
    // returns: the length without the terminator when the path fits (*path is then set), the
    // size needed including the terminator when it does not (*path untouched), 0 on failure.
    virtual std::uint32_t GetTempFolder(std::uint32_t capacity, std::wstring* path) = 0;
    // GetTempFileNameW(folder, prefix, unique, buffer of MAX_PATH). With unique 0 the system
    // picks the number and creates the empty file. Returns the unique number used, 0 on failure.
    virtual std::uint32_t MakeTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                           std::uint32_t unique, std::wstring* name) = 0;

    // CreateDirectoryW(path, default security). False on failure (ERROR_ALREADY_EXISTS when
    // something of that name exists, ERROR_PATH_NOT_FOUND when the parent does not).
    virtual bool CreateFolder(const std::wstring& path) = 0;
    // CreateDirectoryW(path, a security descriptor naming `owner` and holding a DACL of exactly
    // `entries`, protected from the parent's inheritable entries). Only named trustees (not
    // Other) and allowed entries. False on failure, as CreateFolder; an owner the token may not
    // name (neither its user nor one of its owner-capable groups, and no SeRestorePrivilege)
    // fails with ERROR_INVALID_OWNER and makes nothing.
    virtual bool CreateFolderWithAccess(const std::wstring& path, Trustee owner,
                                        const std::vector<AccessEntry>& entries) = 0;
    // Opens the folder itself, never what a reparse point leads to, and reads its attributes,
    // owner and DACL (GetFileInformationByHandle, GetSecurityInfo). False on failure.
    virtual bool GetFolderSecurity(const std::wstring& path, FolderSecurity* security) = 0;
    // SetFileAttributesW / GetFileAttributesW; the latter gives kInvalidFileAttributes on failure.
    virtual bool SetAttributes(const std::wstring& path, std::uint32_t attributes) = 0;
    virtual std::uint32_t GetAttributes(const std::wstring& path) = 0;
    // GetFileAttributesExW(path, GetFileExInfoStandard). False on failure.
    virtual bool GetAttributesEx(const std::wstring& path, FileAttributeData* data) = 0;

    // GetPrivateProfileStringW(section, key, fallback, buffer of `capacity` characters,
    // capacity, path): the number of characters copied, capacity - 1 when the value was cut.
    // A missing file or key gives the fallback.
    virtual std::uint32_t ReadProfileString(const std::wstring& path, const std::wstring& section,
                                            const std::wstring& key, const std::wstring& fallback,
                                            std::uint32_t capacity, std::wstring* text) = 0;

    // SHGetFolderPathW(no window, csidl, no token, SHGFP_TYPE_CURRENT, buffer of MAX_PATH).
    // Returns its HRESULT; *path is set only when that is not negative.
    virtual std::int32_t GetSpecialFolder(int csidl, std::wstring* path) = 0;

    // GetModuleFileNameW(the executable itself, buffer of `capacity` wide characters): the
    // number of characters copied; `capacity` when the path was cut to fit (*path then holds
    // the cut text); 0 on failure.
    virtual std::uint32_t GetOwnModulePath(std::uint32_t capacity, std::wstring* path) = 0;

    // GetWindowsDirectoryW(buffer of `capacity` wide characters). Returns what Windows returns:
    // the length without the terminator when the path fits (*path is then set), the size
    // needed including the terminator when it does not (*path untouched), 0 on failure.
    virtual std::uint32_t GetWindowsFolder(std::uint32_t capacity, std::wstring* path) = 0;
    // SetCurrentDirectoryW: the process's current folder. False on failure.
    virtual bool SetCurrentFolder(const std::wstring& path) = 0;
};

}  // namespace quorix::platform
