// Folder ownership and access lists, with calls that Windows 2000 already has: SIDs from
// AllocateAndInitializeSid (not CreateWellKnownSid), ACLs from InitializeAcl and
// AddAccessAllowedAceEx, the owner and DACL through GetSecurityInfo on an open handle.
#include <windows.h>

#include <aclapi.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win32/win32_platform.h"

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

}  // namespace quorix::win32
