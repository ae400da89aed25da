// The executable's own resources: packages, language packs, strings and pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace quorix::platform {

// Resource types the program looks up (integer ids, as MAKEINTRESOURCE gives them).
inline constexpr std::uint16_t kRtBitmap = 2;
inline constexpr std::uint16_t kRtString = 6;
inline constexpr std::uint16_t kRtRcdata = 10;

// Language identifiers of the string tables and the loader's fallbacks.
inline constexpr std::uint16_t kLangNeutral = 0x0000;
inline constexpr std::uint16_t kLangEnglishUs = 0x0409;
inline constexpr std::uint16_t kLangGerman = 0x0407;
// PRIMARYLANGID; with SUBLANG_NEUTRAL (0) it is also the language's neutral form.
constexpr std::uint16_t PrimaryLanguageOf(std::uint16_t language) { return language & 0x03FF; }

// A resource name as the loader keeps it: a text or an integer id. The two never compare
// equal, and the language-pack search must tell them apart (it skips integer ids).
struct ResourceName {
    std::wstring text;     // meaningful when !isId
    std::uint16_t id = 0;  // meaningful when isId
    bool isId = false;

    static ResourceName Text(std::wstring name) { return ResourceName{std::move(name), 0, false}; }
    static ResourceName Id(std::uint16_t value) {
        return ResourceName{std::wstring(), value, true};
    }

    bool operator==(const ResourceName& other) const {
        return isId == other.isId && (isId ? id == other.id : text == other.text);
    }
    bool operator!=(const ResourceName& other) const { return !(*this == other); }
};

class Resources {
public:
    virtual ~Resources() = default;

    // FindResourceExW(the executable itself, type, name, language 0: the loader picks the
    // language), then LoadResource, SizeofResource and LockResource on what it found. False
    // when FindResourceExW or LoadResource gave nothing (the last error says why). Otherwise
    // *size is SizeofResource's count (0 when it failed) and *data LockResource's pointer (null
    // when it failed); the bytes are read-only and belong to the module, no release needed.
    virtual bool FindResourceData(std::uint16_t type, const ResourceName& name,
                                  const std::uint8_t** data, std::uint32_t* size) = 0;

    // EnumResourceNamesW(the executable itself, type): every name of that type, in the order
    // the module's resource directory holds them (text names upper-cased and sorted, then the
    // integer ids in ascending order). False when the enumeration failed (for example
    // ERROR_RESOURCE_TYPE_NOT_FOUND when the module has no resource of the type); *names then
    // holds what was seen before the failure.
    virtual bool EnumerateResourceNames(std::uint16_t type, std::vector<ResourceName>* names) = 0;

    // LoadStringW(the executable's module, id, a buffer of `capacity` wide characters): the
    // number of characters copied (at most capacity - 1, the string cut there), 0 when the
    // string does not exist or is empty. A capacity of 0 loads nothing (LoadStringW would hand
    // out a pointer into the module instead).
    virtual int LoadStringText(std::uint32_t id, std::size_t capacity, std::wstring* text) = 0;
};

}  // namespace quorix::platform
