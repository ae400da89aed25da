// stamp-tag IN OUT TAG: writes a distributor's tag into a signed executable (PE32 or PE32+)
// without touching its signature. IN and OUT may name the same file. stamp-tag --show FILE:
// what the program will make of FILE's tag and how FILE is signed, so a distributor can check a
// copy before shipping.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "signature_info.h"
#include "stamp.h"

namespace {

// Offsets in the certificate table are 32-bit, so no file we could tag is bigger.
constexpr uint64_t kMaxImageSize = 0xFFFFFFFFu;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        *error = "cannot open for reading";
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0) {
        *error = "cannot tell its size";
        return false;
    }
    if (static_cast<uint64_t>(size) > kMaxImageSize) {
        *error = "larger than 4 GiB, too large to be a signed PE file";
        return false;
    }
    bytes->resize(static_cast<size_t>(size));
    in.seekg(0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes->data()), size)) {
        *error = "read error";
        return false;
    }
    return true;
}

// Writes next to the target first, so a failed write never leaves a half-tagged OUT.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes,
                    std::string* error) {
    const std::string temporary = path + ".stamp-tag.tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            *error = "cannot open " + temporary + " for writing";
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            *error = "write error on " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        *error = "cannot replace " + path;
        return false;
    }
    return true;
}

void Fail(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "stamp-tag: %s: %s\n", path.c_str(), why.c_str());
}

void Usage() {
    std::fprintf(stderr,
                 "usage: stamp-tag IN OUT TAG\n"
                 "       stamp-tag --show FILE\n"
                 "  Writes TAG (KEY=VALUE pairs joined by '&', at most 65535 bytes) into\n"
                 "  the certificate table of the signed PE file IN (32- or 64-bit) and saves the\n"
                 "  result as OUT. A tag already in IN is replaced; the signature stays\n"
                 "  valid. A tag the program would not pass on whole (a key outside its list\n"
                 "  of tag keys, an empty value, a value with other characters than letters,\n"
                 "  digits, '-', '_' and '.') or without an AFFILIATEID pair is refused.\n"
                 "  --show prints what the program makes of FILE's tag, and how FILE is\n"
                 "  signed: each signature's digest, signer and timestamp, and whether its\n"
                 "  signed hash still matches the file.\n"
                 "  --unchecked IN OUT TAG stamps without that check (to test the program).\n");
}

int Show(const std::string& path) {
    std::vector<uint8_t> image;
    std::string error;
    if (!ReadWholeFile(path, &image, &error)) {
        Fail(path, error);
        return 1;
    }
    std::fputs(quorix::tag::DescribeTagOf(image).c_str(), stdout);
    std::fputs(quorix::tag::DescribeSignaturesOf(image).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--show") return Show(argv[2]);
    const bool unchecked = argc == 5 && std::string(argv[1]) == "--unchecked";
    if (argc != 4 && !unchecked) {
        Usage();
        return 2;
    }
    const int first = unchecked ? 2 : 1;
    const std::string in = argv[first];
    const std::string out = argv[first + 1];
    const std::string tag = argv[first + 2];

    std::string error;
    if (!unchecked && !quorix::tag::CheckTagPassesWhole(tag, &error)) {
        std::fprintf(stderr, "stamp-tag: refused: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> image;
    if (!ReadWholeFile(in, &image, &error)) {
        Fail(in, error);
        return 1;
    }
    if (quorix::tag::StampTag(image, tag, &error) != quorix::tag::StampStatus::Ok) {
        Fail(in, error);
        return 1;
    }
    if (!WriteWholeFile(out, image, &error)) {
        Fail(out, error);
        return 1;
    }
    return 0;
}
