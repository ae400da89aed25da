#include "signature_info.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "package/tag_layout.h"

namespace quorix::tag {
namespace {

// ---- digests --------------------------------------------------------------------------------

uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

uint32_t ReadBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

// SHA-1 and SHA-256 share the padding and the 64-byte blocks; only the compression differs.
class Hasher {
public:
    explicit Hasher(bool sha256) : sha256_(sha256) {
        if (sha256_) {
            state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
        } else {
            state_ = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0, 0, 0, 0};
        }
    }

    void Update(const uint8_t* data, size_t size) {
        total_ += size;
        while (size > 0) {
            const size_t take = std::min(size, sizeof block_ - used_);
            std::copy(data, data + take, block_ + used_);
            used_ += take;
            data += take;
            size -= take;
            if (used_ == sizeof block_) {
                Compress();
                used_ = 0;
            }
        }
    }

    std::vector<uint8_t> Finish() {
        const uint64_t bits = total_ * 8;
        const uint8_t one = 0x80;
        Update(&one, 1);
        const uint8_t zero = 0;
        while (used_ != 56) Update(&zero, 1);
        uint8_t length[8];
        for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
        Update(length, 8);
        std::vector<uint8_t> out;
        for (size_t i = 0; i < (sha256_ ? 8u : 5u); ++i) {
            for (int shift = 24; shift >= 0; shift -= 8) {
                out.push_back(static_cast<uint8_t>(state_[i] >> shift));
            }
        }
        return out;
    }

private:
    void Compress() { sha256_ ? CompressSha256() : CompressSha1(); }

    void CompressSha1() {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) w[i] = ReadBe32(block_ + 4 * i);
        for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const uint32_t t = Rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = Rotl(b, 30);
            b = a;
            a = t;
        }
        state_[0] += a;
        state_[1] += b;
        state_[2] += c;
        state_[3] += d;
        state_[4] += e;
    }

    void CompressSha256() {
        static constexpr uint32_t k[64] = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
            0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
            0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
            0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
            0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
            0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
            0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
            0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
            0xc67178f2};
        uint32_t w[64];
        for (int i = 0; i < 16; ++i) w[i] = ReadBe32(block_ + 4 * i);
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::array<uint32_t, 8> v = state_;
        for (int i = 0; i < 64; ++i) {
            const uint32_t s1 = Rotr(v[4], 6) ^ Rotr(v[4], 11) ^ Rotr(v[4], 25);
            const uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const uint32_t t1 = v[7] + s1 + ch + k[i] + w[i];
            const uint32_t s0 = Rotr(v[0], 2) ^ Rotr(v[0], 13) ^ Rotr(v[0], 22);
            const uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            v = {t1 + s0 + maj, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (int i = 0; i < 8; ++i) state_[i] += v[i];
    }

    bool sha256_;
    std::array<uint32_t, 8> state_{};
    uint8_t block_[64]{};
    size_t used_ = 0;
    uint64_t total_ = 0;
};

// ---- DER ------------------------------------------------------------------------------------

// One element: its tag byte, its content, and the whole encoding (for comparisons).
struct Der {
    uint8_t tag = 0;
    const uint8_t* content = nullptr;
    size_t size = 0;
    const uint8_t* whole = nullptr;
    size_t wholeSize = 0;
};

// Reads elements one after the other from a bounded range; every read is checked against it.
class DerReader {
public:
    DerReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
    explicit DerReader(const Der& element) : DerReader(element.content, element.size) {}

    bool AtEnd() const { return at_ == end_; }

    // The next element; false at the end or on an encoding this reader does not accept
    // (multi-byte tags, indefinite lengths, lengths past the range).
    bool Next(Der* out) {
        const size_t left = static_cast<size_t>(end_ - at_);
        if (left < 2 || (at_[0] & 0x1F) == 0x1F) return false;
        size_t header = 2;
        size_t length = at_[1];
        if (length & 0x80) {
            const size_t bytes = length & 0x7F;
            if (bytes == 0 || bytes > 4 || left < 2 + bytes) return false;
            length = 0;
            for (size_t i = 0; i < bytes; ++i) length = (length << 8) | at_[2 + i];
            header += bytes;
        }
        if (length > left - header) return false;
        *out = {at_[0], at_ + header, length, at_, header + length};
        at_ += header + length;
        return true;
    }

    // The next element, which must carry `tag`.
    bool Expect(uint8_t tag, Der* out) { return Next(out) && out->tag == tag; }

private:
    const uint8_t* at_;
    const uint8_t* end_;
};

constexpr uint8_t kInteger = 0x02;
constexpr uint8_t kOctetString = 0x04;
constexpr uint8_t kOid = 0x06;
constexpr uint8_t kSequence = 0x30;
constexpr uint8_t kSet = 0x31;
constexpr uint8_t kContext0 = 0xA0;  // [0], constructed
constexpr uint8_t kContext1 = 0xA1;  // [1], constructed
constexpr uint8_t kGeneralizedTime = 0x18;
constexpr uint8_t kUtcTime = 0x17;

std::string OidText(const Der& oid) {
    std::string text;
    uint64_t value = 0;
    bool first = true;
    for (size_t i = 0; i < oid.size; ++i) {
        value = (value << 7) | (oid.content[i] & 0x7F);
        if (oid.content[i] & 0x80) continue;
        if (first) {
            const uint64_t top = value < 80 ? value / 40 : 2;
            text = std::to_string(top) + "." + std::to_string(value - top * 40);
            first = false;
        } else {
            text += "." + std::to_string(value);
        }
        value = 0;
    }
    return text;
}

const char kSignedDataOid[] = "1.2.840.113549.1.7.2";
const char kNestedSignatureOid[] = "1.3.6.1.4.1.311.2.4.1";
const char kRfc3161TimestampOid[] = "1.3.6.1.4.1.311.3.3.1";
const char kCounterSignatureOid[] = "1.2.840.113549.1.9.6";
const char kSigningTimeOid[] = "1.2.840.113549.1.9.5";

std::string DigestName(const std::string& oid) {
    if (oid == "1.3.14.3.2.26") return "SHA-1";
    if (oid == "2.16.840.1.101.3.4.2.1") return "SHA-256";
    if (oid == "2.16.840.1.101.3.4.2.2") return "SHA-384";
    if (oid == "2.16.840.1.101.3.4.2.3") return "SHA-512";
    if (oid == "1.2.840.113549.2.5") return "MD5";
    return oid;
}

// The digest inside a certificate's signature algorithm (RSA, DSA, ECDSA).
std::string SignatureAlgorithmDigest(const std::string& oid) {
    if (oid == "1.2.840.113549.1.1.4") return "MD5";
    if (oid == "1.2.840.113549.1.1.5" || oid == "1.2.840.10040.4.3" || oid == "1.2.840.10045.4.1") {
        return "SHA-1";
    }
    if (oid == "1.2.840.113549.1.1.11" || oid == "1.2.840.10045.4.3.2") return "SHA-256";
    if (oid == "1.2.840.113549.1.1.12" || oid == "1.2.840.10045.4.3.3") return "SHA-384";
    if (oid == "1.2.840.113549.1.1.13" || oid == "1.2.840.10045.4.3.4") return "SHA-512";
    return oid;
}

// The first OID inside an AlgorithmIdentifier, "" when there is none.
std::string AlgorithmOid(const Der& algorithm) {
    DerReader fields(algorithm);
    Der oid;
    return fields.Expect(kOid, &oid) ? OidText(oid) : "";
}

// A distinguished name as "CN=..., O=...", in the order it is encoded. Strings are shown as
// their bytes (UTF-8, printable and IA5 strings are all ASCII-compatible); a BMPString keeps
// its ASCII characters.
std::string NameText(const Der& name) {
    static const std::pair<const char*, const char*> kLabels[] = {
        {"2.5.4.3", "CN"},
        {"2.5.4.10", "O"},
        {"2.5.4.11", "OU"},
        {"2.5.4.6", "C"},
        {"2.5.4.7", "L"},
        {"2.5.4.8", "ST"},
        {"2.5.4.5", "serialNumber"},
        {"1.2.840.113549.1.9.1", "emailAddress"}};
    std::string text;
    DerReader rdns(name);
    Der rdn;
    while (rdns.Expect(kSet, &rdn)) {
        DerReader pairs(rdn);
        Der pair;
        while (pairs.Expect(kSequence, &pair)) {
            DerReader parts(pair);
            Der oid, value;
            if (!parts.Expect(kOid, &oid) || !parts.Next(&value)) continue;
            std::string label = OidText(oid);
            for (const auto& known : kLabels) {
                if (label == known.first) label = known.second;
            }
            std::string shown;
            if (value.tag == 0x1E) {  // BMPString
                for (size_t i = 0; i + 1 < value.size; i += 2) {
                    shown += value.content[i] == 0 ? static_cast<char>(value.content[i + 1]) : '?';
                }
            } else {
                shown.assign(reinterpret_cast<const char*>(value.content), value.size);
            }
            if (!text.empty()) text += ", ";
            text += label + "=" + shown;
        }
    }
    return text;
}

bool SameBytes(const Der& a, const Der& b) {
    return a.wholeSize == b.wholeSize && std::equal(a.whole, a.whole + a.wholeSize, b.whole);
}

// The fields of one certificate this reader needs.
struct Certificate {
    Der serial, issuer, subject;
    std::string signedWith;  // the digest of its issuer's signature on it
};

bool ReadCertificate(const Der& certificate, Certificate* out) {
    DerReader outer(certificate);
    Der tbs, signatureAlgorithm;
    if (!outer.Expect(kSequence, &tbs) || !outer.Expect(kSequence, &signatureAlgorithm)) {
        return false;
    }
    DerReader fields(tbs);
    Der field, algorithm, validity;
    if (!fields.Next(&field)) return false;
    if (field.tag == kContext0 && !fields.Next(&field)) return false;  // the version, v2 on
    out->serial = field;
    out->signedWith = SignatureAlgorithmDigest(AlgorithmOid(signatureAlgorithm));
    return field.tag == kInteger && fields.Expect(kSequence, &algorithm) &&
           fields.Expect(kSequence, &out->issuer) && fields.Expect(kSequence, &validity) &&
           fields.Expect(kSequence, &out->subject);
}

std::vector<Certificate> ReadCertificates(const Der& certificates) {
    std::vector<Certificate> out;
    DerReader list(certificates);
    Der element;
    while (list.Expect(kSequence, &element)) {
        Certificate certificate;
        if (ReadCertificate(element, &certificate)) out.push_back(certificate);
    }
    return out;
}

// The signer's subject, and the path from it up to a self-signed root or to the last issuer the
// signature carries.
void ReadSignerChain(const std::vector<Certificate>& certificates, const Der& issuer,
                     const Der& serial, SignatureInfo* info) {
    const Certificate* current = nullptr;
    for (const Certificate& certificate : certificates) {
        if (SameBytes(certificate.serial, serial) && SameBytes(certificate.issuer, issuer)) {
            current = &certificate;
        }
    }
    if (current == nullptr) {
        info->signer = "(certificate not in the signature)";
        return;
    }
    info->signer = NameText(current->subject);
    // Bounded by the number of certificates, so a loop of issuers cannot hold it up.
    for (size_t step = 0; current != nullptr && step < certificates.size(); ++step) {
        if (SameBytes(current->issuer, current->subject)) break;
        info->chain.push_back(NameText(current->subject));
        info->chainDigests.push_back(current->signedWith);
        const Certificate* next = nullptr;
        for (const Certificate& certificate : certificates) {
            if (SameBytes(certificate.subject, current->issuer)) next = &certificate;
        }
        current = next;
    }
}

// The digest and, from its authenticated attributes, the signing time of a SignerInfo: the legacy
// counter-signature is one, and so is the signer of an RFC 3161 token.
void ReadTimestampSigner(const Der& signerInfo, SignatureInfo* info) {
    DerReader fields(signerInfo);
    Der version, sid, algorithm, element;
    if (!fields.Expect(kInteger, &version) || !fields.Next(&sid) ||
        !fields.Expect(kSequence, &algorithm)) {
        return;
    }
    info->timestampDigest = DigestName(AlgorithmOid(algorithm));
    if (!fields.Next(&element) || element.tag != kContext0) return;
    DerReader attributes(element);
    Der attribute;
    while (attributes.Expect(kSequence, &attribute)) {
        DerReader parts(attribute);
        Der type, values, value;
        if (parts.Expect(kOid, &type) && OidText(type) == kSigningTimeOid &&
            parts.Expect(kSet, &values) && DerReader(values).Next(&value) &&
            (value.tag == kUtcTime || value.tag == kGeneralizedTime) &&
            info->timestampTime.empty()) {
            info->timestampTime.assign(reinterpret_cast<const char*>(value.content), value.size);
        }
    }
}

// An RFC 3161 token: a SignedData whose content is the TSTInfo (its genTime) and whose signer
// says the digest the authority signed with.
void ReadRfc3161Token(const Der& token, SignatureInfo* out) {
    DerReader content(token);
    Der oid, wrapped, signedData, version, algorithms, encapsulated, element;
    if (!content.Expect(kOid, &oid) || !content.Expect(kContext0, &wrapped)) return;
    DerReader inner(wrapped);
    if (!inner.Expect(kSequence, &signedData)) return;
    DerReader fields(signedData);
    if (!fields.Expect(kInteger, &version) || !fields.Expect(kSet, &algorithms) ||
        !fields.Expect(kSequence, &encapsulated)) {
        return;
    }
    while (fields.Next(&element)) {
        Der signer;
        if (element.tag == kSet && DerReader(element).Expect(kSequence, &signer)) {
            ReadTimestampSigner(signer, out);
        }
    }
    out->timestampTime.clear();  // the genTime below is the authority's statement
    DerReader info(encapsulated);
    Der type, explicitContent, octets, tstInfo;
    if (!info.Expect(kOid, &type) || !info.Expect(kContext0, &explicitContent)) return;
    DerReader octetReader(explicitContent);
    if (!octetReader.Expect(kOctetString, &octets)) return;
    DerReader tst(octets);
    if (!tst.Expect(kSequence, &tstInfo)) return;
    DerReader tstFields(tstInfo);
    while (tstFields.Next(&element)) {
        if (element.tag == kGeneralizedTime) {
            out->timestampTime.assign(reinterpret_cast<const char*>(element.content), element.size);
            return;
        }
    }
}

bool ReadSignedData(const Der& contentInfo, const std::vector<uint8_t>& image, int depth,
                    std::vector<SignatureInfo>* out, std::string* error);

// One SignerInfo: its digest and signer, and from its unsigned attributes the timestamp and
// any nested signature.
bool ReadSignerInfo(const Der& signerInfo, const std::vector<Certificate>& certificates,
                    const std::string& digestOid, const std::vector<uint8_t>& signedHash,
                    const std::vector<uint8_t>& image, int depth, std::vector<SignatureInfo>* out,
                    std::string* error) {
    DerReader fields(signerInfo);
    Der version, sid, issuer, serial, digestAlgorithm, element;
    if (!fields.Expect(kInteger, &version) || !fields.Expect(kSequence, &sid) ||
        !fields.Expect(kSequence, &digestAlgorithm)) {
        *error = "a signer info this reader cannot parse";
        return false;
    }
    DerReader sidFields(sid);
    if (!sidFields.Expect(kSequence, &issuer) || !sidFields.Expect(kInteger, &serial)) {
        *error = "a signer identified otherwise than by issuer and serial number";
        return false;
    }
    SignatureInfo info;
    info.depth = depth;
    info.digest = DigestName(digestOid);
    ReadSignerChain(certificates, issuer, serial, &info);
    if (info.digest == "SHA-1" || info.digest == "SHA-256") {
        info.hashKnown = true;
        info.hashMatches = AuthenticodeHash(image, info.digest) == signedHash;
    }
    std::vector<Der> nested;
    while (fields.Next(&element)) {
        if (element.tag != kContext1) continue;  // [1] the unsigned attributes
        DerReader attributes(element);
        Der attribute;
        while (attributes.Expect(kSequence, &attribute)) {
            DerReader parts(attribute);
            Der type, values, value;
            if (!parts.Expect(kOid, &type) || !parts.Expect(kSet, &values)) continue;
            const std::string oid = OidText(type);
            DerReader valueReader(values);
            while (valueReader.Expect(kSequence, &value)) {
                // The first timestamp found is the one shown; a signer carries one.
                const bool stamped = info.timestampKind != TimestampKind::None;
                if (oid == kRfc3161TimestampOid && !stamped) {
                    info.timestampKind = TimestampKind::Rfc3161;
                    ReadRfc3161Token(value, &info);
                } else if (oid == kCounterSignatureOid && !stamped) {
                    info.timestampKind = TimestampKind::Legacy;
                    ReadTimestampSigner(value, &info);
                } else if (oid == kNestedSignatureOid) {
                    nested.push_back(value);
                }
            }
        }
    }
    out->push_back(info);
    for (const Der& contentInfo : nested) {
        if (!ReadSignedData(contentInfo, image, depth + 1, out, error)) return false;
    }
    return true;
}

// A ContentInfo holding an Authenticode SignedData.
bool ReadSignedData(const Der& contentInfo, const std::vector<uint8_t>& image, int depth,
                    std::vector<SignatureInfo>* out, std::string* error) {
    *error = "a signature this reader cannot parse";
    DerReader content(contentInfo);
    Der type, wrapped, signedData;
    if (!content.Expect(kOid, &type) || OidText(type) != kSignedDataOid ||
        !content.Expect(kContext0, &wrapped)) {
        *error = "the signature is not a PKCS#7 SignedData";
        return false;
    }
    DerReader inner(wrapped);
    Der version, algorithms, encapsulated, element, certificates, signerInfos;
    if (!inner.Expect(kSequence, &signedData)) return false;
    DerReader fields(signedData);
    if (!fields.Expect(kInteger, &version) || !fields.Expect(kSet, &algorithms) ||
        !fields.Expect(kSequence, &encapsulated)) {
        return false;
    }
    // SpcIndirectDataContent: the data description, then the DigestInfo with the signed hash.
    DerReader encapsulatedFields(encapsulated);
    Der spcType, explicitContent, indirect, description, digestInfo, algorithm, digestOid, hash;
    if (!encapsulatedFields.Expect(kOid, &spcType) ||
        !encapsulatedFields.Expect(kContext0, &explicitContent)) {
        return false;
    }
    DerReader explicitReader(explicitContent);
    if (!explicitReader.Expect(kSequence, &indirect)) return false;
    DerReader indirectFields(indirect);
    if (!indirectFields.Expect(kSequence, &description) ||
        !indirectFields.Expect(kSequence, &digestInfo)) {
        return false;
    }
    DerReader digestFields(digestInfo);
    if (!digestFields.Expect(kSequence, &algorithm) || !digestFields.Expect(kOctetString, &hash)) {
        return false;
    }
    DerReader algorithmFields(algorithm);
    if (!algorithmFields.Expect(kOid, &digestOid)) return false;
    const std::vector<uint8_t> signedHash(hash.content, hash.content + hash.size);

    bool haveSigners = false;
    while (fields.Next(&element)) {
        if (element.tag == kContext0) certificates = element;  // [0] IMPLICIT certificates
        if (element.tag == kSet) {
            signerInfos = element;
            haveSigners = true;
        }
    }
    if (!haveSigners) return false;
    const std::vector<Certificate> certificateList = ReadCertificates(certificates);
    DerReader signers(signerInfos);
    Der signerInfo;
    bool any = false;
    while (signers.Expect(kSequence, &signerInfo)) {
        if (!ReadSignerInfo(signerInfo, certificateList, OidText(digestOid), signedHash, image,
                            depth, out, error)) {
            return false;
        }
        any = true;
    }
    return any;
}

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Where the checksum, the security directory entry and the certificate table are.
struct SignedLayout {
    uint64_t checksum = 0;
    uint64_t securityDirectory = 0;
    uint64_t table = 0;
    uint64_t tableSize = 0;
};

// False with *error (when given) saying why for a file that is not a signed PE file, or whose
// certificate table could not be left out of the hash as described.
bool FindSignedLayout(const std::vector<uint8_t>& image, SignedLayout* layout,
                      std::string* error = nullptr) {
    if (error != nullptr) *error = "not a signed PE file";
    const uint64_t size = image.size();
    if (size < kPeHeaderPointerOffset + 4 || image[0] != 'M' || image[1] != 'Z') return false;
    const uint64_t pe = ReadLe32(image.data() + kPeHeaderPointerOffset);
    if (pe > size || size - pe < kSecurityDirectoryOffsetPe32Plus + 8) return false;
    const uint8_t* header = image.data() + pe;
    if (header[0] != 'P' || header[1] != 'E' || header[2] != 0 || header[3] != 0) return false;
    const uint16_t magic = static_cast<uint16_t>(header[kOptionalHeaderMagicOffset] |
                                                 (header[kOptionalHeaderMagicOffset + 1] << 8));
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
    layout->checksum = pe + kOptionalHeaderMagicOffset + 64;
    layout->securityDirectory = pe + SecurityDirectoryOffsetFor(magic);
    layout->table = ReadLe32(image.data() + layout->securityDirectory);
    layout->tableSize = ReadLe32(image.data() + layout->securityDirectory + 4);
    if (layout->table == 0) return false;
    // The hash runs from behind the security directory entry up to the table: a table that
    // starts before that end (a crafted file) would make that range negative.
    if (layout->table < layout->securityDirectory + 8) {
        if (error != nullptr) {
            *error = "the certificate table starts at " + std::to_string(layout->table) +
                     ", inside the headers (before " +
                     std::to_string(layout->securityDirectory + 8) +
                     ", the end of the security directory entry)";
        }
        return false;
    }
    return layout->table <= size && layout->tableSize <= size - layout->table &&
           layout->tableSize >= kWinCertificateHeaderSize;
}

}  // namespace

std::vector<uint8_t> AuthenticodeHash(const std::vector<uint8_t>& image,
                                      const std::string& digest) {
    SignedLayout layout;
    Hasher hasher(digest == "SHA-256");
    if (!FindSignedLayout(image, &layout)) {
        hasher.Update(image.data(), image.size());
        return hasher.Finish();
    }
    const uint8_t* bytes = image.data();
    hasher.Update(bytes, layout.checksum);
    hasher.Update(bytes + layout.checksum + 4, layout.securityDirectory - layout.checksum - 4);
    hasher.Update(bytes + layout.securityDirectory + 8,
                  layout.table - layout.securityDirectory - 8);
    const uint64_t afterTable = layout.table + layout.tableSize;
    hasher.Update(bytes + afterTable, image.size() - afterTable);
    return hasher.Finish();
}

std::vector<SignatureInfo> ReadSignatures(const std::vector<uint8_t>& image, std::string* error) {
    std::vector<SignatureInfo> signatures;
    SignedLayout layout;
    if (!FindSignedLayout(image, &layout, error)) return signatures;
    // The blob behind the WIN_CERTIFICATE header; whatever follows it (a tag) is not part of it.
    DerReader blob(image.data() + layout.table + kWinCertificateHeaderSize,
                   layout.tableSize - kWinCertificateHeaderSize);
    Der contentInfo;
    if (!blob.Expect(kSequence, &contentInfo)) {
        *error = "the certificate table holds no DER signature";
        return signatures;
    }
    if (!ReadSignedData(contentInfo, image, 0, &signatures, error)) signatures.clear();
    return signatures;
}

namespace {

// Which Windows versions check a signature: only the primary one before Windows 8, and SHA-256
// only from XP SP3 on.
std::string ReadersOf(const SignatureInfo& signature) {
    if (signature.depth > 0) {
        return "Windows 8 and later read it (earlier versions check only the primary signature)";
    }
    if (signature.digest == "SHA-1" || signature.digest == "MD5") {
        return "Windows 2000 and later read it";
    }
    if (signature.digest == "SHA-256") {
        return "Windows XP SP3 and later read it (not 2000, nor XP before SP3)";
    }
    return "not known which Windows versions read it";
}

// Which versions count the timestamp: the RFC 3161 functions start with Windows 7, the legacy
// counter-signature is read by all, as far as they can check its digest.
std::string TimestampReaders(const SignatureInfo& signature) {
    switch (signature.timestampKind) {
        case TimestampKind::None:
            return "it turns invalid when its certificate expires";
        case TimestampKind::Legacy:
            return signature.timestampDigest == "SHA-1" || signature.timestampDigest == "MD5"
                       ? "its timestamp is read from Windows 2000 on"
                       : "its timestamp is read from Windows XP SP3 on";
        case TimestampKind::Rfc3161:
            return signature.depth == 0
                       ? "its timestamp is read from Windows 7 on: on 2000, XP and Vista the "
                         "signature counts as untimestamped and turns invalid when its "
                         "certificate expires"
                       : "its timestamp is read from Windows 7 on";
    }
    return "";
}

std::string TimestampText(const SignatureInfo& signature) {
    std::string kind;
    switch (signature.timestampKind) {
        case TimestampKind::None:
            return "no timestamp";
        case TimestampKind::Legacy:
            kind = "legacy timestamp";
            break;
        case TimestampKind::Rfc3161:
            kind = "RFC 3161 timestamp";
            break;
    }
    const std::string digest =
        signature.timestampDigest.empty() ? "digest not read" : signature.timestampDigest;
    return kind + " (" + digest + ")";
}

std::string HexOf(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

}  // namespace

std::string DescribeSignaturesOf(const std::vector<uint8_t>& image) {
    std::string error;
    const std::vector<SignatureInfo> signatures = ReadSignatures(image, &error);
    if (signatures.empty()) return "signatures: none read (" + error + ")\n";
    std::string out = "signatures: " + std::to_string(signatures.size()) + "\n";
    int number = 0;
    for (const SignatureInfo& signature : signatures) {
        const std::string name = "signature " + std::to_string(++number);
        std::string timestamp = "none";
        if (signature.timestampKind != TimestampKind::None) {
            timestamp =
                (signature.timestampKind == TimestampKind::Legacy ? "legacy counter-signature"
                                                                  : "RFC 3161") +
                (signature.timestampTime.empty() ? "" : ", " + signature.timestampTime);
        }
        out += name + (signature.depth == 0 ? " (primary)" : " (nested)") + ": " +
               signature.digest + ", signer " + signature.signer + ", timestamp: " + timestamp +
               "\n";
        out += name + ": " + signature.digest + " signature, " + TimestampText(signature) + ": " +
               ReadersOf(signature) + "; " + TimestampReaders(signature) + "\n";
        // Only the signature that Windows 2000 and XP read needs a chain they can check.
        const bool readByOldest =
            signature.depth == 0 && (signature.digest == "SHA-1" || signature.digest == "MD5");
        for (size_t i = 0; readByOldest && i < signature.chain.size(); ++i) {
            const std::string& digest = signature.chainDigests[i];
            if (digest == "SHA-1" || digest == "MD5") continue;
            out += name + ": warning: the certificate " + signature.chain[i] + " is signed with " +
                   digest + ": Windows 2000 and XP before SP3 cannot check it\n";
        }
        if (!signature.hashKnown) {
            out += name + ": signed hash not checked (" + signature.digest + ")\n";
        } else if (signature.hashMatches) {
            out += name + ": signed hash matches the file\n";
        } else {
            out += name + ": signed hash DOES NOT match the file (changed after signing)\n";
        }
    }
    out += "Authenticode SHA-256 of the file: " + HexOf(AuthenticodeHash(image, "SHA-256")) + "\n";
    return out;
}

}  // namespace quorix::tag
