// The one place where texts meet their bytes: UTF-16LE (registry values, installer texts) and
// UTF-8 (the run log).
// wchar_t is 16 bits wide on Windows and 32 bits on the host: on Windows both directions are
// plain copies, on the host characters beyond U+FFFF become surrogate pairs and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorix {

// The text as UTF-16LE bytes, with a terminating zero unit when asked for (REG_SZ style:
// 2 x characters + 2 bytes).
std::vector<std::uint8_t> ToUtf16LeBytes(std::wstring_view text, bool withTerminator);

// Appends the text's UTF-16LE bytes followed by one zero unit.
void AppendUtf16LeTerminated(std::vector<std::uint8_t>& bytes, std::wstring_view text);

// Every whole 16-bit unit of the bytes as text; an odd last byte is dropped. Zero units are
// kept: cutting at a terminator is the caller's decision.
std::wstring FromUtf16LeBytes(const std::uint8_t* bytes, std::size_t byteCount);

// The text as UTF-8. Surrogate pairs (16-bit wchar_t) become one character; a lone surrogate,
// which no UTF-8 text may carry, becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

// The text up to its first zero character (all of it when there is none).
std::wstring CutAtTerminator(std::wstring text);

}  // namespace quorix
