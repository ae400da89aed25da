// The language packs found in the executable: table index and resource name, side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorix {

struct FoundPackList {
    std::vector<std::int32_t> tableIndex;    // row of the language table
    std::vector<std::wstring> resourceName;  // e.g. "VLLANGPACK_EN_US"
    bool enumerated = false;                 // set once the enumeration has run

    std::size_t Size() const { return tableIndex.size(); }
    bool Empty() const { return tableIndex.empty(); }
    void Append(std::int32_t index, std::wstring name) {
        tableIndex.push_back(index);
        resourceName.push_back(std::move(name));
    }
};

}  // namespace quorix
