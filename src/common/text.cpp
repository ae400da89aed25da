#include "common/text.h"

namespace quorix {

std::wstring EnsureTrailingBackslash(std::wstring text) {
    if (text.empty() || text.back() != L'\\') text.push_back(L'\\');
    return text;
}

void FoldAsciiLowerInPlace(std::wstring& text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
}

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
        if (x != y) return false;
    }
    return true;
}

std::wstring ToDecimal(std::uint64_t value) {
    wchar_t digits[24];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::wstring text;
    text.reserve(n);
    while (n > 0) text.push_back(digits[--n]);
    return text;
}

namespace {

std::wstring Substitute(std::wstring_view format, std::initializer_list<std::wstring_view> args,
                        std::size_t limit) {
    std::wstring out;
    auto next = args.begin();
    auto append = [&](std::wstring_view piece) {
        if (out.size() >= limit) return;
        out.append(piece.substr(0, limit - out.size()));
    };
    for (std::size_t i = 0; i < format.size() && out.size() < limit; ++i) {
        if (format[i] == L'%' && i + 1 < format.size() && format[i + 1] == L's') {
            if (next != args.end()) append(*next++);
            ++i;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

}  // namespace

std::wstring FormatBounded(std::wstring_view format, std::initializer_list<std::wstring_view> args,
                           std::size_t capacity) {
    return Substitute(format, args, capacity == 0 ? 0 : capacity - 1);
}

std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args) {
    return Substitute(format, args, std::wstring::npos);
}

std::wstring WidenAscii(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
}

std::string NarrowAscii(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace quorix
