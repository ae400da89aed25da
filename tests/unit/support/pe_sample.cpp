#include "support/pe_sample.h"

#include "package/tag_layout.h"

#include <algorithm>

namespace quorix::test {
namespace {

constexpr uint32_t kPeOffset = 0x80;
constexpr uint32_t kTableOffset = 0x200;
constexpr uint32_t kOptionalHeader = kPeOffset + 24;

void PutLe16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PushBe16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

void PadTo8(std::vector<uint8_t>& b) {
    while (b.size() % 8 != 0) {
        b.push_back(0);
    }
}

}  // namespace

PeSample BuildPeSample(const PeSampleSpec& spec) {
    PeSample sample;
    std::vector<uint8_t>& b = sample.image;
    b.assign(kTableOffset, 0);

    b[0] = spec.dosSignature ? 'M' : 'Z';
    b[1] = spec.dosSignature ? 'Z' : 'M';
    PutLe32(b, 0x3C, kPeOffset);
    sample.peHeaderOffset = kPeOffset;

    b[kPeOffset] = 'P';
    b[kPeOffset + 1] = spec.peSignature ? 'E' : 'X';
    PutLe16(b, kPeOffset + 4, 0x14C);                         // i386
    PutLe16(b, kPeOffset + 20, spec.pe32Plus ? 0xF0 : 0xE0);  // SizeOfOptionalHeader
    PutLe16(b, kPeOffset + 22, 0x0102);                       // executable, 32-bit
    PutLe16(b, kOptionalHeader, spec.pe32Plus ? 0x20B : 0x10B);
    PutLe32(b, kOptionalHeader + 60, kTableOffset);  // SizeOfHeaders
    PutLe32(b, kOptionalHeader + 64, spec.checksum);
    PutLe16(b, kOptionalHeader + 68, 2);  // GUI subsystem
    const uint32_t directories = kOptionalHeader + (spec.pe32Plus ? 112 : 96);
    PutLe32(b, directories - 4, 16);  // NumberOfRvaAndSizes
    const uint32_t security = directories + 4 * 8;

    if (!spec.signedImage) {
        b.resize(b.size() + spec.bytesAfterTable, 0xEE);
    } else {
        sample.certificateEntryOffset = kTableOffset;
        // WIN_CERTIFICATE header; dwLength is filled in below.
        b.insert(b.end(), {0, 0, 0, 0, 0x00, 0x02, 0x02, 0x00});
        b.push_back(0x30);
        b.push_back(spec.derLengthForm);
        PushBe16(b, spec.derContentLength);
        for (uint32_t i = 0; i < spec.derContentLength; ++i) {
            b.push_back(static_cast<uint8_t>(0xA0 + i % 31));
        }
        PadTo8(b);
        sample.tagOffset = static_cast<uint32_t>(b.size() - kTableOffset);
        if (spec.tagPresent) {
            for (size_t i = 0; i < 4; ++i) {
                b.push_back(i < spec.tagMagic.size() ? static_cast<uint8_t>(spec.tagMagic[i]) : 0);
            }
            PushBe16(b, spec.declaredTagLength.value_or(
                            static_cast<uint16_t>(std::min<size_t>(spec.tagText.size(), 0xFFFF))));
            b.insert(b.end(), spec.tagText.begin(), spec.tagText.end());
            PadTo8(b);
        }
        sample.entryLength = static_cast<uint32_t>(b.size() - kTableOffset);
        PutLe32(b, kTableOffset, sample.entryLength);
        PutLe32(b, security, kTableOffset);
        PutLe32(b, security + 4, sample.entryLength);
        b.resize(b.size() + spec.bytesAfterTable, 0xEE);
    }

    const uint64_t tag = sample.TagFileOffset();
    size_t cutAt = b.size();
    switch (spec.cut) {
        case PeSampleCut::None:
            break;
        case PeSampleCut::InsideDosHeader:
            cutAt = 0x3C + 2;
            break;
        case PeSampleCut::InsidePeHeader:
            cutAt = security + 2;
            break;
        case PeSampleCut::InsideSignatureHeader:
            cutAt = kTableOffset + 8 + 3;
            break;
        case PeSampleCut::InsideSignatureBlob:
            cutAt = kTableOffset + 12 + spec.derContentLength / 2;
            break;
        case PeSampleCut::AtTagStart:
            cutAt = static_cast<size_t>(tag);
            break;
        case PeSampleCut::InsideTagHeader:
            cutAt = static_cast<size_t>(tag) + 5;
            break;
        case PeSampleCut::InsideTagText:
            cutAt = static_cast<size_t>(tag) + 6 + spec.tagText.size();
            if (!spec.tagText.empty()) {
                --cutAt;
            }
            break;
    }
    b.resize(std::min(cutAt, b.size()));
    return sample;
}

void PutLe32(std::vector<uint8_t>& image, uint64_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool ReadTagBack(const std::vector<uint8_t>& image, std::string* text) {
    tag::TagLocation at{};
    const uint8_t* bytes = nullptr;
    uint16_t length = 0;
    if (!tag::LocateTag(image.data(), image.size(), &at) ||
        !tag::ReadTagText(image.data(), image.size(), at, &bytes, &length)) {
        return false;
    }
    text->assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

}  // namespace quorix::test
