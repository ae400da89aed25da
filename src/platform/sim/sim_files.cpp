#include "platform/sim/sim_files.h"

#include <algorithm>

#include "common/result_codes.h"
#include "common/text.h"

namespace quorix::sim {

namespace {

constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorBufferOverflow = 111;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorDirectory = 267;
constexpr std::uint32_t kErrorFileInvalid = 1006;
constexpr std::uint32_t kOpenAlways = 4;
constexpr std::uint32_t kFileShareWrite = 0x00000002u;
constexpr std::uint32_t kFileShareDelete = 0x00000004u;
// The attributes SetFileAttributesW accepts; the others are the system's to set.
constexpr std::uint32_t kSettableAttributes = 0x000031A7u;

bool IsRootKey(const std::wstring& key) { return key.size() == 2 && key[1] == L':'; }

// The key of the folder a key lies in; empty when there is none (a root, or a bare name).
std::wstring ParentKey(const std::wstring& key) {
    const std::size_t slash = key.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

std::wstring WithoutFinalBackslash(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::wstring UpperHex(std::uint32_t value) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

}  // namespace

std::wstring PathKey(const std::wstring& path) {
    std::wstring key = FoldKey(path);
    std::replace(key.begin(), key.end(), L'/', L'\\');
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    return key;
}

SimFiles::SimFiles(Core& core, SimSystem&) : core_(core) {
    // A freshly installed machine with one user, "tester".
    tempFolder = L"C:\\Users\\tester\\AppData\\Local\\Temp\\";
    specialFolders = {
        {platform::kCsidlAppData, L"C:\\Users\\tester\\AppData\\Roaming"},
        {platform::kCsidlCommonAppData, L"C:\\ProgramData"},
    };
    modulePath = L"C:\\Setup\\program.exe";
    // What folders inherit below the drive's root on a fresh machine, narrowed to what the
    // program tells apart: the system and the administrators may do everything, users read.
    constexpr std::uint8_t kInherit = platform::kObjectInheritAce | platform::kContainerInheritAce;
    defaultFolderEntries = {{true, platform::Trustee::System, 0x001F01FF, kInherit},
                            {true, platform::Trustee::Administrators, 0x001F01FF, kInherit},
                            {true, platform::Trustee::Users, 0x001200A9, kInherit}};
    windowsFolder = L"C:\\Windows";
    currentFolder = L"C:\\Setup";
    AddFolder(windowsFolder);
    AddFolder(tempFolder);
    for (const auto& [csidl, folder] : specialFolders) AddFolder(folder);
    AddFolder(L"C:\\Setup");
}

// ---------------------------------------------------------------- the test's side

void SimFiles::PutFile(const std::wstring& path, std::vector<std::uint8_t> bytes) {
    const std::wstring key = PathKey(path);
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) AddFolder(path.substr(0, slash));
    files_[key] = FileEntry{path, std::move(bytes), platform::kFileAttributeArchive};
}

void SimFiles::AddFolder(const std::wstring& path) {
    const std::wstring clean = WithoutFinalBackslash(path);
    const std::wstring key = PathKey(clean);
    if (key.empty() || IsRootKey(key) || folders_.count(key) != 0) return;
    const std::size_t slash = clean.find_last_of(L"\\/");
    if (slash != std::wstring::npos) AddFolder(clean.substr(0, slash));
    folders_[key] = FolderEntry{RealPath(key, clean), platform::kFileAttributeDirectory,
                                newObjectOwner, defaultFolderEntries, false};
}

bool SimFiles::SetFolderSecurity(const std::wstring& path, platform::Trustee owner,
                                 std::vector<platform::AccessEntry> entries, bool reparsePoint) {
    auto it = folders_.find(PathKey(path));
    if (it == folders_.end()) return false;
    it->second.owner = owner;
    it->second.entries = std::move(entries);
    it->second.reparsePoint = reparsePoint;
    return true;
}

void SimFiles::RemoveFolder(const std::wstring& path) {
    const std::wstring key = PathKey(path);
    const std::wstring below = key + L"\\";
    for (auto it = files_.begin(); it != files_.end();) {
        it = it->first.compare(0, below.size(), below) == 0 ? files_.erase(it) : std::next(it);
    }
    for (auto it = folders_.begin(); it != folders_.end();) {
        const bool inside = it->first == key || it->first.compare(0, below.size(), below) == 0;
        it = inside ? folders_.erase(it) : std::next(it);
    }
}

bool SimFiles::Exists(const std::wstring& path) const {
    return files_.count(Resolve(path, true)) != 0;
}

bool SimFiles::FolderExists(const std::wstring& path) const {
    const std::wstring key = Resolve(path, true);
    return IsRootKey(key) || folders_.count(key) != 0;
}

const std::vector<std::uint8_t>* SimFiles::Contents(const std::wstring& path) const {
    auto it = files_.find(Resolve(path, true));
    if (it != files_.end() && !it->second.linkTo.empty()) it = files_.find(it->second.linkTo);
    return it == files_.end() ? nullptr : &it->second.bytes;
}

std::vector<std::wstring> SimFiles::FilesIn(const std::wstring& folder) const {
    const std::wstring key = Resolve(folder, true);
    std::vector<std::wstring> paths;
    for (const auto& [fileKey, entry] : files_) {
        if (ParentKey(fileKey) == key) paths.push_back(entry.path);
    }
    return paths;
}

void SimFiles::DenyWritesIn(const std::wstring& folder) { deniedFolders_.insert(PathKey(folder)); }

void SimFiles::SetJunction(const std::wstring& path, const std::wstring& target) {
    const std::wstring clean = WithoutFinalBackslash(path);
    const std::wstring key = PathKey(clean);
    auto it = folders_.find(key);
    if (it == folders_.end() || !it->second.reparsePoint) {
        RemoveFolder(clean);  // what was below a retargeted one stays where it is
        AddFolder(clean);
        it = folders_.find(key);
    }
    it->second = {it->second.path, it->second.attributes, platform::Trustee::Other, {}, true,
                  PathKey(target)};
}

void SimFiles::MakeHardLink(const std::wstring& link, const std::wstring& target) {
    files_[Resolve(link, true)] =
        FileEntry{link, {}, platform::kFileAttributeArchive, kDefaultFileTime, PathKey(target)};
}

bool SimFiles::UserMayRedirect(const std::wstring& path) const {
    const std::wstring key = PathKey(path);
    for (std::wstring at = ParentKey(key); !at.empty(); at = ParentKey(at)) {
        auto folder = folders_.find(at);
        if (userFolders.count(at) != 0 ||
            (folder != folders_.end() &&
             (folder->second.reparsePoint || folder->second.owner == platform::Trustee::Other))) {
            return true;
        }
    }
    return false;
}

std::wstring SimFiles::Resolve(const std::wstring& path, bool followLast) const {
    std::wstring key = PathKey(path);
    // Junction by junction from the root again after each; a loop ends after 63, as on Windows.
    for (std::size_t end = key.find(L'\\'), hops = 0; hops < 63; end = key.find(L'\\', end + 1)) {
        if (end == std::wstring::npos && !followLast) break;
        auto it = folders_.find(key.substr(0, end));
        if (it != folders_.end() && !it->second.target.empty()) {
            key = it->second.target + (end == std::wstring::npos ? L"" : key.substr(end));
            end = 0;
            ++hops;
        } else if (end == std::wstring::npos) {
            break;
        }
    }
    return key;
}

std::wstring SimFiles::RealPath(const std::wstring& key, const std::wstring& given) const {
    const std::size_t slash = given.find_last_of(L"\\/");
    const std::wstring parent = ParentKey(key);
    if (slash == std::wstring::npos || parent.empty()) return given;
    auto folder = folders_.find(parent);
    return (folder == folders_.end() ? parent : folder->second.path) + given.substr(slash);
}

bool SimFiles::GetFinalPath(platform::NativeHandle file, std::wstring* path) {
    if (core_.Failing("GetFinalPathNameByHandleW")) return false;
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return (core_.lastError = kErrorInvalidHandle) == 0;
    auto entry = files_.find(it->second.key);
    *path = entry == files_.end() ? it->second.key : entry->second.path;
    return true;
}

bool SimFiles::DeleteOnClose(platform::NativeHandle file) {
    if (core_.Failing("SetFileInformationByHandle")) return false;
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return (core_.lastError = kErrorInvalidHandle) == 0;
    if ((it->second.access & platform::kDeleteAccess) == 0) {
        return (core_.lastError = kErrorAccessDenied) == 0;
    }
    it->second.deleteOnClose = true;
    return true;
}

// ---------------------------------------------------------------- rules of the file system

bool SimFiles::ParentExists(const std::wstring& key) const {
    const std::wstring parent = ParentKey(key);
    if (parent.empty()) return false;
    return IsRootKey(parent) || folders_.count(parent) != 0;
}

bool SimFiles::WriteDenied(const std::wstring& key) const {
    for (std::wstring at = key; !at.empty(); at = ParentKey(at)) {
        if (deniedFolders_.count(at) != 0) return true;
    }
    return false;
}

// Windows grants a second open only when each side's sharing allows the other's access.
bool SimFiles::SharingConflict(const std::wstring& key, std::uint32_t access,
                               std::uint32_t share) const {
    auto conflicts = [](std::uint32_t wanted, std::uint32_t granted) {
        return ((wanted & platform::kGenericRead) && !(granted & platform::kFileShareRead)) ||
               ((wanted & platform::kGenericWrite) && !(granted & kFileShareWrite));
    };
    for (const auto& [handle, open] : openFiles_) {
        if (open.key != key) continue;
        if (conflicts(access, open.share) || conflicts(open.access, share)) return true;
    }
    return false;
}

bool SimFiles::OpenedByUs(const std::wstring& key) const {
    for (const auto& [handle, open] : openFiles_) {
        if (open.key == key && !(open.share & kFileShareDelete)) return true;
    }
    return false;
}

// ---------------------------------------------------------------- Files

platform::NativeHandle SimFiles::CreateFileHandle(const std::wstring& path, std::uint32_t access,
                                                  std::uint32_t share, std::uint32_t disposition,
                                                  std::uint32_t attributes) {
    if (core_.Failing("CreateFileW")) return platform::kInvalidHandleValue;
    auto fail = [this](std::uint32_t error) {
        core_.lastError = error;
        return platform::kInvalidHandleValue;
    };
    std::wstring key = Resolve(path, (attributes & platform::kFileFlagOpenReparsePoint) == 0);
    if (IsRootKey(key) || folders_.count(key) != 0) return fail(kErrorAccessDenied);
    if (!ParentExists(key)) return fail(kErrorPathNotFound);  // an empty path too
    if (lockedFiles.count(key) != 0 || SharingConflict(key, access, share)) {
        return fail(kErrorSharingViolation);
    }
    auto it = files_.find(key);
    const bool exists = it != files_.end();
    // A hard link is the file it links to: opened, it is that file that is read and written.
    if (exists && !it->second.linkTo.empty() && files_.count(it->second.linkTo) != 0 &&
        disposition != platform::kCreateNew) {
        key = it->second.linkTo;
        it = files_.find(key);
    }
    const bool writing = (access & platform::kGenericWrite) != 0;
    const bool creates = disposition == platform::kCreateAlways ||
                         disposition == platform::kCreateNew || disposition == kOpenAlways;
    switch (disposition) {
        case platform::kOpenExisting:
            if (!exists) return fail(kErrorFileNotFound);
            break;
        case platform::kCreateNew:
            if (exists) return fail(kErrorFileExists);
            break;
        case platform::kCreateAlways:
        case kOpenAlways:
            break;
        default:
            return fail(kErrorInvalidParameter);
    }
    if ((writing || (creates && !exists)) && WriteDenied(key)) return fail(kErrorAccessDenied);
    if (exists && writing && (it->second.attributes & platform::kFileAttributeReadOnly)) {
        return fail(kErrorAccessDenied);
    }
    // Overwriting a hidden or system file asks for those attributes to be given again
    // (Windows refuses otherwise; Wine does not check).
    const std::uint32_t keep = platform::kFileAttributeHidden | platform::kFileAttributeSystem;
    if (exists && disposition == platform::kCreateAlways &&
        (it->second.attributes & keep & ~attributes) != 0) {
        return fail(kErrorAccessDenied);
    }

    const std::uint32_t newAttributes =
        (attributes & kSettableAttributes & ~platform::kFileAttributeNormal) |
        platform::kFileAttributeArchive;
    if (!exists && creates) {
        files_[key] = FileEntry{RealPath(key, path), {}, newAttributes};
        core_.lastError = 0;
    } else if (exists && disposition == platform::kCreateAlways) {
        it->second.bytes.clear();
        it->second.attributes |= newAttributes;
        core_.lastError = kErrorAlreadyExists;
    } else if (exists && disposition == kOpenAlways) {
        core_.lastError = kErrorAlreadyExists;
    } else {
        core_.lastError = 0;
    }
    const platform::NativeHandle handle = core_.ledger.Open("file", NarrowAscii(path));
    openFiles_[handle] = OpenFile{key, access, share, 0};
    return handle;
}

bool SimFiles::CloseFileObject(platform::NativeHandle handle) {
    auto open = openFiles_.find(handle);
    if (open == openFiles_.end()) return mappings_.erase(handle) != 0;
    const bool couldWrite = (open->second.access & platform::kGenericWrite) != 0;
    const std::wstring key = open->second.key;
    if (open->second.deleteOnClose) files_.erase(key);
    openFiles_.erase(open);
    auto file = files_.find(key);
    if (couldWrite && afterWriteHandleClosed && file != files_.end()) {
        const std::wstring path = file->second.path;  // the hook may replace the entry
        afterWriteHandleClosed(path);
    }
    return true;
}

platform::NativeHandle SimFiles::CreateReadOnlyMapping(platform::NativeHandle file) {
    if (core_.Failing("CreateFileMappingW")) return platform::kNullHandle;
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) {
        core_.lastError = kErrorInvalidHandle;
        return platform::kNullHandle;
    }
    auto entry = files_.find(it->second.key);
    if (entry == files_.end() || entry->second.bytes.empty()) {
        // Windows refuses to map an empty file.
        core_.lastError = kErrorFileInvalid;
        return platform::kNullHandle;
    }
    const platform::NativeHandle mapping =
        core_.ledger.Open("mapping", NarrowAscii(entry->second.path));
    mappings_[mapping] = it->second.key;
    return mapping;
}

const std::uint8_t* SimFiles::MapReadOnlyView(platform::NativeHandle mapping) {
    if (core_.Failing("MapViewOfFile")) return nullptr;
    auto it = mappings_.find(mapping);
    if (it == mappings_.end()) {
        core_.lastError = kErrorInvalidHandle;
        return nullptr;
    }
    const std::vector<std::uint8_t>& bytes = files_[it->second].bytes;
    // A view covers whole pages; the bytes past the end of the file read as zeros.
    const std::size_t rounded = (bytes.size() + kPageSize - 1) / kPageSize * kPageSize;
    auto view = std::make_unique<std::vector<std::uint8_t>>(rounded, 0);
    std::copy(bytes.begin(), bytes.end(), view->begin());
    const std::uint8_t* address = view->data();
    views_[address] = std::move(view);
    viewLedger_[address] = core_.ledger.Open("view", NarrowAscii(files_[it->second].path));
    return address;
}

bool SimFiles::UnmapView(const std::uint8_t* view) {
    if (core_.Failing("UnmapViewOfFile")) return false;
    if (views_.erase(view) == 0) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    core_.ledger.Close(viewLedger_[view]);
    viewLedger_.erase(view);
    return true;
}

bool SimFiles::GetFileSize(platform::NativeHandle file, std::uint64_t* size) {
    if (core_.Failing("GetFileSizeEx")) return false;
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) {
        core_.lastError = kErrorInvalidHandle;
        return false;
    }
    *size = files_[it->second.key].bytes.size();
    return true;
}

bool SimFiles::QueryRegionSize(const std::uint8_t* address, std::size_t* regionSize) {
    if (core_.Failing("VirtualQuery")) return false;
    for (const auto& [start, bytes] : views_) {
        if (address >= start && address < start + bytes->size()) {
            *regionSize = bytes->size() - static_cast<std::size_t>(address - start);
            return true;
        }
    }
    core_.lastError = kErrorInvalidParameter;
    return false;
}

bool SimFiles::WriteToFile(platform::NativeHandle file, const std::uint8_t* data,
                           std::uint32_t count, std::uint32_t* written) {
    *written = 0;
    if (core_.Failing("WriteFile")) return false;
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) {
        core_.lastError = kErrorInvalidHandle;
        return false;
    }
    OpenFile& open = it->second;
    if (!(open.access & platform::kGenericWrite)) {
        core_.lastError = kErrorAccessDenied;
        return false;
    }
    std::vector<std::uint8_t>& bytes = files_[open.key].bytes;
    const std::uint64_t end = open.position + count;
    const std::uint64_t growth = end > bytes.size() ? end - bytes.size() : 0;
    std::uint64_t fits = count;
    if (diskFreeBytes && growth > *diskFreeBytes) {
        if (!diskFullWritesShort) {
            core_.lastError = kErrorDiskFull;
            return false;
        }
        fits = count - (growth - *diskFreeBytes);
    }
    const std::uint64_t newEnd = open.position + fits;
    if (newEnd > bytes.size()) {
        if (diskFreeBytes) *diskFreeBytes -= newEnd - bytes.size();
        bytes.resize(static_cast<std::size_t>(newEnd));
    }
    if (fits != 0) {
        std::copy(data, data + fits, bytes.begin() + static_cast<std::ptrdiff_t>(open.position));
    }
    open.position = newEnd;
    *written = static_cast<std::uint32_t>(fits);
    return true;
}

bool SimFiles::ReadFromFile(platform::NativeHandle file, std::uint8_t* buffer, std::uint32_t count,
                            std::uint32_t* read) {
    *read = 0;
    if (core_.Failing("ReadFile")) return false;
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) {
        core_.lastError = kErrorInvalidHandle;
        return false;
    }
    OpenFile& open = it->second;
    if (!(open.access & platform::kGenericRead)) {
        core_.lastError = kErrorAccessDenied;
        return false;
    }
    const std::vector<std::uint8_t>& bytes = files_[open.key].bytes;
    if (open.position >= bytes.size()) return true;  // the end of the file: nothing more
    const std::uint64_t left = bytes.size() - open.position;
    const std::uint32_t taken = left < count ? static_cast<std::uint32_t>(left) : count;
    const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(open.position);
    std::copy(from, from + taken, buffer);
    open.position += taken;
    *read = taken;
    return true;
}

bool SimFiles::DeleteFileAt(const std::wstring& path) {
    if (core_.Failing("DeleteFileW")) return false;
    auto fail = [this](std::uint32_t error) {
        core_.lastError = error;
        return false;
    };
    const std::wstring key = Resolve(path, false);
    if (IsRootKey(key) || folders_.count(key) != 0) return fail(kErrorAccessDenied);
    if (!ParentExists(key)) return fail(kErrorPathNotFound);
    auto it = files_.find(key);
    if (it == files_.end()) return fail(kErrorFileNotFound);
    if (lockedFiles.count(key) != 0 || OpenedByUs(key)) return fail(kErrorSharingViolation);
    if (WriteDenied(key) || (it->second.attributes & platform::kFileAttributeReadOnly)) {
        return fail(kErrorAccessDenied);
    }
    files_.erase(it);
    return true;
}

std::uint32_t SimFiles::GetTempFolder(std::uint32_t capacity, std::wstring* path) {
    if (core_.Failing("GetTempPathW")) return 0;
    const std::size_t length = tempFolder.size();
    if (length + 1 > capacity) return static_cast<std::uint32_t>(length + 1);
    *path = tempFolder;
    return static_cast<std::uint32_t>(length);
}

std::uint32_t SimFiles::MakeTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                         std::uint32_t unique, std::wstring* name) {
    if (core_.Failing("GetTempFileNameW")) return 0;
    // The name must fit MAX_PATH with the prefix, four hex digits and ".tmp".
    if (folder.size() > platform::kMaxPath - 14) {
        core_.lastError = kErrorBufferOverflow;
        return 0;
    }
    const std::wstring stem = EnsureTrailingBackslash(folder) + prefix.substr(0, 3);
    unique &= 0xFFFFu;
    if (unique != 0) {
        // A given number only builds the name; nothing is created or checked.
        *name = stem + UpperHex(unique) + L".tmp";
        return unique;
    }
    const std::wstring folderKey = Resolve(folder, true);
    if (!FolderExists(folder)) {
        core_.lastError = kErrorDirectory;
        return 0;
    }
    if (WriteDenied(folderKey)) {
        core_.lastError = kErrorAccessDenied;
        return 0;
    }
    // Like Windows: start from the tick count and take the first number whose file can be
    // created.
    std::uint32_t number = static_cast<std::uint32_t>(core_.clockMs) & 0xFFFFu;
    if (number == 0) number = 1;
    for (std::uint32_t tries = 0; tries < 0xFFFFu; ++tries) {
        const std::wstring candidate = stem + UpperHex(number) + L".tmp";
        const std::wstring key = Resolve(candidate, true);
        if (files_.count(key) == 0 && folders_.count(key) == 0 && lockedFiles.count(key) == 0) {
            files_[key] = FileEntry{RealPath(key, candidate), {}, platform::kFileAttributeArchive};
            *name = candidate;
            if (afterTempFileMade) afterTempFileMade(candidate);
            return number;
        }
        number = (number + 1) & 0xFFFFu;
        if (number == 0) number = 1;
    }
    core_.lastError = kErrorFileExists;
    return 0;
}

bool SimFiles::CreateFolder(const std::wstring& path) {
    return MakeFolder(path, newObjectOwner, defaultFolderEntries);
}

bool SimFiles::CreateFolderWithAccess(const std::wstring& path, platform::Trustee owner,
                                      const std::vector<platform::AccessEntry>& entries) {
    // The SIDs, the ACL and the descriptor are built before the folder is asked for.
    if (core_.Failing("AllocateAndInitializeSid") || core_.Failing("InitializeAcl")) return false;
    bool valid = owner != platform::Trustee::Other;
    for (const platform::AccessEntry& entry : entries) {
        valid = valid && entry.allow && entry.trustee != platform::Trustee::Other;
    }
    if (!valid) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    return MakeFolder(path, owner, entries);
}

bool SimFiles::MakeFolder(const std::wstring& path, platform::Trustee owner,
                          const std::vector<platform::AccessEntry>& entries) {
    if (core_.Failing("CreateDirectoryW")) return false;
    auto fail = [this](std::uint32_t error) {
        core_.lastError = error;
        return false;
    };
    const std::wstring key = Resolve(path, false);
    if (key.empty()) return fail(kErrorPathNotFound);
    if (IsRootKey(key) || folders_.count(key) != 0 || files_.count(key) != 0) {
        return fail(kErrorAlreadyExists);
    }
    if (!ParentExists(key)) return fail(kErrorPathNotFound);
    if (WriteDenied(key)) return fail(kErrorAccessDenied);
    // The owner is checked against the token only when the folder is really made: a folder
    // that exists already is reported as such whoever asks.
    if (owner != newObjectOwner && assignableOwners.count(owner) == 0) {
        return fail(kErrorInvalidOwner);
    }
    folders_[key] = FolderEntry{RealPath(key, WithoutFinalBackslash(path)),
                                platform::kFileAttributeDirectory, owner, entries, false};
    return true;
}

bool SimFiles::GetFolderSecurity(const std::wstring& path, platform::FolderSecurity* security) {
    if (core_.Failing("CreateFileW")) return false;
    const std::wstring key = Resolve(path, false);
    auto folder = folders_.find(key);
    if (folder == folders_.end()) {
        if (files_.count(key) == 0) {
            core_.lastError = ParentExists(key) ? kErrorFileNotFound : kErrorPathNotFound;
            return false;
        }
    }
    if (core_.Failing("GetSecurityInfo")) return false;
    // The DACL's size, then each entry: a failure anywhere fails the whole reading.
    const std::vector<platform::AccessEntry>& entries =
        folder == folders_.end() ? defaultFolderEntries : folder->second.entries;
    if (core_.Failing("GetAclInformation")) return false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (core_.Failing("GetAce")) return false;
    }
    if (folder == folders_.end()) {
        // A file where the folder should be: its attributes tell.
        const std::uint32_t attributes = files_.at(key).attributes;
        security->attributes = attributes == 0 ? platform::kFileAttributeNormal : attributes;
        security->owner = newObjectOwner;
        security->hasDacl = true;
        security->entries = defaultFolderEntries;
        return true;
    }
    security->attributes = folder->second.attributes |
                           (folder->second.reparsePoint ? platform::kFileAttributeReparsePoint : 0);
    security->owner = folder->second.owner;
    security->hasDacl = true;
    security->entries = folder->second.entries;
    return true;
}

bool SimFiles::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    if (core_.Failing("SetFileAttributesW")) return false;
    auto fail = [this](std::uint32_t error) {
        core_.lastError = error;
        return false;
    };
    const std::wstring key = Resolve(path, false);
    std::uint32_t settable = attributes & kSettableAttributes;
    if (settable != platform::kFileAttributeNormal) settable &= ~platform::kFileAttributeNormal;
    if (auto folder = folders_.find(key); folder != folders_.end()) {
        if (WriteDenied(key)) return fail(kErrorAccessDenied);
        folder->second.attributes =
            (settable & ~platform::kFileAttributeNormal) | platform::kFileAttributeDirectory;
        return true;
    }
    if (auto file = files_.find(key); file != files_.end()) {
        if (WriteDenied(key)) return fail(kErrorAccessDenied);
        file->second.attributes = settable;
        return true;
    }
    if (IsRootKey(key)) return fail(kErrorAccessDenied);
    return fail(ParentExists(key) ? kErrorFileNotFound : kErrorPathNotFound);
}

std::uint32_t SimFiles::GetAttributes(const std::wstring& path) {
    if (core_.Failing("GetFileAttributesW")) return platform::kInvalidFileAttributes;
    const std::wstring key = Resolve(path, false);
    if (IsRootKey(key)) {
        return platform::kFileAttributeDirectory | platform::kFileAttributeHidden |
               platform::kFileAttributeSystem;
    }
    if (auto folder = folders_.find(key); folder != folders_.end()) {
        return folder->second.attributes |
               (folder->second.reparsePoint ? platform::kFileAttributeReparsePoint : 0);
    }
    if (auto file = files_.find(key); file != files_.end()) {
        return file->second.attributes == 0 ? platform::kFileAttributeNormal
                                            : file->second.attributes;
    }
    core_.lastError = ParentExists(key) ? kErrorFileNotFound : kErrorPathNotFound;
    return platform::kInvalidFileAttributes;
}

std::int32_t SimFiles::GetSpecialFolder(int csidl, std::wstring* path) {
    if (core_.Failing("SHGetFolderPathW")) return HResultFromWin32(core_.lastError);
    auto it = specialFolders.find(csidl);
    if (it == specialFolders.end()) return kEInvalidArg;
    // Without CSIDL_FLAG_CREATE a folder that is not there is an error, not a path.
    if (!FolderExists(it->second)) return HResultFromWin32(kErrorFileNotFound);
    *path = it->second;
    return kSOk;
}

std::uint32_t SimFiles::GetOwnModulePath(std::uint32_t capacity, std::wstring* path) {
    if (core_.Failing("GetModuleFileNameW")) return 0;
    if (capacity == 0) {
        core_.lastError = kErrorInsufficientBuffer;
        return 0;
    }
    if (modulePath.size() < capacity) {
        *path = modulePath;
        return static_cast<std::uint32_t>(modulePath.size());
    }
    *path = modulePath.substr(0, capacity - 1);
    core_.lastError = kErrorInsufficientBuffer;
    return capacity;
}

std::uint32_t SimFiles::GetWindowsFolder(std::uint32_t capacity, std::wstring* path) {
    if (core_.Failing("GetWindowsDirectoryW")) return 0;
    const std::size_t length = windowsFolder.size();
    if (length + 1 > capacity) return static_cast<std::uint32_t>(length + 1);
    *path = windowsFolder;
    return static_cast<std::uint32_t>(length);
}

bool SimFiles::SetCurrentFolder(const std::wstring& path) {
    if (core_.Failing("SetCurrentDirectoryW")) return false;
    const std::wstring key = PathKey(path);
    if (key.empty()) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    if (files_.count(key) != 0) {
        core_.lastError = kErrorDirectory;
        return false;
    }
    if (!FolderExists(path)) {
        // The last component missing is "file not found", a folder above it "path not found".
        core_.lastError =
            IsRootKey(key) || ParentExists(key) ? kErrorFileNotFound : kErrorPathNotFound;
        return false;
    }
    std::wstring folder = WithoutFinalBackslash(path);
    if (IsRootKey(PathKey(folder))) folder = folder.substr(0, 2) + L"\\";
    currentFolder = folder;
    return true;
}

}  // namespace quorix::sim
