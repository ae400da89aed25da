#include "stamp.h"

#include <algorithm>
#include <cstddef>

#include "package/tag_filter.h"
#include "package/tag_layout.h"

namespace quorix::tag {
namespace {

constexpr uint32_t kOptionalHeaderSizeOffset = 20;  // in the file header behind "PE\0\0"
constexpr uint32_t kOptionalHeaderOffset = kOptionalHeaderMagicOffset;  // behind the file header
constexpr uint32_t kChecksumOffset = kOptionalHeaderOffset + 64;        // the same in both kinds
constexpr uint32_t kSecurityDirectoryIndex = 4;

// What differs between the 32-bit and the 64-bit optional header: where the data directories
// start (NumberOfRvaAndSizes is the field just before them), and so where the security entry is.
struct OptionalHeaderLayout {
    uint32_t directories;        // offset of the first data directory within the optional header
    uint32_t securityDirectory;  // offset of the security entry from the PE signature
};

bool LayoutFor(uint16_t magic, OptionalHeaderLayout* layout) {
    if (magic == kPe32Magic) {
        *layout = {96, kSecurityDirectoryOffset};
    } else if (magic == kPe32PlusMagic) {
        *layout = {112, kSecurityDirectoryOffsetPe32Plus};
    } else {
        return false;
    }
    return true;
}

bool Inside(uint64_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void WriteLe32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

uint64_t RoundUp8(uint64_t value) { return (value + 7) & ~static_cast<uint64_t>(7); }

StampStatus Refuse(StampStatus status, const char* why, std::string* error) {
    if (error != nullptr) {
        *error = why;
    }
    return status;
}

}  // namespace

uint32_t ComputePeChecksum(const uint8_t* image, uint64_t size, uint64_t checksumOffset) {
    // Byte-wise, so that a checksum field at an odd offset is still left out exactly.
    auto byteAt = [&](uint64_t i) -> uint32_t {
        if (i >= size || (i >= checksumOffset && i - checksumOffset < 4)) {
            return 0;
        }
        return image[i];
    };
    uint64_t sum = 0;
    for (uint64_t i = 0; i < size; i += 2) {
        sum += byteAt(i) | (byteAt(i + 1) << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>((sum & 0xFFFF) + size);
}

StampStatus StampTag(std::vector<uint8_t>& image, const std::string& tag, std::string* error) {
    if (tag.size() > kMaxTagTextLength) {
        return Refuse(StampStatus::TagTooLong,
                      "the tag is longer than 65535 bytes, the most its 16-bit length can hold",
                      error);
    }
    const uint8_t* bytes = image.data();
    const uint64_t size = image.size();
    if (!Inside(size, 0, kPeHeaderPointerOffset + 4) || bytes[0] != 'M' || bytes[1] != 'Z') {
        return Refuse(StampStatus::NotPe, "not a PE file (no \"MZ\" header)", error);
    }
    const uint64_t pe = ReadLe32(bytes + kPeHeaderPointerOffset);
    if (!Inside(size, pe, kOptionalHeaderOffset + 2) || bytes[pe] != 'P' || bytes[pe + 1] != 'E' ||
        bytes[pe + 2] != 0 || bytes[pe + 3] != 0) {
        return Refuse(StampStatus::NotPe, "not a PE file (no \"PE\" signature)", error);
    }
    OptionalHeaderLayout layout{};
    if (!LayoutFor(ReadLe16(bytes + pe + kOptionalHeaderOffset), &layout)) {
        return Refuse(StampStatus::UnknownOptionalHeader,
                      "the optional header is neither a 32-bit (PE32) nor a 64-bit (PE32+) one",
                      error);
    }
    const uint32_t securityDirectory = layout.securityDirectory;
    // The optional header must reach at least to the end of the security directory entry.
    const uint32_t minOptionalHeaderSize = layout.directories + (kSecurityDirectoryIndex + 1) * 8;
    const uint16_t optionalHeaderSize = ReadLe16(bytes + pe + kOptionalHeaderSizeOffset);
    if (!Inside(size, pe, securityDirectory + 8) || optionalHeaderSize < minOptionalHeaderSize ||
        ReadLe32(bytes + pe + kOptionalHeaderOffset + layout.directories - 4) <=
            kSecurityDirectoryIndex) {
        return Refuse(StampStatus::Unsigned,
                      "the file is not signed (its optional header has no security directory)",
                      error);
    }

    const uint32_t table = ReadLe32(bytes + pe + securityDirectory);
    const uint32_t tableSize = ReadLe32(bytes + pe + securityDirectory + 4);
    if (table == 0 || tableSize == 0) {
        return Refuse(StampStatus::Unsigned, "the file is not signed (no certificate table)",
                      error);
    }
    if (!Inside(size, table, tableSize)) {
        return Refuse(StampStatus::MalformedCertificateTable,
                      "the certificate table runs past the end of the file", error);
    }
    // The table has to grow or shrink with the tag, which would move whatever follows it and
    // break anything that finds those bytes by file offset. Verifiers also ignore a signature
    // that does not end the file (osslsigncode: "PE signature not at the end of the file"),
    // so such a file could not be a validly signed one to begin with.
    if (static_cast<uint64_t>(table) + tableSize != size) {
        return Refuse(StampStatus::CertificateTableNotAtEnd,
                      "the certificate table is not at the end of the file (data follows it)",
                      error);
    }
    if (tableSize < kWinCertificateHeaderSize + 4) {
        return Refuse(StampStatus::MalformedCertificateTable,
                      "the certificate table is too short to hold a signature", error);
    }
    const uint32_t entryLength = ReadLe32(bytes + table);
    if (entryLength < kWinCertificateHeaderSize + 4 || entryLength > tableSize) {
        return Refuse(StampStatus::MalformedCertificateTable,
                      "the certificate entry's length contradicts the certificate table", error);
    }
    // Entries are padded to 8 bytes; anything beyond the first entry's padding is a second
    // certificate that the tag would overwrite.
    if (RoundUp8(entryLength) < tableSize) {
        return Refuse(StampStatus::MultipleCertificateEntries,
                      "the certificate table holds more than one certificate entry", error);
    }
    const uint8_t* blob = bytes + table + kWinCertificateHeaderSize;
    if (blob[0] != 0x30 || blob[1] != 0x82) {
        return Refuse(StampStatus::UnsupportedSignatureBlob,
                      "the signature blob does not start with a DER SEQUENCE with a two-byte "
                      "length (0x30 0x82), so the tag reader could not find a tag behind it",
                      error);
    }
    const uint16_t derLength = static_cast<uint16_t>((blob[2] << 8) | blob[3]);
    if (kWinCertificateHeaderSize + 4u + derLength > entryLength) {
        return Refuse(StampStatus::MalformedCertificateTable,
                      "the signature blob is longer than its certificate entry", error);
    }

    const uint32_t tagOffset = TagOffsetForDerLength(derLength);
    const uint64_t newEntryLength = RoundUp8(uint64_t{tagOffset} + kTagHeaderSize + tag.size());
    if (table + newEntryLength > 0xFFFFFFFFu) {
        return Refuse(StampStatus::ImageTooLarge, "the tagged file would be larger than 4 GiB",
                      error);
    }

    // Everything behind the blob's padding (an older tag, if any) is replaced.
    image.resize(table + tagOffset);
    image.insert(image.end(), kTagMagic, kTagMagic + 4);
    image.push_back(static_cast<uint8_t>(tag.size() >> 8));
    image.push_back(static_cast<uint8_t>(tag.size()));
    image.insert(image.end(), tag.begin(), tag.end());
    image.resize(table + newEntryLength, 0);

    uint8_t* out = image.data();
    WriteLe32(out + table, static_cast<uint32_t>(newEntryLength));
    WriteLe32(out + pe + securityDirectory + 4, static_cast<uint32_t>(newEntryLength));
    // A zero checksum means "not computed" and stays so; a real one must match the new bytes.
    const uint64_t checksumAt = pe + kChecksumOffset;
    if (ReadLe32(out + checksumAt) != 0) {
        WriteLe32(out + checksumAt, ComputePeChecksum(out, image.size(), checksumAt));
    }
    if (error != nullptr) {
        error->clear();
    }
    return StampStatus::Ok;
}

bool CheckTagPassesWhole(const std::string& tag, std::string* error) {
    const FilteredTag filtered = FilterTag(tag, ProductTagKeys());
    // The program stops reading at a 0 byte; what follows it would be silently lost.
    if (tag.find('\0') != std::string::npos) {
        *error = "the tag holds a 0 byte, which ends it for the program";
        return false;
    }
    if (!filtered.dropped.empty()) {
        const DroppedPair& first = filtered.dropped.front();
        *error = "the program would drop the pair \"" + first.text +
                 "\": " + DescribeDropReason(first.reason);
        return false;
    }
    return true;
}

namespace {

// Why the program finds no tag in an image where LocateTag or ReadTagText failed.
std::string WhyNoTag(const std::vector<uint8_t>& image, bool located, const TagLocation& at) {
    const uint64_t tag = located ? uint64_t{at.certificateEntryOffset} + at.tagOffset : 0;
    if (located && Inside(image.size(), tag, kTagHeaderSize) &&
        std::equal(kTagMagic, kTagMagic + 4, image.begin() + static_cast<std::ptrdiff_t>(tag))) {
        return "the tag's length runs past the end of the file";
    }
    // The stamper's own checks name what is wrong with the headers or the table.
    std::vector<uint8_t> copy = image;
    std::string why;
    if (StampTag(copy, std::string(), &why) != StampStatus::Ok) return why;
    return "the file is signed, but nothing is stamped behind its signature (no \"Gact\")";
}

void AppendOutcome(const PassedTag& passed, std::string* out) {
    *out += "properties passed on: " + PropertiesOf(passed.pairs) + "\n";
    *out += "affiliate id: " + passed.affiliateId + "\n";
    *out += "flags: " + passed.affiliateFlags + "\n";
}

}  // namespace

std::string DescribeTagOf(const std::vector<uint8_t>& image) {
    std::string out;
    TagLocation at{};
    const bool located = LocateTag(image.data(), image.size(), &at);
    const uint8_t* text = nullptr;
    uint16_t length = 0;
    if (!located || !ReadTagText(image.data(), image.size(), at, &text, &length)) {
        out += "no tag: " + WhyNoTag(image, located, at) + "\n";
        out +=
            "the program warns \"No AID Config found.  Using default values.\" and uses "
            "its default tag\n";
        AppendOutcome(PassOn(FilterTag(std::string(kDefaultTagText), ProductTagKeys())), &out);
        return out;
    }
    const std::string stamped(reinterpret_cast<const char*>(text), length);
    out += "tag: " + stamped.substr(0, stamped.find('\0')) + "\n";
    const FilteredTag filtered = FilterTag(text, length, ProductTagKeys());
    for (const DroppedPair& dropped : filtered.dropped) {
        out += "dropped: " + dropped.text + " (" + DescribeDropReason(dropped.reason) + ")\n";
    }
    const PassedTag passed = PassOn(filtered);
    if (passed.defaultAffiliate) {
        out += std::string("the tag keeps no ") + kAffiliateIdKey +
               ": the program passes its default affiliate first\n";
    }
    AppendOutcome(passed, &out);
    return out;
}

}  // namespace quorix::tag
