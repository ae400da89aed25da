#include "platform/sim/sim_registry.h"

#include "common/result_codes.h"
#include "common/text.h"
#include "common/utf16.h"

namespace quorix::sim {

using platform::RegistryKey;

namespace {

constexpr std::uint32_t kErrorBadPathname = 161;
constexpr std::uint32_t kErrorNoAccess = 998;
constexpr std::uint32_t kErrorKeyDeleted = 1018;

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kGenericAll = 0x10000000u;
constexpr std::uint32_t kMaximumAllowed = 0x02000000u;

const wchar_t* RootName(RegistryKey root) {
    if (root == platform::kHkeyLocalMachine) return L"HKLM";
    if (root == platform::kHkeyCurrentUser) return L"HKCU";
    return nullptr;
}

std::wstring Spell(const std::vector<std::wstring>& components) {
    std::wstring path;
    for (const std::wstring& part : components) {
        if (!path.empty()) path += L'\\';
        path += part;
    }
    return path;
}

std::wstring Fold(const std::vector<std::wstring>& components) {
    return FoldKey(Spell(components));
}

bool IsUnder(const std::wstring& path, const std::wstring& ancestor) {
    return path == ancestor ||
           (path.size() > ancestor.size() && path.compare(0, ancestor.size(), ancestor) == 0 &&
            path[ancestor.size()] == L'\\');
}

// Splits a subkey path at its backslashes. Empty components are skipped: Windows accepts a
// trailing backslash ("Software\Maker\Setup\" names the same key as without it).
std::vector<std::wstring> SplitPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Appends the components, inserting the WOW64 redirection where the walk steps from
// HKLM\Software into a key of its own in the 32-bit view.
void Walk(std::vector<std::wstring>& physical, const std::vector<std::wstring>& components,
          bool redirect) {
    auto atSoftware = [&] {
        return physical.size() == 2 && FoldKey(physical[0]) == L"HKLM" &&
               FoldKey(physical[1]) == L"SOFTWARE";
    };
    for (const std::wstring& part : components) {
        if (redirect && atSoftware() && FoldKey(part) != L"WOW6432NODE") {
            physical.push_back(L"Wow6432Node");
        }
        physical.push_back(part);
    }
    // Opening HKLM\Software itself in the 32-bit view gives its redirected twin.
    if (redirect && atSoftware() && !components.empty()) physical.push_back(L"Wow6432Node");
}

std::vector<std::uint8_t> DwordBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace

SimRegistry::SimRegistry(Core& core) : core_(core) {
    // The keys every Windows has.
    Materialise({L"HKLM", L"SOFTWARE"});
    Materialise({L"HKLM", L"SYSTEM"});
    Materialise({L"HKCU", L"Software"});
}

// ---------------------------------------------------------------- resolution

std::uint32_t SimRegistry::Resolve(RegistryKey parent, const std::wstring& subKey,
                                   std::uint32_t access,
                                   std::vector<std::wstring>* physical) const {
    if (const wchar_t* root = RootName(parent)) {
        *physical = {root};
    } else {
        auto it = open_.find(parent);
        if (it == open_.end()) return kErrorInvalidHandle;
        *physical = it->second.physical;
    }
    if (!subKey.empty() && subKey[0] == L'\\') return kErrorBadPathname;
    // This process is 32-bit: without KEY_WOW64_64KEY it works in the 32-bit view, which on
    // 32-bit Windows is the only one.
    const bool redirect = is64BitWindows && (access & platform::kKeyWow64_64Key) == 0;
    Walk(*physical, SplitPath(subKey), redirect);
    return kErrorSuccess;
}

std::vector<std::wstring> SimRegistry::ResolveForTest(RegistryKey root, const std::wstring& path,
                                                      std::uint32_t view) const {
    const wchar_t* name = RootName(root);
    std::vector<std::wstring> physical{name != nullptr ? name : L"?"};
    Walk(physical, SplitPath(path), is64BitWindows && (view & platform::kKeyWow64_64Key) == 0);
    return physical;
}

std::uint32_t SimRegistry::DeniedRights(const std::wstring& foldedPath) const {
    std::uint32_t rights = 0;
    for (const auto& [path, denied] : denied_) {
        if (IsUnder(foldedPath, path)) rights |= denied;
    }
    return rights;
}

std::uint32_t SimRegistry::GrantedRights(std::uint32_t access,
                                         const std::wstring& foldedPath) const {
    std::uint32_t rights = access & platform::kKeySpecificRights;
    if (access & kGenericRead) rights |= platform::kKeyRead & platform::kKeySpecificRights;
    if (access & kGenericWrite) rights |= platform::kKeyWrite & platform::kKeySpecificRights;
    if (access & (kGenericAll | kMaximumAllowed)) rights |= platform::kKeySpecificRights;
    if (access & kMaximumAllowed) rights &= ~DeniedRights(foldedPath);
    return rights;
}

void SimRegistry::Materialise(const std::vector<std::wstring>& physical) {
    std::vector<std::wstring> prefix;
    for (const std::wstring& part : physical) {
        prefix.push_back(part);
        const std::wstring folded = Fold(prefix);
        if (keys_.count(folded) == 0) keys_[folded].path = Spell(prefix);
    }
}

const SimRegistry::Key* SimRegistry::FindKey(const std::wstring& foldedPath) const {
    auto it = keys_.find(foldedPath);
    return it == keys_.end() ? nullptr : &it->second;
}

SimRegistry::Key* SimRegistry::FindKey(const std::wstring& foldedPath) {
    auto it = keys_.find(foldedPath);
    return it == keys_.end() ? nullptr : &it->second;
}

std::uint32_t SimRegistry::Lookup(RegistryKey handle, Key** key, std::uint32_t* granted) {
    std::vector<std::wstring> physical;
    if (const wchar_t* root = RootName(handle)) {
        physical = {root};
        *granted = platform::kKeySpecificRights & ~DeniedRights(Fold(physical));
    } else {
        auto it = open_.find(handle);
        if (it == open_.end()) return kErrorInvalidHandle;
        physical = it->second.physical;
        *granted = it->second.granted;
    }
    *key = FindKey(Fold(physical));
    // A root always exists; any other key missing here was deleted after it was opened.
    if (*key == nullptr && physical.size() == 1) {
        Materialise(physical);
        *key = FindKey(Fold(physical));
    }
    return *key == nullptr ? kErrorKeyDeleted : kErrorSuccess;
}

// ---------------------------------------------------------------- the calls

std::uint32_t SimRegistry::Finish(const std::string& api, const std::vector<std::wstring>& physical,
                                  std::uint32_t access, std::uint32_t result) {
    opens.push_back(RegistryOpenRecord{api, Spell(physical), access, result});
    return result;
}

std::uint32_t SimRegistry::HandOut(const std::vector<std::wstring>& physical, std::uint32_t access,
                                   RegistryKey* key) {
    const RegistryKey handle = core_.ledger.Open("registry key", NarrowAscii(Spell(physical)));
    open_[handle] = OpenedKey{physical, GrantedRights(access, Fold(physical))};
    *key = handle;
    return kErrorSuccess;
}

std::uint32_t SimRegistry::OpenKey(RegistryKey parent, const std::wstring& subKey,
                                   std::uint32_t access, RegistryKey* key) {
    if (core_.Failing("RegOpenKeyExW")) return Finish("RegOpenKeyExW", {}, access, core_.lastError);
    if (key == nullptr) return kErrorInvalidParameter;
    std::vector<std::wstring> physical;
    if (std::uint32_t error = Resolve(parent, subKey, access, &physical)) {
        return Finish("RegOpenKeyExW", physical, access, error);
    }
    const std::wstring folded = Fold(physical);
    if (FindKey(folded) == nullptr) {
        return Finish("RegOpenKeyExW", physical, access, kErrorFileNotFound);
    }
    if (access & platform::kKeySpecificRights & DeniedRights(folded)) {
        return Finish("RegOpenKeyExW", physical, access, kErrorAccessDenied);
    }
    return Finish("RegOpenKeyExW", physical, access, HandOut(physical, access, key));
}

std::uint32_t SimRegistry::CreateKey(RegistryKey parent, const std::wstring& subKey,
                                     std::uint32_t options, std::uint32_t access, RegistryKey* key,
                                     std::uint32_t* disposition) {
    if (core_.Failing("RegCreateKeyExW")) {
        return Finish("RegCreateKeyExW", {}, access, core_.lastError);
    }
    if (key == nullptr) return kErrorInvalidParameter;
    std::vector<std::wstring> physical;
    if (std::uint32_t error = Resolve(parent, subKey, access, &physical)) {
        return Finish("RegCreateKeyExW", physical, access, error);
    }
    const std::wstring folded = Fold(physical);
    const std::uint32_t denied = DeniedRights(folded);
    const bool exists = FindKey(folded) != nullptr;
    // A new key needs the right to create subkeys of its parent, and inherits its refusals.
    if ((!exists && (denied & platform::kKeyCreateSubKey)) ||
        (access & platform::kKeySpecificRights & denied)) {
        return Finish("RegCreateKeyExW", physical, access, kErrorAccessDenied);
    }
    if (!exists) Materialise(physical);
    if (disposition != nullptr) {
        *disposition = exists ? platform::kRegOpenedExistingKey : platform::kRegCreatedNewKey;
    }
    return Finish("RegCreateKeyExW", physical, access, HandOut(physical, access, key));
}

std::uint32_t SimRegistry::QueryValue(RegistryKey handle, const std::wstring& valueName,
                                      std::uint32_t* type, std::uint8_t* data,
                                      std::uint32_t* size) {
    if (core_.Failing("RegQueryValueExW")) return core_.lastError;
    Key* key = nullptr;
    std::uint32_t granted = 0;
    if (std::uint32_t error = Lookup(handle, &key, &granted)) return error;
    if ((granted & platform::kKeyQueryValue) == 0) return kErrorAccessDenied;
    auto it = key->values.find(FoldKey(valueName));
    if (it == key->values.end()) return kErrorFileNotFound;
    const RegistryValue& value = it->second;
    const auto stored = static_cast<std::uint32_t>(value.data.size());
    if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
    if (type != nullptr) *type = value.type;
    if (data == nullptr) {
        if (size != nullptr) *size = stored;
        return kErrorSuccess;
    }
    if (*size < stored) {
        *size = stored;
        return kErrorMoreData;
    }
    std::copy(value.data.begin(), value.data.end(), data);
    *size = stored;
    return kErrorSuccess;
}

std::uint32_t SimRegistry::SetValue(RegistryKey handle, const std::wstring& valueName,
                                    std::uint32_t type, const std::uint8_t* data,
                                    std::uint32_t size) {
    if (core_.Failing("RegSetValueExW")) return core_.lastError;
    Key* key = nullptr;
    std::uint32_t granted = 0;
    if (std::uint32_t error = Lookup(handle, &key, &granted)) return error;
    if ((granted & platform::kKeySetValue) == 0) return kErrorAccessDenied;
    if (data == nullptr && size != 0) return kErrorNoAccess;
    const std::wstring folded = FoldKey(valueName);
    key->valueNames.emplace(folded, valueName);
    key->values[folded] = RegistryValue{type, std::vector<std::uint8_t>(data, data + size)};
    return kErrorSuccess;
}

std::uint32_t SimRegistry::EnumKey(RegistryKey handle, std::uint32_t index, std::uint32_t capacity,
                                   std::wstring* name) {
    if (core_.Failing("RegEnumKeyExW")) return core_.lastError;
    Key* key = nullptr;
    std::uint32_t granted = 0;
    if (std::uint32_t error = Lookup(handle, &key, &granted)) return error;
    if ((granted & platform::kKeyEnumerateSubKeys) == 0) return kErrorAccessDenied;
    // The registry keeps subkeys sorted by their upper-case names, which is the order of the
    // folded paths of a key's direct children.
    const std::wstring prefix = FoldKey(key->path) + L'\\';
    std::uint32_t position = 0;
    for (auto it = keys_.lower_bound(prefix); it != keys_.end(); ++it) {
        const std::wstring& folded = it->first;
        if (folded.compare(0, prefix.size(), prefix) != 0) break;
        if (folded.find(L'\\', prefix.size()) != std::wstring::npos) continue;  // grandchild
        if (position++ != index) continue;
        const std::wstring& spelled = it->second.path;
        const std::wstring child = spelled.substr(spelled.rfind(L'\\') + 1);
        if (child.size() + 1 > capacity) return kErrorMoreData;
        *name = child;
        return kErrorSuccess;
    }
    return platform::kErrorNoMoreItems;
}

std::uint32_t SimRegistry::DeleteKey(RegistryKey parent, const std::wstring& subKey) {
    if (core_.Failing("RegDeleteKeyW")) return core_.lastError;
    std::vector<std::wstring> physical;
    if (std::uint32_t error = Resolve(parent, subKey, 0, &physical)) return error;
    const std::wstring folded = Fold(physical);
    if (FindKey(folded) == nullptr) return kErrorFileNotFound;
    // The roots and keys the ACL keeps from being changed stay; so does a key with subkeys,
    // which RegDeleteKeyW never removes.
    if (physical.size() <= 1 ||
        (DeniedRights(folded) & (platform::kKeySetValue | platform::kKeyCreateSubKey)) != 0) {
        return kErrorAccessDenied;
    }
    auto child = keys_.lower_bound(folded + L'\\');
    if (child != keys_.end() && child->first.compare(0, folded.size() + 1, folded + L'\\') == 0) {
        return kErrorAccessDenied;
    }
    deletedKeys.push_back(FindKey(folded)->path);
    keys_.erase(folded);
    return kErrorSuccess;
}

std::uint32_t SimRegistry::CloseKey(RegistryKey handle) {
    if (core_.Failing("RegCloseKey")) return core_.lastError;
    if (platform::IsPredefinedRegistryKey(handle)) return kErrorSuccess;
    if (open_.erase(handle) == 0) {
        // A handle of another kind stays open; anything else counts as a bad close.
        if (!core_.ledger.IsOpen(handle)) core_.ledger.Close(handle);
        return kErrorInvalidHandle;
    }
    core_.ledger.Close(handle);
    return kErrorSuccess;
}

// ---------------------------------------------------------------- the test's side

SimRegistry::Key& SimRegistry::TestKeyForWriting(RegistryKey root, const std::wstring& path,
                                                 std::uint32_t view) {
    const std::vector<std::wstring> physical = ResolveForTest(root, path, view);
    Materialise(physical);
    return *FindKey(Fold(physical));
}

const SimRegistry::Key* SimRegistry::TestKey(RegistryKey root, const std::wstring& path,
                                             std::uint32_t view) const {
    return FindKey(Fold(ResolveForTest(root, path, view)));
}

void SimRegistry::PutKey(RegistryKey root, const std::wstring& path, std::uint32_t view) {
    TestKeyForWriting(root, path, view);
}

void SimRegistry::PutValue(RegistryKey root, const std::wstring& path, const std::wstring& name,
                           std::uint32_t type, std::vector<std::uint8_t> data, std::uint32_t view) {
    Key& key = TestKeyForWriting(root, path, view);
    const std::wstring folded = FoldKey(name);
    key.valueNames.emplace(folded, name);
    key.values[folded] = RegistryValue{type, std::move(data)};
}

void SimRegistry::PutString(RegistryKey root, const std::wstring& path, const std::wstring& name,
                            const std::wstring& text, std::uint32_t view) {
    PutValue(root, path, name, platform::kRegSz, ToUtf16LeBytes(text, true), view);
}

void SimRegistry::PutDword(RegistryKey root, const std::wstring& path, const std::wstring& name,
                           std::uint32_t value, std::uint32_t view) {
    PutValue(root, path, name, platform::kRegDword, DwordBytes(value), view);
}

void SimRegistry::PutMultiString(RegistryKey root, const std::wstring& path,
                                 const std::wstring& name, const std::vector<std::wstring>& strings,
                                 std::uint32_t view) {
    std::vector<std::uint8_t> bytes;
    for (const std::wstring& text : strings) AppendUtf16LeTerminated(bytes, text);
    bytes.push_back(0);
    bytes.push_back(0);
    PutValue(root, path, name, platform::kRegMultiSz, std::move(bytes), view);
}

void SimRegistry::DenyAccess(RegistryKey root, const std::wstring& path, std::uint32_t rights,
                             std::uint32_t view) {
    denied_[Fold(ResolveForTest(root, path, view))] |= rights & platform::kKeySpecificRights;
}

bool SimRegistry::KeyExists(RegistryKey root, const std::wstring& path, std::uint32_t view) const {
    return TestKey(root, path, view) != nullptr;
}

std::optional<RegistryValue> SimRegistry::GetValue(RegistryKey root, const std::wstring& path,
                                                   const std::wstring& name,
                                                   std::uint32_t view) const {
    const Key* key = TestKey(root, path, view);
    if (key == nullptr) return std::nullopt;
    auto it = key->values.find(FoldKey(name));
    if (it == key->values.end()) return std::nullopt;
    return it->second;
}

std::optional<std::wstring> SimRegistry::GetString(RegistryKey root, const std::wstring& path,
                                                   const std::wstring& name,
                                                   std::uint32_t view) const {
    std::optional<RegistryValue> value = GetValue(root, path, name, view);
    if (!value || value->type != platform::kRegSz) return std::nullopt;
    return CutAtTerminator(FromUtf16LeBytes(value->data.data(), value->data.size()));
}

std::optional<std::uint32_t> SimRegistry::GetDword(RegistryKey root, const std::wstring& path,
                                                   const std::wstring& name,
                                                   std::uint32_t view) const {
    std::optional<RegistryValue> value = GetValue(root, path, name, view);
    if (!value || value->type != platform::kRegDword || value->data.size() != 4) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& b = value->data;
    return static_cast<std::uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16)) |
           (static_cast<std::uint32_t>(b[3]) << 24);
}

std::optional<std::vector<std::wstring>> SimRegistry::GetMultiString(RegistryKey root,
                                                                     const std::wstring& path,
                                                                     const std::wstring& name,
                                                                     std::uint32_t view) const {
    std::optional<RegistryValue> value = GetValue(root, path, name, view);
    if (!value || value->type != platform::kRegMultiSz) return std::nullopt;
    const std::wstring all = FromUtf16LeBytes(value->data.data(), value->data.size());
    std::vector<std::wstring> strings;
    std::size_t start = 0;
    // The list ends at the first empty string (the double zero).
    while (start < all.size()) {
        std::size_t end = all.find(L'\0', start);
        if (end == std::wstring::npos) end = all.size();
        if (end == start) break;
        strings.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

}  // namespace quorix::sim
