#include "report/session_ids.h"

#include <climits>
#include <vector>

#include "common/result_codes.h"
#include "common/text.h"
#include "core/product_constants.h"
#include "core/registry_values.h"

namespace quorix {

namespace {

// The GUID texts are read into 128 bytes and parsed from at most 64 characters; a value name
// is read into 520 bytes (260 characters).
constexpr std::uint32_t kGuidValueBytes = 128;
constexpr std::size_t kGuidTextLimit = 64;
constexpr std::uint32_t kValueNameBytes = 520;

std::wstring TwoDigits(std::uint16_t value) {
    std::wstring text = ToDecimal(value);
    if (text.size() < 2) text.insert(text.begin(), L'0');
    return text;
}

// The GUID of a REG_SZ value, as IIDFromString accepts it.
std::optional<platform::Guid> ParseGuidValue(ProcessContext& ctx, platform::RegistryKey key,
                                             const std::wstring& name, std::wstring* text) {
    std::uint32_t type = platform::kRegNone;
    std::wstring value;
    if (!QueryBoundedText(ctx.os.registry, key, name, kGuidValueBytes, &value, &type) ||
        type != platform::kRegSz) {
        return std::nullopt;
    }
    if (value.size() > kGuidTextLimit) value.resize(kGuidTextLimit);
    platform::Guid guid;
    if (ctx.os.com.ParseIid(value, &guid) < 0) return std::nullopt;
    if (text != nullptr) *text = value;
    return guid;
}

// The GUID an earlier release's subkey names: its default value is the name of the value
// that holds the GUID's text.
std::optional<platform::Guid> ReadEarlierReleaseGuid(ProcessContext& ctx,
                                                     platform::RegistryKey setupKey,
                                                     std::wstring* text) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey subkey(registry);
    // The 2010 layout only counts where the 2011 subkey is missing altogether.
    if (registry.OpenKey(setupKey, kSetupKey2011, platform::kKeyRead, subkey.Receive()) !=
            kErrorSuccess &&
        registry.OpenKey(setupKey, kSetupKey2010, platform::kKeyRead, subkey.Receive()) !=
            kErrorSuccess) {
        return std::nullopt;
    }
    std::wstring valueName;
    if (!QueryBoundedText(registry, subkey.Get(), L"", kValueNameBytes, &valueName) ||
        valueName.empty()) {
        return std::nullopt;
    }
    return ParseGuidValue(ctx, subkey.Get(), valueName, text);
}

}  // namespace

std::wstring FormatSystemTime(const platform::SystemTime& time) {
    return ToDecimal(time.year) + L"-" + TwoDigits(time.month) + L"-" + TwoDigits(time.day) + L" " +
           TwoDigits(time.hour) + L":" + TwoDigits(time.minute) + L":" + TwoDigits(time.second);
}

std::wstring GuidToString(ProcessContext& ctx, const platform::Guid& guid) {
    std::wstring text;
    if (ctx.os.com.StringFromGuid(guid, platform::kGuidTextCapacity, &text) == 0) {
        throw CallFailed("StringFromGUID2 failed");
    }
    return text;
}

std::array<std::uint8_t, 16> GuidBytesInTextOrder(const platform::Guid& guid) {
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(guid.data1 >> (24 - 8 * i));
    bytes[4] = static_cast<std::uint8_t>(guid.data2 >> 8);
    bytes[5] = static_cast<std::uint8_t>(guid.data2);
    bytes[6] = static_cast<std::uint8_t>(guid.data3 >> 8);
    bytes[7] = static_cast<std::uint8_t>(guid.data3);
    for (std::size_t i = 0; i < 8; ++i) bytes[8 + i] = guid.data4[i];
    return bytes;
}

std::int32_t LeadingDecimal(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    // Accumulated as a magnitude one past the largest long, so that LONG_MIN itself fits.
    constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

std::optional<platform::Guid> FindInstallationGuid(ProcessContext& ctx,
                                                   platform::RegistryKey setupKey) {
    if (auto guid = ParseGuidValue(ctx, setupKey, L"", nullptr)) return guid;

    std::wstring text;
    std::optional<platform::Guid> earlier = ReadEarlierReleaseGuid(ctx, setupKey, &text);
    if (!earlier) return std::nullopt;
    platform::Registry& registry = ctx.os.registry;
    // The old subkeys go only once the GUID is safe in its new place.
    if (SetStringValue(registry, setupKey, L"", text) == kErrorSuccess) {
        registry.DeleteKey(setupKey, kSetupKey2011);
        registry.DeleteKey(setupKey, kSetupKey2010);
    }
    return earlier;
}

std::optional<platform::Guid> ReadInstallationGuid(ProcessContext& ctx) {
    platform::ComScope com(ctx.os.com);
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey setupKey(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, kSetupKeyPath,
                         platform::kKeyRead | platform::kKeySetValue,
                         setupKey.Receive()) != kErrorSuccess) {
        return std::nullopt;
    }
    return FindInstallationGuid(ctx, setupKey.Get());
}

}  // namespace quorix
