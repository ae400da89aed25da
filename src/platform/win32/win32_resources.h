// The real resources behind the seam.
#pragma once

#include "platform/resources.h"

namespace quorix::win32 {

class Win32Resources : public platform::Resources {
public:
    bool FindResourceData(std::uint16_t type, const platform::ResourceName& name,
                          const std::uint8_t** data, std::uint32_t* size) override;
    bool EnumerateResourceNames(std::uint16_t type,
                                std::vector<platform::ResourceName>* names) override;
    int LoadStringText(std::uint32_t id, std::size_t capacity, std::wstring* text) override;
};

}  // namespace quorix::win32
