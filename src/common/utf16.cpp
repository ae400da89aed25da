#include "common/utf16.h"

namespace quorix {

namespace {

void PushUnit(std::vector<std::uint8_t>& bytes, std::uint32_t unit) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFFu));
    bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFFu));
}

void AppendUnits(std::vector<std::uint8_t>& bytes, std::wstring_view text) {
    for (wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (sizeof(wchar_t) > 2 && code > 0xFFFFu && code <= 0x10FFFFu) {
            const std::uint32_t v = code - 0x10000u;
            PushUnit(bytes, 0xD800u + (v >> 10));
            PushUnit(bytes, 0xDC00u + (v & 0x3FFu));
        } else {
            // Values past U+10FFFF cannot come from a Windows text; keep their low unit.
            PushUnit(bytes, code & 0xFFFFu);
        }
    }
}

}  // namespace

std::vector<std::uint8_t> ToUtf16LeBytes(std::wstring_view text, bool withTerminator) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2 + 2);
    AppendUnits(bytes, text);
    if (withTerminator) PushUnit(bytes, 0);
    return bytes;
}

void AppendUtf16LeTerminated(std::vector<std::uint8_t>& bytes, std::wstring_view text) {
    AppendUnits(bytes, text);
    PushUnit(bytes, 0);
}

std::wstring FromUtf16LeBytes(const std::uint8_t* bytes, std::size_t byteCount) {
    std::wstring text;
    if (bytes == nullptr) return text;
    const std::size_t units = byteCount / 2;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit =
            bytes[2 * i] | (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
        if (sizeof(wchar_t) > 2 && unit >= 0xD800u && unit <= 0xDBFFu && i + 1 < units) {
            const std::uint32_t low =
                bytes[2 * i + 2] | (static_cast<std::uint32_t>(bytes[2 * i + 3]) << 8);
            if (low >= 0xDC00u && low <= 0xDFFFu) {
                text.push_back(
                    static_cast<wchar_t>(0x10000u + ((unit - 0xD800u) << 10) + (low - 0xDC00u)));
                ++i;
                continue;
            }
        }
        // An unpaired surrogate stays a unit of its own, as Windows keeps it.
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

std::wstring CutAtTerminator(std::wstring text) {
    const std::size_t zero = text.find(L'\0');
    if (zero != std::wstring::npos) text.resize(zero);
    return text;
}

}  // namespace quorix
