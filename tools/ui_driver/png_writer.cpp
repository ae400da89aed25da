#include "png_writer.h"

#include <array>

namespace quorix::uidriver {
namespace {

constexpr int kMaxSide = 8192;
constexpr std::size_t kStoredBlockMax = 65535;

void PutBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
    out.push_back(static_cast<unsigned char>(value >> 24));
    out.push_back(static_cast<unsigned char>(value >> 16));
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

void PutChunk(std::vector<unsigned char>& out, const char type[4],
              const std::vector<unsigned char>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data, not the length.
    PutBigEndian(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

}  // namespace

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t Adler32(const unsigned char* data, std::size_t size) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

std::vector<unsigned char> EncodePng(const Pixels& pixels) {
    if (pixels.width <= 0 || pixels.height <= 0 || pixels.width > kMaxSide ||
        pixels.height > kMaxSide ||
        pixels.bgra.size() != static_cast<std::size_t>(pixels.width) * pixels.height) {
        return {};
    }
    // Scan lines: filter type 0 (none), then red, green, blue.
    const std::size_t rowBytes = 1 + static_cast<std::size_t>(pixels.width) * 3;
    std::vector<unsigned char> raw;
    raw.reserve(rowBytes * static_cast<std::size_t>(pixels.height));
    for (int y = 0; y < pixels.height; ++y) {
        raw.push_back(0);
        const std::uint32_t* row = pixels.bgra.data() + static_cast<std::size_t>(y) * pixels.width;
        for (int x = 0; x < pixels.width; ++x) {
            raw.push_back(static_cast<unsigned char>(row[x] >> 16));
            raw.push_back(static_cast<unsigned char>(row[x] >> 8));
            raw.push_back(static_cast<unsigned char>(row[x]));
        }
    }

    // zlib stream: header (deflate, 32 KiB window, no dictionary), stored blocks, Adler-32.
    std::vector<unsigned char> zlib = {0x78, 0x01};
    std::size_t done = 0;
    do {
        const std::size_t n =
            raw.size() - done < kStoredBlockMax ? raw.size() - done : kStoredBlockMax;
        const bool last = done + n == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<unsigned char>(n));
        zlib.push_back(static_cast<unsigned char>(n >> 8));
        zlib.push_back(static_cast<unsigned char>(~n));
        zlib.push_back(static_cast<unsigned char>(~n >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(done),
                    raw.begin() + static_cast<long>(done + n));
        done += n;
    } while (done < raw.size());
    PutBigEndian(zlib, Adler32(raw.data(), raw.size()));

    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<std::uint32_t>(pixels.width));
    PutBigEndian(header, static_cast<std::uint32_t>(pixels.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, adaptive, none

    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", {});
    return out;
}

}  // namespace quorix::uidriver
