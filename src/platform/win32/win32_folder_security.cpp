// Folder ownership and access lists, with calls that Windows 2000 already has: SIDs from
// AllocateAndInitializeSid (not CreateWellKnownSid), ACLs from InitializeAcl and
// AddAccessAllowedAceEx, the owner and DACL through GetSecurityInfo on an open handle.
#include <windows.h>

#include <aclapi.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_system_library.h"

namespace quorix::win32 {
namespace {

// One SID of a trustee the program names, freed with FreeSid.
class TrusteeSid {
public:
    explicit TrusteeSid(platform::Trustee trustee) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
        BOOL made = FALSE;
        switch (trustee) {
            case platform::Trustee::System:
                made = ::AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0,
                                                  0, 0, &sid_);
                break;
            case platform::Trustee::Administrators:
                made = ::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid_);
                break;
            case platform::Trustee::Users:
                made = ::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                                  DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &sid_);
                break;
            case platform::Trustee::CreatorOwner:
                made = ::AllocateAndInitializeSid(&creator, 1, SECURITY_CREATOR_OWNER_RID, 0, 0, 0,
                                                  0, 0, 0, 0, &sid_);
                break;
            case platform::Trustee::Other:
                break;
        }
        if (!made) sid_ = nullptr;
    }
    TrusteeSid(const TrusteeSid&) = delete;
    TrusteeSid& operator=(const TrusteeSid&) = delete;
    ~TrusteeSid() {
        if (sid_ != nullptr) ::FreeSid(sid_);
    }
    PSID Get() const { return sid_; }

private:
    PSID sid_ = nullptr;
};

constexpr platform::Trustee kNamedTrustees[] = {
    platform::Trustee::System, platform::Trustee::Administrators, platform::Trustee::Users,
    platform::Trustee::CreatorOwner};

platform::Trustee TrusteeOf(PSID sid) {
    if (sid == nullptr || !::IsValidSid(sid)) return platform::Trustee::Other;
    for (platform::Trustee trustee : kNamedTrustees) {
        TrusteeSid known(trustee);
        if (known.Get() != nullptr && ::EqualSid(sid, known.Get())) return trustee;
    }
    return platform::Trustee::Other;
}

// Frees what GetSecurityInfo gave and reports the failure, with an error even where the call
// that failed left none.
bool FailReading(PSECURITY_DESCRIPTOR descriptor) {
    const DWORD error = ::GetLastError();
    if (descriptor != nullptr) ::LocalFree(descriptor);
    ::SetLastError(error == 0 ? ERROR_ACCESS_DENIED : error);
    return false;
}

}  // namespace

bool Win32Files::CreateFolderWithAccess(const std::wstring& path, platform::Trustee owner,
                                        const std::vector<platform::AccessEntry>& entries) {
    const TrusteeSid ownerSid(owner);
    if (ownerSid.Get() == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD aclSize = sizeof(ACL);
    std::vector<std::unique_ptr<TrusteeSid>> owned;
    for (const platform::AccessEntry& entry : entries) {
        owned.push_back(std::make_unique<TrusteeSid>(entry.trustee));
        if (!entry.allow || owned.back()->Get() == nullptr) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        aclSize += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(owned.back()->Get());
    }
    std::vector<std::uint8_t> aclBuffer(aclSize);
    PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
    if (!::InitializeAcl(acl, aclSize, ACL_REVISION)) return false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, entries[i].flags, entries[i].mask,
                                     owned[i]->Get())) {
            return false;
        }
    }
    // An owner of our own, not the token's default: that one is the Administrators group for
    // an elevated administrator but the user's account with UAC off or under some policies.
    // The kernel checks it against the token when the folder is made and refuses one the
    // token may not name with ERROR_INVALID_OWNER.
    SECURITY_DESCRIPTOR descriptor;
    if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorOwner(&descriptor, ownerSid.Get(), FALSE) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
    return ::CreateDirectoryW(path.c_str(), &attributes) != FALSE;
}

bool Win32Files::GetFolderSecurity(const std::wstring& path, platform::FolderSecurity* security) {
    // The folder itself: a junction or symbolic link is examined, not followed.
    HANDLE folder = ::CreateFileW(
        path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    // GetSecurityInfo returns its error instead of setting the last one.
    DWORD error = ERROR_SUCCESS;
    if (!::GetFileInformationByHandle(folder, &information)) {
        error = ::GetLastError();
        if (error == ERROR_SUCCESS) error = ERROR_ACCESS_DENIED;
    } else {
        error = ::GetSecurityInfo(folder, SE_FILE_OBJECT,
                                  OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                  nullptr, &dacl, nullptr, &descriptor);
    }
    ::CloseHandle(folder);
    if (error != ERROR_SUCCESS) {
        ::SetLastError(error);
        return FailReading(descriptor);
    }
    // Whatever cannot be read fails the whole reading: an entry skipped could be the one that
    // lets a user in, and an unread list would pass for an empty one that lets nobody in.
    std::vector<platform::AccessEntry> entries;
    ACL_SIZE_INFORMATION size{};
    if (dacl != nullptr && !::GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation)) {
        return FailReading(descriptor);
    }
    if (dacl != nullptr) {
        for (DWORD i = 0; i < size.AceCount; ++i) {
            void* ace = nullptr;
            if (!::GetAce(dacl, i, &ace) || ace == nullptr) return FailReading(descriptor);
            const auto* header = static_cast<const ACE_HEADER*>(ace);
            platform::AccessEntry entry;
            entry.flags = header->AceFlags;
            if (header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
                header->AceType == ACCESS_DENIED_ACE_TYPE) {
                const auto* simple = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
                entry.allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
                entry.mask = simple->Mask;
                entry.trustee = TrusteeOf(const_cast<DWORD*>(&simple->SidStart));
            } else {
                // Object and callback entries are not read apart: counted as granting anyone
                // everything, so that a folder carrying one is never taken for a safe one.
                entry.allow = true;
                entry.mask = 0xFFFFFFFFu;
                entry.trustee = platform::Trustee::Other;
            }
            entries.push_back(entry);
        }
    }
    ::LocalFree(descriptor);
    security->attributes = information.dwFileAttributes;
    // No owner at all, or one that cannot be told, reads as Other, which no safe folder has.
    security->owner = TrusteeOf(owner);
    security->hasDacl = dacl != nullptr;
    security->entries = std::move(entries);
    return true;
}

namespace {

// The headers at the Windows 2000 level name neither the Vista token class nor the
// file-information calls; their values and layouts are fixed.
constexpr int kTokenElevationClass = 20;
constexpr int kFileDispositionInfoClass = 4;
constexpr DWORD kFileNameNormalizedDos = 0;
using GetFinalPathFn = DWORD(WINAPI*)(HANDLE file, LPWSTR buffer, DWORD capacity, DWORD flags);
using SetFileInformationFn = BOOL(WINAPI*)(HANDLE file, int infoClass, LPVOID info, DWORD size);

bool Unavailable() {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
}

}  // namespace

bool Win32System::GetTokenStanding(platform::TokenStanding* standing) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    std::vector<std::uint8_t> user(256);
    DWORD size = 0;
    DWORD elevation = 0;
    bool known = ::GetTokenInformation(token, TokenUser, user.data(),
                                       static_cast<DWORD>(user.size()), &size) != FALSE;
    if (known) {
        standing->localSystem = TrusteeOf(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid) ==
                                platform::Trustee::System;
        if (::GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationClass),
                                  &elevation, sizeof(elevation), &size)) {
            standing->elevated = elevation != 0;
        } else {
            // Before Vista there is no elevation: an administrator's token has all its rights.
            const TrusteeSid admins(platform::Trustee::Administrators);
            BOOL member = FALSE;
            known = admins.Get() != nullptr &&
                    ::CheckTokenMembership(nullptr, admins.Get(), &member) != FALSE;
            standing->elevated = member != FALSE;
        }
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(token);
    ::SetLastError(error);
    return known;
}

bool Win32Files::GetFinalPath(platform::NativeHandle file, std::wstring* path) {
    static void* const entry = FindKernel32Function("GetFinalPathNameByHandleW");
    if (entry == nullptr) return Unavailable();
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = As<GetFinalPathFn>(entry)(
            ToHandle(file), &buffer[0], static_cast<DWORD>(buffer.size()), kFileNameNormalizedDos);
        if (length == 0) return false;
        if (length < buffer.size()) {
            buffer.resize(length);
            if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
                buffer.replace(0, 8, L"\\\\");
            } else if (buffer.compare(0, 4, L"\\\\?\\") == 0) {
                buffer.erase(0, 4);
            }
            *path = buffer;
            return true;
        }
        buffer.assign(length + 1, L'\0');  // the size it needs, terminator included
    }
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
}

bool Win32Files::DeleteOnClose(platform::NativeHandle file) {
    static void* const entry = FindKernel32Function("SetFileInformationByHandle");
    if (entry == nullptr) return Unavailable();
    BOOLEAN remove = TRUE;  // FILE_DISPOSITION_INFO
    return As<SetFileInformationFn>(entry)(ToHandle(file), kFileDispositionInfoClass, &remove,
                                           sizeof(remove)) != FALSE;
}

}  // namespace quorix::win32
