#include "package/tag_layout.h"

namespace quorix::tag {
namespace {

// True when [offset, offset + length) lies inside an image of `size` bytes. The offsets
// handled here are at most 32 bits plus a small constant, so the 64-bit sum cannot wrap.
bool Inside(uint64_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

}  // namespace

bool LocateTag(const uint8_t* image, uint64_t size, TagLocation* out) {
    if (image == nullptr || out == nullptr) {
        return false;
    }
    if (!Inside(size, 0, 2) || image[0] != 'M' || image[1] != 'Z') {
        return false;
    }
    if (!Inside(size, kPeHeaderPointerOffset, 4)) {
        return false;
    }
    const uint64_t pe = ReadLe32(image + kPeHeaderPointerOffset);
    if (!Inside(size, pe, 4) || image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 ||
        image[pe + 3] != 0) {
        return false;
    }
    if (!Inside(size, pe + kOptionalHeaderMagicOffset, 2)) {
        return false;
    }
    const uint32_t directory =
        SecurityDirectoryOffsetFor(ReadLe16(image + pe + kOptionalHeaderMagicOffset));
    if (!Inside(size, pe + directory, 4)) {
        return false;
    }
    const uint32_t entry = ReadLe32(image + pe + directory);
    if (entry == 0) {
        return false;  // not signed
    }
    // 0x30 0x82 and the two length bytes behind the entry header.
    if (!Inside(size, static_cast<uint64_t>(entry) + kWinCertificateHeaderSize, 4)) {
        return false;
    }
    const uint8_t* blob = image + entry + kWinCertificateHeaderSize;
    if (blob[0] != 0x30 || blob[1] != 0x82) {
        return false;
    }
    out->certificateEntryOffset = entry;
    out->tagOffset = TagOffsetForDerLength(ReadBe16(blob + 2));
    return true;
}

bool ReadTagText(const uint8_t* image, uint64_t size, const TagLocation& at, const uint8_t** text,
                 uint16_t* length) {
    if (image == nullptr || text == nullptr || length == nullptr) {
        return false;
    }
    const uint64_t tag = static_cast<uint64_t>(at.certificateEntryOffset) + at.tagOffset;
    if (!Inside(size, tag, kTagHeaderSize)) {
        return false;
    }
    const uint8_t* header = image + tag;
    for (int i = 0; i < 4; ++i) {
        if (header[i] != kTagMagic[i]) {
            return false;
        }
    }
    const uint16_t n = ReadBe16(header + 4);
    if (!Inside(size, tag + kTagHeaderSize, n)) {
        return false;
    }
    *text = header + kTagHeaderSize;
    *length = n;
    return true;
}

}  // namespace quorix::tag
