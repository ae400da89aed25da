// How the probe's commands write numbers and read their arguments.
#pragma once

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "common/text.h"

namespace quorix::probe {

// "0x" and eight upper-case hex digits: HRESULTs, attributes.
inline std::wstring Hex32(std::uint32_t value) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text = L"0x00000000";
    for (std::size_t i = 9; i >= 2; --i, value >>= 4) text[i] = kDigits[value & 0xF];
    return text;
}

// A signed number in base 10 (UI levels and install states can be negative).
inline std::wstring SignedDecimal(std::int64_t value) {
    return value < 0 ? L"-" + ToDecimal(static_cast<std::uint64_t>(-value))
                     : ToDecimal(static_cast<std::uint64_t>(value));
}

// A whole argument as an unsigned decimal number; false when it is anything else.
inline bool ParseUnsigned(const std::wstring& text, std::uint32_t* value) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        number = number * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (number > 0xFFFFFFFFu) return false;
    *value = static_cast<std::uint32_t>(number);
    return true;
}

// Usage errors end a command with 2, after a line on the error stream.
inline int UsageError(const wchar_t* message) {
    std::fwprintf(stderr, L"quorix-probe: %ls\n", message);
    return 2;
}

}  // namespace quorix::probe
