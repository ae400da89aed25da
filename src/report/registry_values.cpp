#include "report/registry_values.h"

#include "common/result_codes.h"
#include "common/utf16.h"

namespace quorix {

bool QueryBoundedValue(platform::Registry& registry, platform::RegistryKey key,
                       const std::wstring& name, std::uint32_t capacity, std::uint32_t* type,
                       std::vector<std::uint8_t>* bytes) {
    std::vector<std::uint8_t> buffer(capacity == 0 ? 1 : capacity, 0);
    std::uint32_t size = capacity;
    std::uint32_t valueType = platform::kRegNone;
    if (registry.QueryValue(key, name, &valueType, buffer.data(), &size) != kErrorSuccess) {
        return false;
    }
    // Never trust a reported size beyond the buffer handed over.
    buffer.resize(size <= capacity ? size : capacity);
    if (type != nullptr) *type = valueType;
    *bytes = std::move(buffer);
    return true;
}

bool QueryBoundedText(platform::Registry& registry, platform::RegistryKey key,
                      const std::wstring& name, std::uint32_t capacity, std::wstring* text,
                      std::uint32_t* type) {
    std::vector<std::uint8_t> bytes;
    if (!QueryBoundedValue(registry, key, name, capacity, type, &bytes)) return false;
    *text = CutAtTerminator(FromUtf16LeBytes(bytes.data(), bytes.size()));
    return true;
}

std::uint32_t SetStringValue(platform::Registry& registry, platform::RegistryKey key,
                             const std::wstring& name, const std::wstring& text) {
    const std::vector<std::uint8_t> bytes = ToUtf16LeBytes(text, true);
    return registry.SetValue(key, name, platform::kRegSz, bytes.data(),
                             static_cast<std::uint32_t>(bytes.size()));
}

std::uint32_t SetDwordValue(platform::Registry& registry, platform::RegistryKey key,
                            const std::wstring& name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return registry.SetValue(key, name, platform::kRegDword, bytes, 4);
}

}  // namespace quorix
