// Where a distributor's tag sits inside a signed executable, and how to read it back.
//
// The tag lives in the certificate table, directly behind the Authenticode signature blob:
// the table is not covered by the signature's own hash, so a signed file can be re-tagged
// without re-signing it. Everything here works on plain file bytes (a mapped view or a
// buffer) and never looks past `size`, whatever the file claims about its own layout.
#pragma once

#include <cstdint>

namespace quorix::tag {

// "Gact" followed by the 16-bit big-endian text length.
constexpr uint8_t kTagMagic[4] = {0x47, 0x61, 0x63, 0x74};
constexpr uint32_t kTagHeaderSize = 6;
constexpr uint32_t kMaxTagTextLength = 0xFFFF;

// File offset of the PE header's pointer; the optional header's magic and the security
// directory entry relative to the "PE\0\0" signature. The entry sits 16 bytes further on in
// the 64-bit (PE32+) optional header, whose image base and stack sizes are 64-bit fields.
constexpr uint32_t kPeHeaderPointerOffset = 0x3C;
constexpr uint32_t kOptionalHeaderMagicOffset = 24;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kSecurityDirectoryOffset = 0x98;
constexpr uint32_t kSecurityDirectoryOffsetPe32Plus = 0xA8;
constexpr uint32_t kWinCertificateHeaderSize = 8;

// The security directory entry's offset from the PE signature for an optional-header magic:
// 0xA8 for PE32+, 0x98 for everything else (what the reader has always used).
constexpr uint32_t SecurityDirectoryOffsetFor(uint16_t optionalHeaderMagic) {
    return optionalHeaderMagic == kPe32PlusMagic ? kSecurityDirectoryOffsetPe32Plus
                                                 : kSecurityDirectoryOffset;
}

struct TagLocation {
    uint32_t certificateEntryOffset;  // file offset of the WIN_CERTIFICATE entry
    uint32_t tagOffset;               // tag position relative to that entry
};

// Finds where the tag belongs: "MZ", the PE signature through e_lfanew, the security
// directory entry for the optional header's kind (PE32 or PE32+), a non-zero
// certificate table offset, and a DER SEQUENCE with a two-byte length (0x30 0x82) at
// entry + 8. The tag then starts behind the blob, rounded up to a multiple of 8.
// Returns false (leaving *out untouched) when a check fails or a byte it must examine lies
// outside `size`. Does not check that a tag is actually there: that is ReadTagText's job.
bool LocateTag(const uint8_t* image, uint64_t size, TagLocation* out);

// Reads the tag at image + entry + tagOffset: "Gact", the length N, then N text bytes.
// The whole of it must lie inside `size`; otherwise, or without the "Gact" magic, returns
// false. On success *text points at the N bytes inside `image` (no terminator; a zero
// byte inside the text is left to the caller) and *length = N.
bool ReadTagText(const uint8_t* image, uint64_t size, const TagLocation& at, const uint8_t** text,
                 uint16_t* length);

// Offset of the tag relative to the certificate entry for a DER content length L:
// the blob (L + 4 bytes) behind the 8-byte entry header, rounded up to a multiple of 8.
constexpr uint32_t TagOffsetForDerLength(uint16_t derContentLength) {
    return (static_cast<uint32_t>(derContentLength) + 19u) & ~7u;
}

}  // namespace quorix::tag
