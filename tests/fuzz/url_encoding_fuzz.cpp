// The two encodings of the report query over arbitrary input. The percent-encoding must give
// a text the link server can take apart again unit by unit, the base64 one must decode to the
// very bytes given. Input: the bytes are both the base64 input and, read as UTF-16LE, the
// text to percent-encode (so surrogate pairs and lone surrogates occur too).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/utf16.h"
#include "report/url_encoding.h"

namespace {

bool StaysAsItIs(std::uint32_t unit) {
    return (unit >= '0' && unit <= '9') || (unit >= 'A' && unit <= 'Z') ||
           (unit >= 'a' && unit <= 'z') || unit == '-' || unit == ']' || unit == '.';
}

int LowerHexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;  // upper case is not what the server is sent
}

int Base64Value(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c - L'A';
    if (c >= L'a' && c <= L'z') return c - L'a' + 26;
    if (c >= L'0' && c <= L'9') return c - L'0' + 52;
    if (c == L'-') return 62;
    if (c == L'_') return 63;
    return -1;
}

void CheckPercentEncoding(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = quorix::FromUtf16LeBytes(data, size);
    const std::wstring encoded = quorix::UrlEncode(text);

    // Decode: every output piece stands for exactly one UTF-16 unit of the input.
    std::vector<std::uint32_t> decoded;  // 0x10000 stands for "some unit of 128 or more"
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const wchar_t c = encoded[i];
        if (c == L'%') {
            if (i + 2 >= encoded.size()) std::abort();  // a "%" needs two digits
            const int high = LowerHexValue(encoded[i + 1]);
            const int low = LowerHexValue(encoded[i + 2]);
            if (high < 0 || low < 0) std::abort();
            const std::uint32_t unit = static_cast<std::uint32_t>(high * 16 + low);
            if (unit >= 128 || StaysAsItIs(unit)) std::abort();  // escaped needlessly
            decoded.push_back(unit);
            i += 2;
        } else if (c == L'?') {
            decoded.push_back(0x10000);
        } else if (StaysAsItIs(static_cast<std::uint32_t>(c))) {
            decoded.push_back(static_cast<std::uint32_t>(c));
        } else {
            std::abort();  // nothing else may reach the URL unescaped
        }
    }

    std::vector<std::uint32_t> expected;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const std::uint32_t unit = data[i] | (data[i + 1] << 8);
        expected.push_back(unit >= 128 ? 0x10000 : unit);
    }
    if (decoded != expected) std::abort();
}

void CheckBase64(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> exact(data, data + size);
    const std::wstring encoded = quorix::Base64UrlEncode(exact.data(), exact.size());
    if (encoded.size() != (size + 2) / 3 * 4) std::abort();

    std::vector<std::uint8_t> decoded;
    for (std::size_t group = 0; group < encoded.size(); group += 4) {
        int values[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const wchar_t c = encoded[group + k];
            if (c == L'~') {
                // Padding only at the end of the last group, at most two.
                if (group + 4 != encoded.size() || k < 2) std::abort();
                values[k] = 0;
                ++padding;
            } else {
                if (padding != 0) std::abort();
                values[k] = Base64Value(c);
                if (values[k] < 0) std::abort();
            }
        }
        const std::uint32_t bits = (static_cast<std::uint32_t>(values[0]) << 18) |
                                   (static_cast<std::uint32_t>(values[1]) << 12) |
                                   (static_cast<std::uint32_t>(values[2]) << 6) |
                                   static_cast<std::uint32_t>(values[3]);
        decoded.push_back(static_cast<std::uint8_t>(bits >> 16));
        if (padding < 2) decoded.push_back(static_cast<std::uint8_t>(bits >> 8));
        if (padding < 1) decoded.push_back(static_cast<std::uint8_t>(bits));
        // The bits a padded group leaves over are zero: one text per byte block.
        if (padding == 2 && (bits & 0xFFFF) != 0) std::abort();
        if (padding == 1 && (bits & 0xFF) != 0) std::abort();
    }
    if (decoded != exact) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckPercentEncoding(data, size);
    CheckBase64(data, size);
    return 0;
}
