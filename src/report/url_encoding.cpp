#include "report/url_encoding.h"

namespace quorix {

namespace {

bool StaysAsItIs(std::uint32_t unit) {
    // The link server's set, not RFC 3986's unreserved one: "]" stays, while "_" and "~"
    // go out escaped.
    return (unit >= L'0' && unit <= L'9') || (unit >= L'A' && unit <= L'Z') ||
           (unit >= L'a' && unit <= L'z') || unit == L'-' || unit == L']' || unit == L'.';
}

constexpr wchar_t kLowerHex[] = L"0123456789abcdef";
constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr wchar_t kPadding = L'~';

}  // namespace

std::wstring UrlEncode(const std::wstring& text) {
    std::wstring encoded;
    encoded.reserve(text.size() * 3);
    for (wchar_t c : text) {
        const auto unit = static_cast<std::uint32_t>(c);
        if (unit > 0xFFFFu) {
            // A 32-bit wchar_t holds in one unit what Windows keeps as a surrogate pair.
            encoded += L"??";
        } else if (unit >= 128) {
            encoded += L'?';
        } else if (StaysAsItIs(unit)) {
            encoded += c;
        } else {
            encoded += L'%';
            encoded += kLowerHex[unit >> 4];
            encoded += kLowerHex[unit & 0xFu];
        }
    }
    return encoded;
}

std::wstring Base64UrlEncode(const std::uint8_t* bytes, std::size_t count) {
    std::wstring encoded;
    if (bytes == nullptr) return encoded;
    encoded.reserve((count + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const std::uint32_t group =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        encoded += kAlphabet[(group >> 18) & 0x3F];
        encoded += kAlphabet[(group >> 12) & 0x3F];
        encoded += kAlphabet[(group >> 6) & 0x3F];
        encoded += kAlphabet[group & 0x3F];
    }
    const std::size_t rest = count - i;
    if (rest == 1) {
        const std::uint32_t group = std::uint32_t{bytes[i]} << 16;
        encoded += kAlphabet[(group >> 18) & 0x3F];
        encoded += kAlphabet[(group >> 12) & 0x3F];
        encoded += kPadding;
        encoded += kPadding;
    } else if (rest == 2) {
        const std::uint32_t group =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8);
        encoded += kAlphabet[(group >> 18) & 0x3F];
        encoded += kAlphabet[(group >> 12) & 0x3F];
        encoded += kAlphabet[(group >> 6) & 0x3F];
        encoded += kPadding;
    }
    return encoded;
}

}  // namespace quorix
