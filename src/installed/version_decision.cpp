#include "installed/version_decision.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "core/process_exit.h"
#include "core/product_constants.h"
#include "core/registry_values.h"
#include "core/release.h"

namespace quorix {

namespace {

// A version text longer than this is not a version; it is not read at all.
constexpr std::uint32_t kLongestVersionText = 1024;
constexpr std::uint32_t kPartLimit = 0x10000;

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// wcstoul(start, &end, 10) with a 32-bit unsigned long: leading white space and one sign
// are accepted, a minus negates modulo 2^32, an overflow gives 0xFFFFFFFF, and without any
// digit the result is 0 with *end at `start` itself.
std::uint32_t ReadUnsignedDecimal(const wchar_t* start, const wchar_t** end) {
    const wchar_t* p = start;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    if (!IsDigit(*p)) {
        *end = start;
        return 0;
    }
    std::uint64_t value = 0;
    bool overflow = false;
    for (; IsDigit(*p); ++p) {
        if (!overflow) {
            value = value * 10 + static_cast<std::uint64_t>(*p - L'0');
            overflow = value > 0xFFFFFFFFu;
        }
    }
    *end = p;
    if (overflow) return 0xFFFFFFFFu;
    const auto magnitude = static_cast<std::uint32_t>(value);
    return negative ? 0u - magnitude : magnitude;
}

// The text of a filled buffer: at most `length` characters, never past the buffer's last
// character, and never past a terminator.
std::wstring BufferText(const wchar_t* buffer, std::size_t bufferSize, std::uint32_t length) {
    const std::size_t limit = std::min<std::size_t>(length, bufferSize - 1);
    const wchar_t* stop = std::find(buffer, buffer + limit, L'\0');
    return std::wstring(buffer, stop);
}

// One "VersionString" query, into a buffer of 32 characters with its whole capacity passed.
// A version that does not fit is read once more into a buffer of the reported length, so
// that a long version text of an installed copy does not make the copy look absent.
std::uint32_t QueryVersionString(platform::Installer& installer, const std::wstring& productCode,
                                 std::wstring* version) {
    wchar_t buffer[kVersionBufferCapacity] = {};
    std::uint32_t capacity = kVersionBufferCapacity;
    std::uint32_t result = installer.GetProductInfo(
        productCode, platform::kInstallPropertyVersionString, buffer, &capacity);
    if (result == kErrorSuccess) {
        *version = BufferText(buffer, kVersionBufferCapacity, capacity);
        return result;
    }
    if (result != kErrorMoreData || capacity > kLongestVersionText) return result;

    std::vector<wchar_t> larger(static_cast<std::size_t>(capacity) + 1, L'\0');
    std::uint32_t largerCapacity = capacity + 1;
    result = installer.GetProductInfo(productCode, platform::kInstallPropertyVersionString,
                                      larger.data(), &largerCapacity);
    if (result == kErrorSuccess) {
        *version = BufferText(larger.data(), larger.size(), largerCapacity);
    }
    return result;
}

}  // namespace

std::uint32_t GetInstalledVersion(ProcessContext& ctx, const std::wstring& productCode,
                                  std::wstring* version) {
    platform::Installer& installer = ctx.os.installer;
    version->clear();
    if (QueryVersionString(installer, productCode, version) == kErrorSuccess) return kErrorSuccess;

    bool haveCompatibilityCode = false;
    std::wstring compatibilityCode;
    try {
        compatibilityCode = ReadRegistryString(ctx, kCompatibilityKeyPath, kCompatibilityValueName);
        haveCompatibilityCode = true;
    } catch (const CallFailed&) {
        // No compatibility record: only the previous generation is left to ask about.
    }
    if (haveCompatibilityCode &&
        QueryVersionString(installer, compatibilityCode, version) == kErrorSuccess) {
        ctx.state.installedProductCode = compatibilityCode;
        return kErrorSuccess;
    }

    const std::uint32_t result =
        QueryVersionString(installer, kPreviousGenerationProductCode, version);
    if (result == kErrorSuccess) ctx.state.installedProductCode = kPreviousGenerationProductCode;
    return result;
}

HResult ParseVersion(const wchar_t* text, std::uint32_t* major, std::uint32_t* minor,
                     std::uint32_t* build, std::uint32_t* revision) {
    if (text == nullptr || major == nullptr || minor == nullptr || build == nullptr ||
        revision == nullptr) {
        return kEInvalidArg;
    }
    const wchar_t* end = text;
    const std::uint32_t part1 = ReadUnsignedDecimal(text, &end);
    if (*end != L'.' || part1 >= kPartLimit) return kEFail;
    const std::uint32_t part2 = ReadUnsignedDecimal(end + 1, &end);
    if (*end != L'.' || part2 >= kPartLimit) return kEFail;
    const std::uint32_t part3 = ReadUnsignedDecimal(end + 1, &end);
    if (part3 >= kPartLimit) return kEFail;
    std::uint32_t part4 = 0;
    if (*end == L'.') {
        part4 = ReadUnsignedDecimal(end + 1, &end);
        if (part4 >= kPartLimit) return kEFail;
    }
    *major = part1;
    *minor = part2;
    *build = part3;
    *revision = part4;
    return kSOk;
}

HResult GetRequiredMsiConfigureAction(ProcessContext& ctx, std::uint32_t versionLow,
                                      std::uint32_t versionHigh, const std::wstring& productCode,
                                      ConfigureAction* action) {
    const std::uint32_t major = versionHigh >> 16;
    const std::uint32_t minor = versionHigh & 0xFFFFu;
    const std::uint32_t build = versionLow >> 16;
    const std::uint32_t revision = versionLow & 0xFFFFu;

    *action = NoDecision;
    std::wstring version;
    const std::uint32_t result = GetInstalledVersion(ctx, productCode, &version);
    RunLog& log = ctx.state.log;
    if (result == kErrorUnknownProduct || result == kErrorUnknownProperty) {
        *action = NotInstalled;
        log.Write("decision", {"no copy found (the installer answered ", result,
                               " for this release's, the compatibility and the previous "
                               "generation's product codes): ",
                               ConfigureActionName(*action)});
        return kSOk;
    }
    if (result != kErrorSuccess) {
        log.Write("decision",
                  {"the installed version could not be read: installer error ", result});
        return HResultFromWin32(result);
    }

    std::uint32_t installedMajor = 0, installedMinor = 0, installedBuild = 0, installedRevision = 0;
    const HResult parsed = ParseVersion(version.c_str(), &installedMajor, &installedMinor,
                                        &installedBuild, &installedRevision);
    if (parsed != kSOk) {
        log.Write("decision", {"the version \"", version, "\" installed under ",
                               ctx.state.installedProductCode, " is no version"});
        FatalErrorExit(ctx, parsed, L"GetRequiredMsiConfigureAction1");
    }

    ctx.state.installedMajorVersion = installedMajor;

    if (installedMajor == major && installedMinor == minor && installedBuild == build &&
        installedRevision == revision) {
        *action = SameVersionInstalled;
    } else if (installedMajor < major) {
        *action = installedMajor >= kPreviousGenerationMajorVersion ? PreviousGenerationInstalled
                                                                    : OlderInstalled;
    } else if (installedMajor > major) {
        *action = NewerInstalled;
    } else {
        const bool releaseIsNewer = minor != installedMinor   ? minor > installedMinor
                                    : build != installedBuild ? build > installedBuild
                                                              : revision > installedRevision;
        *action = releaseIsNewer ? OlderInstalled : NewerInstalled;
    }
    log.Write("decision", {"installed ", ctx.state.installedProductCode, " version ", version,
                           ", this release ", major, ".", minor, ".", build, ".", revision, ": ",
                           ConfigureActionName(*action)});
    return kSOk;
}

}  // namespace quorix
