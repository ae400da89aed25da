#include "core/registry_values.h"

#include <algorithm>
#include <new>

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

bool QueryDwordValue(platform::Registry& registry, platform::RegistryKey key,
                     const std::wstring& name, std::uint32_t* value) {
    // A value that does not fit leaves the buffer undefined: it then is no number at all.
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    std::uint32_t size = sizeof(bytes);
    if (registry.QueryValue(key, name, nullptr, bytes, &size) != kErrorSuccess) return false;
    *value = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
             (static_cast<std::uint32_t>(bytes[2]) << 16) |
             (static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

bool QueryMultiStringValue(platform::Registry& registry, platform::RegistryKey key,
                           const std::wstring& name, boost::shared_array<std::uint8_t>* bytes,
                           std::uint32_t* size) {
    std::uint32_t type = platform::kRegNone;
    std::uint32_t needed = 0;
    if (registry.QueryValue(key, name, &type, nullptr, &needed) != kErrorSuccess ||
        type != platform::kRegMultiSz || needed < 2) {
        return false;
    }
    boost::shared_array<std::uint8_t> buffer;
    try {
        buffer.reset(new std::uint8_t[needed]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::uint32_t read = needed;
    if (registry.QueryValue(key, name, nullptr, buffer.get(), &read) != kErrorSuccess) {
        return false;
    }
    *bytes = buffer;
    *size = std::min(read, needed);
    return true;
}

namespace {
[[noreturn]] void NotFound() { throw CallFailed("Registry Value not found"); }
}  // namespace

std::wstring ReadRegistryString(ProcessContext& ctx, const std::wstring& keyPath,
                                const std::wstring& valueName) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, keyPath, platform::kKeyRead, key.Receive()) !=
        kErrorSuccess) {
        NotFound();
    }

    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry.QueryValue(key.Get(), valueName, &type, nullptr, &size) != kErrorSuccess ||
        type != platform::kRegSz) {
        NotFound();
    }
    // One spare unit beyond the reported size, so that even a zero-byte value gets a buffer
    // of its own to be read into.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size) + 2, 0);
    std::uint32_t read = size;
    if (registry.QueryValue(key.Get(), valueName, &type, bytes.data(), &read) != kErrorSuccess ||
        type != platform::kRegSz) {
        NotFound();
    }
    // A REG_SZ need not carry its terminator: the text ends at the first zero or at the
    // bytes actually read, whichever comes first, never beyond.
    return CutAtTerminator(FromUtf16LeBytes(bytes.data(), read <= size ? read : size));
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
