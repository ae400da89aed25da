// The real registry behind the seam (advapi32).
#pragma once

#include "platform/registry.h"

namespace quorix::win32 {

class Win32Registry : public platform::Registry {
public:
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
};

}  // namespace quorix::win32
