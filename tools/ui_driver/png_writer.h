// PNG files of the driver's screenshots: truecolour, 8 bits a channel, no interlace. The
// deflate stream uses stored blocks only, so the writer needs no compression library; the
// scenarios recompress the few pictures they keep.
#pragma once

#include <cstdint>
#include <vector>

#include "screen_capture.h"

namespace quorix::uidriver {

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const unsigned char* data, std::size_t size);

// The whole file; empty when the picture has no pixels or is too large for the writer.
std::vector<unsigned char> EncodePng(const Pixels& pixels);

}  // namespace quorix::uidriver
