// The registry: keys below the predefined roots, in the 32- or 64-bit view, with typed values.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/handles.h"

namespace quorix::platform {

// An HKEY as the platform gives it out: a predefined root or a key opened below one.
using RegistryKey = std::uintptr_t;
inline constexpr RegistryKey kNullRegistryKey = 0;

// The predefined roots are sign-extended 32-bit constants, as <winreg.h> defines them.
constexpr RegistryKey PredefinedRegistryKey(std::uint32_t value) {
    return static_cast<RegistryKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
inline constexpr RegistryKey kHkeyCurrentUser = PredefinedRegistryKey(0x80000001u);
inline constexpr RegistryKey kHkeyLocalMachine = PredefinedRegistryKey(0x80000002u);

inline bool IsPredefinedRegistryKey(RegistryKey key) {
    return key == kHkeyCurrentUser || key == kHkeyLocalMachine;
}

// Access rights (REGSAM).
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr std::uint32_t kKeyWow64_32Key = 0x0200;
inline constexpr std::uint32_t kKeyViewFlags = kKeyWow64_64Key | kKeyWow64_32Key;
inline constexpr std::uint32_t kKeyRead = 0x20019;   // STANDARD_RIGHTS_READ | QUERY | ENUM | NOTIFY
inline constexpr std::uint32_t kKeyWrite = 0x20006;  // STANDARD_RIGHTS_WRITE | SET | CREATE_SUB_KEY
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
// The rights that belong to keys alone, below the standard rights.
inline constexpr std::uint32_t kKeySpecificRights = 0x003F;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// RegEnumKeyExW's answer past the last subkey.
inline constexpr std::uint32_t kErrorNoMoreItems = 259;

// RegCreateKeyExW options and dispositions.
inline constexpr std::uint32_t kRegOptionNonVolatile = 0;
inline constexpr std::uint32_t kRegCreatedNewKey = 1;
inline constexpr std::uint32_t kRegOpenedExistingKey = 2;

// Every method returns what the advapi32 call returns: a Win32 error code, 0 on success.
// Registry calls never set the thread's last error.
class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExW(parent, subKey, 0, access, &key). `parent` is a root or an open key;
    // `access` may carry KEY_WOW64_32KEY or KEY_WOW64_64KEY. *key is set on success only.
    virtual std::uint32_t OpenKey(RegistryKey parent, const std::wstring& subKey,
                                  std::uint32_t access, RegistryKey* key) = 0;

    // RegCreateKeyExW(parent, subKey, 0, no class, options, access, default security, &key,
    // &disposition). `disposition` may be null.
    virtual std::uint32_t CreateKey(RegistryKey parent, const std::wstring& subKey,
                                    std::uint32_t options, std::uint32_t access, RegistryKey* key,
                                    std::uint32_t* disposition) = 0;

    // RegQueryValueExW(key, valueName, reserved, type, data, size); an empty name is the
    // key's default value. `type` may be null. A null `data` asks for the type and the size
    // alone; otherwise *size is the buffer's capacity in bytes on the way in, and the value's
    // size on the way out, also when it did not fit (ERROR_MORE_DATA, buffer undefined).
    // Texts come back as the UTF-16LE bytes stored, terminator included only if one was.
    virtual std::uint32_t QueryValue(RegistryKey key, const std::wstring& valueName,
                                     std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* size) = 0;

    // RegSetValueExW(key, valueName, 0, type, data, size): stores the bytes as they are.
    virtual std::uint32_t SetValue(RegistryKey key, const std::wstring& valueName,
                                   std::uint32_t type, const std::uint8_t* data,
                                   std::uint32_t size) = 0;

    // RegEnumKeyExW(key, index, name buffer of `capacity` characters, no class, no time): the
    // name of the index-th subkey. ERROR_NO_MORE_ITEMS past the last one, ERROR_MORE_DATA
    // when the name and its terminator do not fit. The key needs KEY_ENUMERATE_SUB_KEYS.
    virtual std::uint32_t EnumKey(RegistryKey key, std::uint32_t index, std::uint32_t capacity,
                                  std::wstring* name) = 0;

    // RegDeleteKeyW(parent, subKey): removes a key that has no subkeys of its own, with its
    // values. A key with subkeys is refused (ERROR_ACCESS_DENIED).
    virtual std::uint32_t DeleteKey(RegistryKey parent, const std::wstring& subKey) = 0;

    // RegCloseKey. Closing a predefined root succeeds and does nothing.
    virtual std::uint32_t CloseKey(RegistryKey key) = 0;
};

// Owns one opened key and closes it on every path out of its scope. Predefined roots are
// never closed.
class UniqueRegistryKey {
public:
    UniqueRegistryKey() = default;
    explicit UniqueRegistryKey(Registry& registry) : registry_(&registry) {}
    UniqueRegistryKey(Registry& registry, RegistryKey key) : registry_(&registry), key_(key) {}
    UniqueRegistryKey(const UniqueRegistryKey&) = delete;
    UniqueRegistryKey& operator=(const UniqueRegistryKey&) = delete;
    UniqueRegistryKey(UniqueRegistryKey&& other) noexcept { *this = std::move(other); }
    UniqueRegistryKey& operator=(UniqueRegistryKey&& other) noexcept {
        if (this != &other) {
            Reset();
            registry_ = other.registry_;
            key_ = std::exchange(other.key_, kNullRegistryKey);
        }
        return *this;
    }
    ~UniqueRegistryKey() { Reset(); }

    RegistryKey Get() const { return key_; }
    bool IsOpen() const { return key_ != kNullRegistryKey; }
    // For the open and create calls: closes what is held and hands out the slot to fill.
    RegistryKey* Receive() {
        Reset();
        return &key_;
    }
    void Reset() {
        if (registry_ != nullptr && key_ != kNullRegistryKey && !IsPredefinedRegistryKey(key_)) {
            registry_->CloseKey(key_);
        }
        key_ = kNullRegistryKey;
    }

private:
    Registry* registry_ = nullptr;
    RegistryKey key_ = kNullRegistryKey;
};

}  // namespace quorix::platform
