// The simulated registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER as a tree of keys with
// typed values stored as bytes, the 32- and 64-bit views of HKLM\Software, access denial per
// key, and every opened key in the handle ledger.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

struct RegistryValue {
    std::uint32_t type = platform::kRegNone;
    std::vector<std::uint8_t> data;
};

// One RegOpenKeyExW or RegCreateKeyExW as the program made it.
struct RegistryOpenRecord {
    std::string api;
    std::wstring path;     // where it landed, e.g. "HKLM\Software\Wow6432Node\Maker"
    std::uint32_t access;  // as passed, view flags included
    std::uint32_t result;
};

class SimRegistry : public platform::Registry {
public:
    explicit SimRegistry(Core& core);

    std::uint32_t OpenKey(platform::RegistryKey parent, const std::wstring& subKey,
                          std::uint32_t access, platform::RegistryKey* key) override;
    std::uint32_t CreateKey(platform::RegistryKey parent, const std::wstring& subKey,
                            std::uint32_t options, std::uint32_t access, platform::RegistryKey* key,
                            std::uint32_t* disposition) override;
    std::uint32_t QueryValue(platform::RegistryKey key, const std::wstring& valueName,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override;
    std::uint32_t SetValue(platform::RegistryKey key, const std::wstring& valueName,
                           std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override;
    std::uint32_t EnumKey(platform::RegistryKey key, std::uint32_t index, std::uint32_t capacity,
                          std::wstring* name) override;
    std::uint32_t DeleteKey(platform::RegistryKey parent, const std::wstring& subKey) override;
    std::uint32_t CloseKey(platform::RegistryKey key) override;

    // --- the test's side ---
    // A 32-bit process on 64-bit Windows sees HKLM\Software\Wow6432Node as HKLM\Software
    // unless it asks for the 64-bit view. On 32-bit Windows there is one view and both view
    // flags reach it.
    bool is64BitWindows = false;

    // `view` is what the program would pass: 0 (this 32-bit process's own view),
    // KEY_WOW64_32KEY or KEY_WOW64_64KEY. Missing keys on the way are created.
    void PutKey(platform::RegistryKey root, const std::wstring& path, std::uint32_t view = 0);
    void PutValue(platform::RegistryKey root, const std::wstring& path, const std::wstring& name,
                  std::uint32_t type, std::vector<std::uint8_t> data, std::uint32_t view = 0);
    // REG_SZ with its terminating zero (2 x characters + 2 bytes).
    void PutString(platform::RegistryKey root, const std::wstring& path, const std::wstring& name,
                   const std::wstring& text, std::uint32_t view = 0);
    void PutDword(platform::RegistryKey root, const std::wstring& path, const std::wstring& name,
                  std::uint32_t value, std::uint32_t view = 0);
    // REG_MULTI_SZ: each string with its zero, then one more zero.
    void PutMultiString(platform::RegistryKey root, const std::wstring& path,
                        const std::wstring& name, const std::vector<std::wstring>& strings,
                        std::uint32_t view = 0);

    bool KeyExists(platform::RegistryKey root, const std::wstring& path,
                   std::uint32_t view = 0) const;
    std::optional<RegistryValue> GetValue(platform::RegistryKey root, const std::wstring& path,
                                          const std::wstring& name, std::uint32_t view = 0) const;
    // The text of a REG_SZ value, up to its terminator; none for a missing value or another type.
    std::optional<std::wstring> GetString(platform::RegistryKey root, const std::wstring& path,
                                          const std::wstring& name, std::uint32_t view = 0) const;
    // A REG_DWORD value of exactly 4 bytes.
    std::optional<std::uint32_t> GetDword(platform::RegistryKey root, const std::wstring& path,
                                          const std::wstring& name, std::uint32_t view = 0) const;
    std::optional<std::vector<std::wstring>> GetMultiString(platform::RegistryKey root,
                                                            const std::wstring& path,
                                                            const std::wstring& name,
                                                            std::uint32_t view = 0) const;

    // Refuses the key-specific rights (kKeySetValue, kKeyCreateSubKey, kKeyQueryValue, ...)
    // on the key and everything below it, as an ACL of a non-administrator would: an open or
    // create asking for any of them fails with ERROR_ACCESS_DENIED, and so does creating a
    // new key there. Denials add up.
    void DenyAccess(platform::RegistryKey root, const std::wstring& path,
                    std::uint32_t rights = platform::kKeySpecificRights, std::uint32_t view = 0);

    std::size_t OpenKeyCount() const { return open_.size(); }
    std::vector<RegistryOpenRecord> opens;
    // Keys RegDeleteKeyW removed, where they lay (e.g. "HKLM\Software\Maker\Setup\Old").
    std::vector<std::wstring> deletedKeys;

private:
    struct Key {
        std::wstring path;  // as first created, e.g. "HKLM\Software\Maker"
        std::map<std::wstring, std::wstring> valueNames;  // folded -> as first written
        std::map<std::wstring, RegistryValue> values;     // folded name -> value
    };
    struct OpenedKey {
        std::vector<std::wstring> physical;  // spelled components, root name first
        std::uint32_t granted = 0;           // key-specific rights of the handle
    };

    // Where a path below a parent lands, after the 32-bit view's redirection.
    std::uint32_t Resolve(platform::RegistryKey parent, const std::wstring& subKey,
                          std::uint32_t access, std::vector<std::wstring>* physical) const;
    std::vector<std::wstring> ResolveForTest(platform::RegistryKey root, const std::wstring& path,
                                             std::uint32_t view) const;
    std::uint32_t GrantedRights(std::uint32_t access, const std::wstring& foldedPath) const;
    std::uint32_t DeniedRights(const std::wstring& foldedPath) const;
    void Materialise(const std::vector<std::wstring>& physical);
    const Key* FindKey(const std::wstring& foldedPath) const;
    Key* FindKey(const std::wstring& foldedPath);
    const Key* TestKey(platform::RegistryKey root, const std::wstring& path,
                       std::uint32_t view) const;
    Key& TestKeyForWriting(platform::RegistryKey root, const std::wstring& path,
                           std::uint32_t view);
    // The key behind a handle (root or opened) with the handle's rights, or an error.
    std::uint32_t Lookup(platform::RegistryKey handle, Key** key, std::uint32_t* granted);
    std::uint32_t Finish(const std::string& api, const std::vector<std::wstring>& physical,
                         std::uint32_t access, std::uint32_t result);
    std::uint32_t HandOut(const std::vector<std::wstring>& physical, std::uint32_t access,
                          platform::RegistryKey* key);

    Core& core_;
    std::map<std::wstring, Key> keys_;              // folded physical path -> key
    std::map<std::wstring, std::uint32_t> denied_;  // folded physical path -> denied rights
    std::map<platform::RegistryKey, OpenedKey> open_;
};

}  // namespace quorix::sim
