// Stamping a distributor's tag into a signed executable (PE32 or PE32+), in memory.
//
// The tag goes into the certificate table right behind the signature blob, where the
// bootstrapper's reader looks for it (see package/tag_layout.h). The certificate table is
// excluded from the Authenticode hash, so the signature stays valid as long as the entry's
// dwLength and the security directory's size describe the grown table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorix::tag {

enum class StampStatus {
    Ok,
    NotPe,                      // no "MZ", no "PE\0\0", or headers cut short
    UnknownOptionalHeader,      // neither a PE32 nor a PE32+ optional header
    Unsigned,                   // no certificate table
    MalformedCertificateTable,  // table or entry lengths that contradict the file
    CertificateTableNotAtEnd,   // data follows the table
    MultipleCertificateEntries,
    UnsupportedSignatureBlob,  // not a DER SEQUENCE with a two-byte length (0x30 0x82)
    TagTooLong,                // over 65535 bytes
    ImageTooLarge,             // the tagged file would not fit 32-bit file offsets
};

// Writes "Gact", the big-endian 16-bit length and `tag` at the tag position of `image`,
// replacing whatever followed the signature blob (an older tag included), pads the entry
// to a multiple of 8 and updates the entry length, the security directory size and, when
// the file carries one, the PE checksum. On refusal returns the reason, fills *error (if
// given) with a sentence for the user and leaves `image` untouched.
StampStatus StampTag(std::vector<uint8_t>& image, const std::string& tag, std::string* error);

// The PE image checksum (as the loader and signing tools compute it) over `size` bytes,
// with the 4-byte checksum field at `checksumOffset` counted as zero.
uint32_t ComputePeChecksum(const uint8_t* image, uint64_t size, uint64_t checksumOffset);

// Checks that the program would pass `tag` to the installer whole, under the product's list of
// tag keys: every non-empty pair kept, the affiliate among them. Otherwise names the first pair
// it would drop and why, or says that the affiliate is missing.
bool CheckTagPassesWhole(const std::string& tag, std::string* error);

// What the program makes of the tag of `image` (PE32 or PE32+), as lines of text: the tag as
// stamped, the properties passed on to the installer, each pair dropped and why, the affiliate
// identifier and the flags; or that there is no tag, why, and the defaults used instead.
std::string DescribeTagOf(const std::vector<uint8_t>& image);

}  // namespace quorix::tag
