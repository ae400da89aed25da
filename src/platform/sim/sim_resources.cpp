#include "platform/sim/sim_resources.h"

#include <set>

namespace quorix::sim {

namespace {

constexpr std::uint32_t kErrorResourceTypeNotFound = 1813;
constexpr std::uint32_t kErrorResourceNameNotFound = 1814;

// The languages the loader tries for a request with language 0, before "the first one".
std::vector<std::uint16_t> FallbackOrder(std::uint16_t uiLanguage) {
    return {uiLanguage, platform::PrimaryLanguageOf(uiLanguage), platform::kLangNeutral,
            platform::kLangEnglishUs};
}

template <typename Map>
const typename Map::mapped_type* Pick(const Map& byLanguage, std::uint16_t uiLanguage) {
    if (byLanguage.empty()) return nullptr;
    for (std::uint16_t language : FallbackOrder(uiLanguage)) {
        auto it = byLanguage.find(language);
        if (it != byLanguage.end()) return &it->second;
    }
    return &byLanguage.begin()->second;  // the directory keeps languages in ascending order
}

}  // namespace

SimResources::NameKey SimResources::KeyOf(const platform::ResourceName& name) {
    return name.isId ? NameKey{true, std::wstring(), name.id}
                     : NameKey{false, FoldKey(name.text), 0};
}

const std::vector<std::uint8_t>* SimResources::PickLanguage(const Languages& languages) const {
    return Pick(languages, core_.uiLanguage);
}

void SimResources::AddResource(std::uint16_t type, const platform::ResourceName& name,
                               std::vector<std::uint8_t> bytes, std::uint16_t language) {
    resources_[type][KeyOf(name)][language] = std::move(bytes);
}

void SimResources::RemoveResource(std::uint16_t type, const platform::ResourceName& name) {
    auto ofType = resources_.find(type);
    if (ofType == resources_.end()) return;
    ofType->second.erase(KeyOf(name));
    if (ofType->second.empty()) resources_.erase(ofType);
}

void SimResources::AddString(std::uint16_t language, std::uint32_t id, std::wstring text) {
    strings_[language][id] = std::move(text);
}

bool SimResources::FindResourceData(std::uint16_t type, const platform::ResourceName& name,
                                    const std::uint8_t** data, std::uint32_t* size) {
    *data = nullptr;
    *size = 0;
    if (core_.Failing("FindResourceExW")) return false;
    auto ofType = resources_.find(type);
    if (ofType == resources_.end()) {
        core_.lastError = kErrorResourceTypeNotFound;
        return false;
    }
    auto named = ofType->second.find(KeyOf(name));
    if (named == ofType->second.end()) {
        core_.lastError = kErrorResourceNameNotFound;
        return false;
    }
    const std::vector<std::uint8_t>* bytes = PickLanguage(named->second);
    if (core_.Failing("LoadResource")) return false;
    // An empty resource has a size of 0 without any error being set.
    if (!core_.Failing("SizeofResource")) *size = static_cast<std::uint32_t>(bytes->size());
    if (!core_.Failing("LockResource")) *data = bytes->data();
    return true;
}

bool SimResources::EnumerateResourceNames(std::uint16_t type,
                                          std::vector<platform::ResourceName>* names) {
    names->clear();
    if (core_.Failing("EnumResourceNamesW")) return false;
    if (type == platform::kRtString) {
        // String tables are RT_STRING resources with one integer name per block of 16 ids.
        std::set<std::uint16_t> blocks;
        for (const auto& [language, table] : strings_) {
            for (const auto& [id, text] : table) {
                blocks.insert(static_cast<std::uint16_t>((id >> 4) + 1));
            }
        }
        if (blocks.empty()) {
            core_.lastError = kErrorResourceTypeNotFound;
            return false;
        }
        for (std::uint16_t block : blocks) names->push_back(platform::ResourceName::Id(block));
        return true;
    }
    auto ofType = resources_.find(type);
    if (ofType == resources_.end() || ofType->second.empty()) {
        core_.lastError = kErrorResourceTypeNotFound;
        return false;
    }
    for (const auto& [key, languages] : ofType->second) {
        names->push_back(key.isId ? platform::ResourceName::Id(key.id)
                                  : platform::ResourceName::Text(key.text));
    }
    return true;
}

int SimResources::LoadStringText(std::uint32_t id, std::size_t capacity, std::wstring* text) {
    text->clear();
    if (core_.Failing("LoadStringW")) return 0;
    if (capacity == 0) return 0;
    // LoadStringW finds the block of 16 strings first, in the loader's language order, and
    // then the string within it.
    const std::uint32_t block = id >> 4;
    std::map<std::uint16_t, const std::map<std::uint32_t, std::wstring>*> withBlock;
    for (const auto& [language, table] : strings_) {
        auto it = table.lower_bound(block << 4);
        if (it != table.end() && (it->first >> 4) == block) withBlock[language] = &table;
    }
    const auto* chosen = Pick(withBlock, core_.uiLanguage);
    if (chosen == nullptr) {
        core_.lastError = kErrorResourceNameNotFound;
        return 0;
    }
    auto it = (*chosen)->find(id);
    if (it == (*chosen)->end()) return 0;
    *text = it->second.substr(0, capacity - 1);
    return static_cast<int>(text->size());
}

}  // namespace quorix::sim
