// How a PE file is signed, for `stamp-tag --show`: each Authenticode signature (the primary one
// and the ones nested in it), its digest, its signer's subject, whether it carries a timestamp,
// and whether its signed hash still matches the file's bytes. The last one is what a distributor
// wants to know after tagging: the tag sits in the certificate table, which the hash leaves out,
// so a correctly tagged copy keeps every hash.
//
// Reads the PKCS#7 blob with a small DER walker and computes the Authenticode hash itself
// (SHA-1, SHA-256): no certificate chain is verified here, that is osslsigncode's job. What is
// read is what decides which Windows versions accept the file: the kind of each timestamp (2000,
// XP and Vista read only the legacy counter-signature, and only the primary signature) and the
// digests the signer's chain is signed with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorix::tag {

enum class TimestampKind { None, Legacy, Rfc3161 };

struct SignatureInfo {
    int depth = 0;       // 0 the primary signature, 1 nested in it, ...
    std::string digest;  // "SHA-1", "SHA-256", ... or the algorithm's OID
    std::string signer;  // the signing certificate's subject, "CN=..., O=..."
    TimestampKind timestampKind = TimestampKind::None;
    std::string timestampDigest;  // the digest the timestamp's own signer used
    std::string timestampTime;    // as the authority wrote it, "" when not found
    // The subjects on the path from the signer up to (not including) a self-signed root, whose
    // own signature Windows never checks, and the digest each of them is signed with.
    std::vector<std::string> chain;
    std::vector<std::string> chainDigests;
    bool hashKnown = false;    // the digest is one this reader computes
    bool hashMatches = false;  // the signed hash equals the file's Authenticode hash
};

// Every signature of `image`, primary first, then nested ones in order. Empty when the file
// carries no signature this reader understands; *error then says why.
std::vector<SignatureInfo> ReadSignatures(const std::vector<uint8_t>& image, std::string* error);

// ReadSignatures as lines of text for --show: per signature, its digest, signer and timestamp,
// which Windows versions read it and its timestamp, a warning for a chain that Windows 2000 or XP
// before SP3 cannot check, and whether its hash matches; then the file's Authenticode SHA-256,
// which a tag does not change and any other build does.
std::string DescribeSignaturesOf(const std::vector<uint8_t>& image);

// The Authenticode hash of `image` with `digest` ("SHA-1" or "SHA-256"): every byte except
// the PE checksum, the security directory entry and the certificate table.
std::vector<uint8_t> AuthenticodeHash(const std::vector<uint8_t>& image, const std::string& digest);

}  // namespace quorix::tag
