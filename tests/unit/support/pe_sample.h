// Minimal signed 32-bit PE images, built in memory, for tests of the tag reader and stamper.
//
// The default sample is what a tagged bootstrapper looks like to the reader: "MZ" with
// e_lfanew = 0x80, "PE\0\0", a 32-bit optional header whose security directory points at a
// certificate table at 0x200, one WIN_CERTIFICATE entry (revision 0x0200, type 2) holding a
// fake DER blob 0x30 0x82 L(BE16) + L filler bytes, and the tag "Gact" N(BE16) + text right
// behind the blob's 8-byte padding. The entry (and the table) are padded to 8 bytes and end
// the file. Every field of PeSampleSpec spoils one thing; the rest stays valid.
//
//   quorix::test::PeSampleSpec spec;
//   spec.tagText = "A=b";
//   quorix::test::PeSample sample = quorix::test::BuildPeSample(spec);
//   // sample.image, sample.certificateEntryOffset, sample.tagOffset ...
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorix::test {

inline constexpr const char kDefaultSampleTag[] =
    "AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0";

// Where the image is cut short, after everything else was built.
enum class PeSampleCut {
    None,
    InsideDosHeader,        // e_lfanew incomplete
    InsidePeHeader,         // the security directory entry incomplete
    InsideSignatureHeader,  // 0x30 0x82 and only the first length byte
    InsideSignatureBlob,    // half of the DER content: the tag position lies past the end
    AtTagStart,             // the image ends exactly where the tag starts
    InsideTagHeader,        // "Gact" and one of the two length bytes
    InsideTagText,          // the text's last byte missing (no-op for an empty text)
};

struct PeSampleSpec {
    bool dosSignature = true;           // false: "ZM" instead of "MZ"
    bool peSignature = true;            // false: "PX\0\0" instead of "PE\0\0"
    bool pe32Plus = false;              // 64-bit optional header (security entry at PE + 0xA8)
    bool signedImage = true;            // false: no certificate table, security directory 0
    uint8_t derLengthForm = 0x82;       // second blob byte; 0x81 = the one-byte length form. The
                                        // blob is 0x30, this byte, BE16 length, content either way.
    uint16_t derContentLength = 0x1F3;  // L; odd, so the tag position needs the rounding
    bool tagPresent = true;             // false: the entry ends behind the blob's padding
    std::string tagMagic = "Gact";      // the 4 bytes written before the length
    std::string tagText = kDefaultSampleTag;    // any bytes, zero bytes included
    std::optional<uint16_t> declaredTagLength;  // N written instead of tagText.size()
    uint32_t checksum = 0;                      // written as-is into the optional header
    uint32_t bytesAfterTable = 0;               // filler appended behind the certificate table
    PeSampleCut cut = PeSampleCut::None;
};

struct PeSample {
    std::vector<uint8_t> image;
    uint32_t peHeaderOffset = 0;
    uint32_t certificateEntryOffset = 0;  // 0 when unsigned
    uint32_t tagOffset = 0;    // where the tag belongs, relative to the entry (tag or not)
    uint32_t entryLength = 0;  // dwLength = security directory size, padding included

    uint64_t TagFileOffset() const { return uint64_t{certificateEntryOffset} + tagOffset; }
};

PeSample BuildPeSample(const PeSampleSpec& spec = PeSampleSpec());

// Writes a 32-bit little-endian value into an image (for tests that spoil a built sample).
void PutLe32(std::vector<uint8_t>& image, uint64_t at, uint32_t value);

// Locates and reads the tag of an image as the bootstrapper's reader does: its text, or false.
bool ReadTagBack(const std::vector<uint8_t>& image, std::string* text);

}  // namespace quorix::test
