// Which of a stamped tag's KEY=VALUE pairs may reach the installer.
//
// The tag lies outside the signed hash, so anyone can rewrite it on a signed copy. Only the
// keys this product expects, with values that cannot change the shape of the installer's
// property string, are passed on; every other pair is dropped on its own, so that the
// affiliate survives a stray pair. Both the program and the host tool stamp-tag compile this
// file: it needs nothing but the standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorix::tag {

// The key that names the affiliate, and the one that carries its flags.
constexpr char kAffiliateIdKey[] = "AFFILIATEID";
constexpr char kAffiliateFlagsKey[] = "AFFILIATEIDFLAGS";

// The keys passed on when the build adds none of its own.
constexpr const char* kDefaultTagKeys[] = {kAffiliateIdKey, kAffiliateFlagsKey};

// The affiliate that stands when a file carries no tag, or a tag without an affiliate.
constexpr char kDefaultAffiliateId[] = "vlq2011aid30017xx-XX";

// The tag the program falls back to when a file carries none.
constexpr const char kDefaultTagText[] = "AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0";

// The product's list: the default keys and those the build adds through QUORIX_EXTRA_TAG_KEYS
// (a comma-separated list fixed when the program is compiled; the configuration refuses an extra
// key that equals or ends with a default key, which a reader of the text could mistake for it).
const std::vector<std::string>& ProductTagKeys();

enum class DropReason {
    NoEquals,     // "KEY" without "="
    EmptyKey,     // "=VALUE"
    UnknownKey,   // a key not in the list
    EmptyValue,   // "KEY="
    UnsafeValue,  // a character outside letters, digits, "-", "_" and "."
    RepeatedKey,  // the key was already given earlier in the tag
};

// One sentence for a person, such as "key not in the product's list of tag keys".
const char* DescribeDropReason(DropReason reason);

struct TagPair {
    std::string key;
    std::string value;
};

struct DroppedPair {
    std::string text;  // the pair as it stood in the tag
    DropReason reason;
};

struct FilteredTag {
    std::vector<TagPair> kept;         // in tag order
    std::vector<DroppedPair> dropped;  // in tag order; empty pairs are not listed
    // The kept pairs joined by "&": what the tag would have to be to pass on whole.
    std::string KeptText() const;
};

// Splits the text (up to `length` bytes or the first 0 byte) at "&" and sorts every non-empty
// pair into kept or dropped. Empty pairs (a trailing "&", "&&") are harmless and skipped.
FilteredTag FilterTag(const std::uint8_t* text, std::size_t length,
                      const std::vector<std::string>& allowedKeys);
FilteredTag FilterTag(const std::string& text, const std::vector<std::string>& allowedKeys);

// What a tag hands the installer, and what the program records for it, derived from the same
// pairs so that the two can never disagree.
struct PassedTag {
    // The kept pairs in tag order, behind the default affiliate's pair when the tag kept no
    // AFFILIATEID of its own (an empty tag, a flags-only one, or one whose affiliate was unsafe):
    // the installer always receives an affiliate, and the one the session is recorded under.
    std::vector<TagPair> pairs;
    bool defaultAffiliate = false;
    // The AFFILIATEID pair's value as the installer receives it ("." becomes "#").
    std::string affiliateId;
    // What follows the first "#" of the AFFILIATEIDFLAGS value as the installer receives it;
    // "0", the default tag's, when there is no such pair or no "#" in it.
    std::string affiliateFlags;
};

PassedTag PassOn(const FilteredTag& filtered);

// Pairs in installer-property form: separated by blanks, "." becomes "#".
std::string PropertiesOf(const std::vector<TagPair>& pairs);
inline std::string PropertiesOf(const FilteredTag& filtered) { return PropertiesOf(filtered.kept); }

}  // namespace quorix::tag
