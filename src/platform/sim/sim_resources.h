// The simulated resources of the executable: typed, named resources in one or more languages,
// and string tables per language, picked the way the resource loader picks them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimResources : public platform::Resources {
public:
    explicit SimResources(Core& core) : core_(core) {}

    bool FindResourceData(std::uint16_t type, const platform::ResourceName& name,
                          const std::uint8_t** data, std::uint32_t* size) override;
    bool EnumerateResourceNames(std::uint16_t type,
                                std::vector<platform::ResourceName>* names) override;
    int LoadStringText(std::uint32_t id, std::size_t capacity, std::wstring* text) override;

    // --- the test's side ---
    // Adds (or replaces) a resource. Text names are kept upper-cased, as the resource
    // compiler stores them.
    void AddResource(std::uint16_t type, const platform::ResourceName& name,
                     std::vector<std::uint8_t> bytes,
                     std::uint16_t language = platform::kLangEnglishUs);
    void AddRcdata(const std::wstring& name, std::vector<std::uint8_t> bytes) {
        AddResource(platform::kRtRcdata, platform::ResourceName::Text(name), std::move(bytes));
    }
    void RemoveResource(std::uint16_t type, const platform::ResourceName& name);
    void AddString(std::uint16_t language, std::uint32_t id, std::wstring text);

    // The user's UI language. With language 0 the loader tries, per resource: this language,
    // its primary language with SUBLANG_NEUTRAL, LANG_NEUTRAL, English (United States), and
    // then the first language the resource has (the lowest id). String tables are picked per
    // block of 16 ids, as LoadStringW does: a block found in a language is used even when the
    // string asked for is empty in it.

private:
    // The loader's order of names: text names by their upper-cased code units, then ids.
    struct NameKey {
        bool isId;
        std::wstring text;
        std::uint16_t id;
        bool operator<(const NameKey& other) const {
            if (isId != other.isId) return !isId;
            return isId ? id < other.id : text < other.text;
        }
    };
    static NameKey KeyOf(const platform::ResourceName& name);
    using Languages = std::map<std::uint16_t, std::vector<std::uint8_t>>;
    const std::vector<std::uint8_t>* PickLanguage(const Languages& languages) const;

    Core& core_;
    std::map<std::uint16_t, std::map<NameKey, Languages>> resources_;
    std::map<std::uint16_t, std::map<std::uint32_t, std::wstring>> strings_;  // language -> id
};

}  // namespace quorix::sim
