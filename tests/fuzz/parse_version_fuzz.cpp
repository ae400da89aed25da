// The installed-version text parser over arbitrary text (the installer hands back whatever
// the product registered). Input: UTF-16LE units; the text ends at the input's end, where a
// terminator is placed right after the last unit so that any read beyond it is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/result_codes.h"
#include "common/text.h"
#include "installed/version_decision.h"

namespace {

constexpr std::uint32_t kPartLimit = 0x10000;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// True when the text is plainly "a.b.c" or "a.b.c.d" with short decimal parts: such a text
// must be accepted with exactly these numbers. *parts receives them (d = 0 when missing).
bool IsPlainVersion(const wchar_t* text, std::size_t length, std::uint32_t parts[4],
                    std::size_t* count) {
    *count = 0;
    std::size_t i = 0;
    while (*count < 4) {
        std::size_t digits = 0;
        std::uint32_t value = 0;
        while (i < length && IsDigit(text[i]) && digits < 6) {
            value = value * 10 + static_cast<std::uint32_t>(text[i] - L'0');
            ++digits;
            ++i;
        }
        if (digits == 0 || digits == 6) return false;
        parts[(*count)++] = value;
        if (i == length) break;
        if (text[i] != L'.') return false;
        ++i;
    }
    if (i != length || *count < 3) return false;
    if (*count == 3) parts[3] = 0;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = size / 2;
    // An exact heap block of the units and one terminator.
    std::unique_ptr<wchar_t[]> text(new wchar_t[length + 1]);
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    text[length] = L'\0';

    std::uint32_t major = 0xDEAD, minor = 0xDEAD, build = 0xDEAD, revision = 0xDEAD;
    const quorix::HResult result =
        quorix::ParseVersion(text.get(), &major, &minor, &build, &revision);
    if (result != quorix::kSOk && result != quorix::kEFail) std::abort();
    if (result == quorix::kSOk) {
        if (major >= kPartLimit || minor >= kPartLimit || build >= kPartLimit ||
            revision >= kPartLimit) {
            std::abort();
        }
        // Accepted numbers written back plainly are accepted again, with the same numbers.
        const std::wstring again = quorix::ToDecimal(major) + L"." + quorix::ToDecimal(minor) +
                                   L"." + quorix::ToDecimal(build) + L"." +
                                   quorix::ToDecimal(revision);
        std::uint32_t parts[4] = {};
        if (quorix::ParseVersion(again.c_str(), &parts[0], &parts[1], &parts[2], &parts[3]) !=
                quorix::kSOk ||
            parts[0] != major || parts[1] != minor || parts[2] != build || parts[3] != revision) {
            std::abort();
        }
    } else if (major != 0xDEAD || minor != 0xDEAD || build != 0xDEAD || revision != 0xDEAD) {
        std::abort();  // a rejected text leaves the numbers alone
    }

    // A text without two dots can never be a version.
    std::size_t dots = 0;
    for (std::size_t i = 0; i < length && text[i] != L'\0'; ++i) dots += text[i] == L'.';
    if (dots < 2 && result == quorix::kSOk) std::abort();

    std::uint32_t plain[4] = {};
    std::size_t count = 0;
    if (IsPlainVersion(text.get(), length, plain, &count)) {
        const bool fits = plain[0] < kPartLimit && plain[1] < kPartLimit && plain[2] < kPartLimit &&
                          plain[3] < kPartLimit;
        if (fits != (result == quorix::kSOk)) std::abort();
        if (fits &&
            (major != plain[0] || minor != plain[1] || build != plain[2] || revision != plain[3])) {
            std::abort();
        }
    }
    return 0;
}
