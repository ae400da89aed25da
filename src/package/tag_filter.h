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

// The key that names the affiliate: a tag without it is no tag.
constexpr char kAffiliateIdKey[] = "AFFILIATEID";

// The keys passed on when the build adds none of its own.
constexpr const char* kDefaultTagKeys[] = {kAffiliateIdKey, "AFFILIATEIDFLAGS"};

// The tag the program falls back to when a file carries none.
constexpr const char kDefaultTagText[] = "AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0";

// The product's list: the default keys and those the build adds through QUORIX_EXTRA_TAG_KEYS
// (a comma-separated list fixed when the program is compiled).
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

// True when the filter kept no AFFILIATEID pair (an empty tag, a tag of which nothing is kept,
// or one whose affiliate was dropped). Such a tag counts as no tag at all: the program warns and
// falls back to its default tag, as for a file that carries none. Otherwise the installer would
// receive no affiliate, or another one than the program records its session under.
bool KeepsNoAffiliate(const FilteredTag& filtered);

// The kept pairs in installer-property form: pairs separated by blanks, "." becomes "#".
std::string PropertiesOf(const FilteredTag& filtered);

// affiliateId: the text after the first "AFFILIATEID=" up to the next blank, or `fallback`
// when the key is missing. affiliateFlags: everything after the first "#", or the whole text.
// Templates so that the program (wide text) and stamp-tag (narrow text) derive them alike.
template <class String>
String AffiliateIdIn(const String& properties, const String& fallback) {
    static constexpr char kKey[] = "AFFILIATEID=";
    constexpr std::size_t kKeyLength = sizeof(kKey) - 1;
    for (std::size_t at = 0; at + kKeyLength <= properties.size(); ++at) {
        std::size_t matched = 0;
        while (matched < kKeyLength &&
               properties[at + matched] ==
                   static_cast<typename String::value_type>(kKey[matched])) {
            ++matched;
        }
        if (matched != kKeyLength) continue;
        const std::size_t start = at + kKeyLength;
        const std::size_t end =
            properties.find(static_cast<typename String::value_type>(' '), start);
        return properties.substr(start, end == String::npos ? String::npos : end - start);
    }
    return fallback;
}

template <class String>
String AffiliateFlagsIn(const String& properties) {
    const std::size_t hash = properties.find(static_cast<typename String::value_type>('#'));
    return hash == String::npos ? properties : properties.substr(hash + 1);
}

}  // namespace quorix::tag
