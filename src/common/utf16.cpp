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

namespace {

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80u) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800u) {
        out.push_back(static_cast<char>(0xC0u | (code >> 6)));
        out.push_back(static_cast<char>(0x80u | (code & 0x3Fu)));
    } else if (code < 0x10000u) {
        out.push_back(static_cast<char>(0xE0u | (code >> 12)));
        out.push_back(static_cast<char>(0x80u | ((code >> 6) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | (code & 0x3Fu)));
    } else {
        out.push_back(static_cast<char>(0xF0u | (code >> 18)));
        out.push_back(static_cast<char>(0x80u | ((code >> 12) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | ((code >> 6) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | (code & 0x3Fu)));
    }
}

bool IsHighSurrogate(std::uint32_t code) { return code >= 0xD800u && code <= 0xDBFFu; }
bool IsLowSurrogate(std::uint32_t code) { return code >= 0xDC00u && code <= 0xDFFFu; }

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    constexpr std::uint32_t kReplacement = 0xFFFDu;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = static_cast<std::uint32_t>(text[i]);
        if (IsHighSurrogate(code) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) {
            code = 0x10000u + ((code - 0xD800u) << 10) +
                   (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00u);
            ++i;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFFu) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

}  // namespace quorix
