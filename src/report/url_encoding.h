// The encodings of the report query: percent-encoding of texts and the URL-safe base64 of
// the installation identifier.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorix {

// Percent-encodes a text one UTF-16 unit at a time: letters, digits, "-", "]" and "." stay,
// units of 128 or more become "?", everything else "%" and two lower-case hex digits.
std::wstring UrlEncode(const std::wstring& text);

// Base64 over "A-Z a-z 0-9 - _" with "~" as the padding character.
std::wstring Base64UrlEncode(const std::uint8_t* bytes, std::size_t count);

}  // namespace quorix
