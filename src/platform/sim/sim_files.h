// The simulated file system: one machine's drives, folders and files, the process's open
// files and mapped views, and the knobs a test turns to make the disk misbehave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimSystem;

class SimFiles : public platform::Files {
public:
    SimFiles(Core& core, SimSystem& system);

    platform::NativeHandle CreateFileHandle(const std::wstring& path, std::uint32_t access,
                                            std::uint32_t share, std::uint32_t disposition,
                                            std::uint32_t attributes) override;
    platform::NativeHandle CreateReadOnlyMapping(platform::NativeHandle file) override;
    const std::uint8_t* MapReadOnlyView(platform::NativeHandle mapping) override;
    bool UnmapView(const std::uint8_t* view) override;
    bool GetFileSize(platform::NativeHandle file, std::uint64_t* size) override;
    bool QueryRegionSize(const std::uint8_t* address, std::size_t* regionSize) override;
    bool WriteToFile(platform::NativeHandle file, const std::uint8_t* data, std::uint32_t count,
                     std::uint32_t* written) override;
    bool ReadFromFile(platform::NativeHandle file, std::uint8_t* buffer, std::uint32_t count,
                      std::uint32_t* read) override;
    bool DeleteFileAt(const std::wstring& path) override;
    bool GetFinalPath(platform::NativeHandle file, std::wstring* path) override;
    bool DeleteOnClose(platform::NativeHandle file) override;
    std::uint32_t GetTempFolder(std::uint32_t capacity, std::wstring* path) override;
    std::uint32_t MakeTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                   std::uint32_t unique, std::wstring* name) override;
    bool CreateFolder(const std::wstring& path) override;
    bool CreateFolderWithAccess(const std::wstring& path, platform::Trustee owner,
                                const std::vector<platform::AccessEntry>& entries) override;
    bool GetFolderSecurity(const std::wstring& path, platform::FolderSecurity* security) override;
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
    std::uint32_t GetAttributes(const std::wstring& path) override;
    bool GetAttributesEx(const std::wstring& path, platform::FileAttributeData* data) override;
    std::uint32_t ReadProfileString(const std::wstring& path, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& fallback,
                                    std::uint32_t capacity, std::wstring* text) override;
    std::int32_t GetSpecialFolder(int csidl, std::wstring* path) override;
    std::uint32_t GetOwnModulePath(std::uint32_t capacity, std::wstring* path) override;
    std::uint32_t GetWindowsFolder(std::uint32_t capacity, std::wstring* path) override;
    bool SetCurrentFolder(const std::wstring& path) override;

    // --- the test's side ---
    // Puts a file there, creating the folders above it as needed (a test's shortcut: the
    // program itself must create its folders).
    void PutFile(const std::wstring& path, std::vector<std::uint8_t> bytes);
    // Creates the folder and every folder above it.
    void AddFolder(const std::wstring& path);
    // Gives an existing folder an owner and a DACL (a test's shortcut), and makes it a reparse
    // point (a junction or symbolic link to elsewhere) or not. False: no such folder.
    bool SetFolderSecurity(const std::wstring& path, platform::Trustee owner,
                           std::vector<platform::AccessEntry> entries, bool reparsePoint = false);
    // What a folder made with default security gets: the owner the process's token names for
    // new objects, and the entries it inherits. Tests' folders (AddFolder) get the same.
    // The token's default owner is the Administrators group for an elevated administrator, but
    // the user's own account (Other) with UAC off under some policies, and for a standard user.
    platform::Trustee newObjectOwner = platform::Trustee::Administrators;
    std::vector<platform::AccessEntry> defaultFolderEntries;
    // The owners the token may name in a security descriptor of its own: its user and its
    // groups marked SE_GROUP_OWNER (an administrator's Administrators group, elevated or with
    // UAC off; not a standard user's, nor the deny-only one of a filtered token). Any other
    // owner is refused with ERROR_INVALID_OWNER.
    std::set<platform::Trustee> assignableOwners = {platform::Trustee::Administrators};
    void RemoveFolder(const std::wstring& path);
    // A user's junction at `path` to `target` (what was there goes); one there already is
    // retargeted, as a user may do between any two calls of the program.
    void SetJunction(const std::wstring& path, const std::wstring& target);
    // A hard link at `link` to the file at `target`: opened it is that file (CREATE_NEW fails,
    // the name exists), deleted only the link goes.
    void MakeHardLink(const std::wstring& link, const std::wstring& target);
    // Whether a standard user could make `path` lead elsewhere: a folder above it is in
    // userFolders, a junction, or not owned by SYSTEM or the administrators.
    bool UserMayRedirect(const std::wstring& path) const;
    std::set<std::wstring> userFolders = {L"C:\\USERS\\TESTER"};  // folded keys
    // Another process at work right after GetTempFileNameW made a file of that name.
    std::function<void(const std::wstring& path)> afterTempFileMade;
    bool Exists(const std::wstring& path) const;  // a file of that name
    // The FILETIME GetFileAttributesExW reports as the file's last write; false: no such file.
    // Files carry kDefaultFileTime until a test sets another (writes do not change it).
    bool SetLastWriteTime(const std::wstring& path, std::uint64_t fileTime);
    static constexpr std::uint64_t kDefaultFileTime = 129408866500000000;  // 2011-01-30 18:44:10
    bool FolderExists(const std::wstring& path) const;
    const std::vector<std::uint8_t>* Contents(const std::wstring& path) const;
    // Files below a folder, directly in it, with their paths as created (in name order).
    std::vector<std::wstring> FilesIn(const std::wstring& folder) const;

    // Another process holds the file open without sharing: opening or deleting it fails with
    // ERROR_SHARING_VIOLATION.
    void LockFile(const std::wstring& path) { lockedFiles.insert(FoldKey(path)); }
    void UnlockFile(const std::wstring& path) { lockedFiles.erase(FoldKey(path)); }
    std::set<std::wstring> lockedFiles;  // folded paths
    // Creating, writing, deleting or changing anything in these folders or below them fails
    // with ERROR_ACCESS_DENIED (a limited user below the all-users folders, say).
    void DenyWritesIn(const std::wstring& folder);
    // Bytes the disk can still take; none: unlimited. A write that does not fit fails with
    // ERROR_DISK_FULL and writes nothing, or, with diskFullWritesShort, "succeeds" with what
    // fits, as some redirectors and filter drivers report it.
    std::optional<std::uint64_t> diskFreeBytes;
    bool diskFullWritesShort = false;
    // Another process at work in the moment after the program closed a handle that could
    // write to the file at `path` (it may rewrite or delete the file, say). Runs after the
    // close, before the program's next call.
    std::function<void(const std::wstring& path)> afterWriteHandleClosed;

    std::wstring tempFolder;                     // what GetTempPathW gives, with its "\"
    std::map<int, std::wstring> specialFolders;  // csidl -> folder, without a final "\"
    std::wstring modulePath;                     // what GetModuleFileNameW gives
    std::wstring windowsFolder;                  // what GetWindowsDirectoryW gives
    // The process's current folder, without a final "\" (but "C:\" for a root): where a
    // program started from Explorer begins, the folder of its executable.
    std::wstring currentFolder;

    std::size_t OpenViews() const { return views_.size(); }
    std::size_t OpenFiles() const { return openFiles_.size(); }

    static constexpr std::size_t kPageSize = 4096;

    // Used by SimSystem::CloseHandle.
    bool CloseFileObject(platform::NativeHandle handle);

private:
    struct FileEntry {
        std::wstring path;  // as first created
        std::vector<std::uint8_t> bytes;
        std::uint32_t attributes = platform::kFileAttributeArchive;
        std::uint64_t lastWriteTime = kDefaultFileTime;
        std::wstring linkTo;  // a hard link: the folded key of the file it is
    };
    struct FolderEntry {
        std::wstring path;
        std::uint32_t attributes = platform::kFileAttributeDirectory;
        platform::Trustee owner = platform::Trustee::Administrators;
        std::vector<platform::AccessEntry> entries;
        bool reparsePoint = false;
        std::wstring target;  // a junction: the folded key of where it leads
    };
    struct OpenFile {
        std::wstring key;
        std::uint32_t access;
        std::uint32_t share;
        std::uint64_t position = 0;
        bool deleteOnClose = false;
    };

    // CreateDirectoryW with this owner and these entries.
    bool MakeFolder(const std::wstring& path, platform::Trustee owner,
                    const std::vector<platform::AccessEntry>& entries);
    bool ParentExists(const std::wstring& key) const;
    // The key of what a path names, every junction on the way followed (the last one only when
    // followLast).
    std::wstring Resolve(const std::wstring& path, bool followLast) const;
    // The path of a new entry at `key`: its folder's real path and the given name.
    std::wstring RealPath(const std::wstring& key, const std::wstring& given) const;
    bool WriteDenied(const std::wstring& key) const;
    bool SharingConflict(const std::wstring& key, std::uint32_t access, std::uint32_t share) const;
    bool OpenedByUs(const std::wstring& key) const;

    Core& core_;
    std::map<std::wstring, FileEntry> files_;      // folded path -> file
    std::map<std::wstring, FolderEntry> folders_;  // folded path -> folder
    std::set<std::wstring> deniedFolders_;         // folded paths
    std::map<platform::NativeHandle, OpenFile> openFiles_;
    std::map<platform::NativeHandle, std::wstring> mappings_;  // mapping -> file key
    std::map<const std::uint8_t*, std::unique_ptr<std::vector<std::uint8_t>>> views_;
    std::map<const std::uint8_t*, platform::NativeHandle> viewLedger_;
};

// The folded, comparable form of a path: A-Z folded, "/" as "\", no final "\", so "C:\Data\"
// and "c:\data" are one folder; a drive's root is "C:".
std::wstring PathKey(const std::wstring& path);

}  // namespace quorix::sim
