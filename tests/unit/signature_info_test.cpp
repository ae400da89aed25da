#include "../../tools/stamp_tag/signature_info.h"

#include <gtest/gtest.h>

#include <string>

#include "package/tag_layout.h"
#include "support/pe_sample.h"

namespace quorix::tag {
namespace {

// A certificate table that starts inside the headers, before the end of the security directory
// entry that points at it: the hash's range up to the table would run backwards.
struct TableStartCase {
    const char* name;
    bool pe32Plus;
    int fromEntry;      // the table's offset relative to the security directory entry
    const char* error;  // what ReadSignatures says
};

void PrintTo(const TableStartCase& c, std::ostream* os) { *os << c.name; }

class SignatureTableStart : public ::testing::TestWithParam<TableStartCase> {};

TEST_P(SignatureTableStart, ReadsNothingOutsideTheFile) {
    test::PeSampleSpec spec;
    spec.pe32Plus = GetParam().pe32Plus;
    test::PeSample sample = test::BuildPeSample(spec);
    const uint16_t magic = spec.pe32Plus ? kPe32PlusMagic : kPe32Magic;
    const uint64_t entry = sample.peHeaderOffset + SecurityDirectoryOffsetFor(magic);
    test::PutLe32(sample.image, entry, static_cast<uint32_t>(entry + GetParam().fromEntry));
    test::PutLe32(sample.image, entry + 4, 16);

    std::string error;
    EXPECT_TRUE(ReadSignatures(sample.image, &error).empty());
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
    EXPECT_NE(DescribeSignaturesOf(sample.image).find(GetParam().error), std::string::npos);
    EXPECT_EQ(AuthenticodeHash(sample.image, "SHA-256").size(), 32u);
}

INSTANTIATE_TEST_SUITE_P(
    CraftedFiles, SignatureTableStart,
    ::testing::Values(TableStartCase{"AtTheEntry", false, 0, "inside the headers"},
                      TableStartCase{"InsideTheEntry", false, 4, "inside the headers"},
                      TableStartCase{"InsideTheEntryPe32Plus", true, 7, "inside the headers"},
                      TableStartCase{"RightBehindTheEntry", false, 8, "holds no DER signature"}),
    [](const ::testing::TestParamInfo<TableStartCase>& info) {
        return std::string(info.param.name);
    });

}  // namespace
}  // namespace quorix::tag
