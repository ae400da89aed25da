#include "installed/registry_string.h"

#include <stdexcept>
#include <vector>

#include "common/result_codes.h"
#include "common/utf16.h"

namespace quorix {

namespace {
[[noreturn]] void NotFound() { throw std::runtime_error("Registry Value not found"); }
}  // namespace

std::wstring ReadRegistryString(ProcessContext& ctx, const std::wstring& keyPath,
                                const std::wstring& valueName) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, keyPath, platform::kKeyRead,
                         key.Receive()) != kErrorSuccess) {
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

}  // namespace quorix
