// How a PE file is signed, for `stamp-tag --show`: each Authenticode signature (the primary one
// and the ones nested in it), its digest, its signer's subject, whether it carries a timestamp,
// and whether its signed hash still matches the file's bytes. The last one is what a distributor
// wants to know after tagging: the tag sits in the certificate table, which the hash leaves out,
// so a correctly tagged copy keeps every hash.
//
// Reads the PKCS#7 blob with a small DER walker and computes the Authenticode hash itself
// (SHA-1, SHA-256): no certificate chain is verified here, that is osslsigncode's job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorix::tag {

struct SignatureInfo {
    int depth = 0;             // 0 the primary signature, 1 nested in it, ...
    std::string digest;        // "SHA-1", "SHA-256", ... or the algorithm's OID
    std::string signer;        // the signing certificate's subject, "CN=..., O=..."
    std::string timestamp;     // "" none; "RFC 3161, <time>" or "Authenticode counter-signature"
    bool hashKnown = false;    // the digest is one this reader computes
    bool hashMatches = false;  // the signed hash equals the file's Authenticode hash
};

// Every signature of `image`, primary first, then nested ones in order. Empty when the file
// carries no signature this reader understands; *error then says why.
std::vector<SignatureInfo> ReadSignatures(const std::vector<uint8_t>& image, std::string* error);

// ReadSignatures as lines of text for --show.
std::string DescribeSignaturesOf(const std::vector<uint8_t>& image);

// The Authenticode hash of `image` with `digest` ("SHA-1" or "SHA-256"): every byte except
// the PE checksum, the security directory entry and the certificate table.
std::vector<uint8_t> AuthenticodeHash(const std::vector<uint8_t>& image, const std::string& digest);

}  // namespace quorix::tag
