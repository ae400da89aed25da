#include "package/tag_filter.h"

#include <iterator>
#include <utility>

#ifndef QUORIX_EXTRA_TAG_KEYS
#define QUORIX_EXTRA_TAG_KEYS ""
#endif

namespace quorix::tag {
namespace {

bool IsSafeValueByte(std::uint8_t byte) {
    // Enough for identifiers and version-like flags; nothing that could end a property, start
    // a new one, quote, escape or name a path.
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.';
}

bool IsListed(const std::string& key, const std::vector<std::string>& allowedKeys) {
    for (const std::string& allowed : allowedKeys) {
        if (key == allowed) return true;
    }
    return false;
}

void SortPair(const std::string& pair, const std::vector<std::string>& allowedKeys,
              FilteredTag* out) {
    if (pair.empty()) return;
    const std::size_t equals = pair.find('=');
    auto drop = [&](DropReason reason) { out->dropped.push_back({pair, reason}); };
    if (equals == std::string::npos) return drop(DropReason::NoEquals);
    if (equals == 0) return drop(DropReason::EmptyKey);
    TagPair candidate{pair.substr(0, equals), pair.substr(equals + 1)};
    if (!IsListed(candidate.key, allowedKeys)) return drop(DropReason::UnknownKey);
    // The installer skips the blanks after "=": "KEY= NEXT=x" would give KEY the text "NEXT=x"
    // and lose NEXT (the language transform, when the tag's pairs are the last before it).
    if (candidate.value.empty()) return drop(DropReason::EmptyValue);
    for (char c : candidate.value) {
        if (!IsSafeValueByte(static_cast<std::uint8_t>(c))) return drop(DropReason::UnsafeValue);
    }
    // The installer takes the last of two equal properties, the affiliate derivation the
    // first: only the first may stand, so both agree.
    for (const TagPair& kept : out->kept) {
        if (kept.key == candidate.key) return drop(DropReason::RepeatedKey);
    }
    out->kept.push_back(std::move(candidate));
}

std::vector<std::string> BuildProductKeys() {
    std::vector<std::string> keys(std::begin(kDefaultTagKeys), std::end(kDefaultTagKeys));
    const std::string extra = QUORIX_EXTRA_TAG_KEYS;
    std::size_t start = 0;
    while (start <= extra.size()) {
        std::size_t comma = extra.find(',', start);
        if (comma == std::string::npos) comma = extra.size();
        const std::string key = extra.substr(start, comma - start);
        if (!key.empty() && !IsListed(key, keys)) keys.push_back(key);
        start = comma + 1;
    }
    return keys;
}

}  // namespace

const std::vector<std::string>& ProductTagKeys() {
    static const std::vector<std::string> keys = BuildProductKeys();
    return keys;
}

const char* DescribeDropReason(DropReason reason) {
    switch (reason) {
        case DropReason::NoEquals:
            return "not a KEY=VALUE pair (no \"=\")";
        case DropReason::EmptyKey:
            return "the key is empty";
        case DropReason::UnknownKey:
            return "the key is not in the product's list of tag keys";
        case DropReason::EmptyValue:
            return "the value is empty";
        case DropReason::UnsafeValue:
            return "the value holds a character other than letters, digits, \"-\", \"_\" and \".\"";
        case DropReason::RepeatedKey:
            return "the key was already given earlier in the tag";
    }
    return "dropped";
}

std::string FilteredTag::KeptText() const {
    std::string text;
    for (const TagPair& pair : kept) {
        if (!text.empty()) text += '&';
        text += pair.key + '=' + pair.value;
    }
    return text;
}

FilteredTag FilterTag(const std::uint8_t* text, std::size_t length,
                      const std::vector<std::string>& allowedKeys) {
    FilteredTag out;
    std::string pair;
    for (std::size_t i = 0; i < length && text[i] != 0; ++i) {
        if (text[i] == '&') {
            SortPair(pair, allowedKeys, &out);
            pair.clear();
        } else {
            pair.push_back(static_cast<char>(text[i]));
        }
    }
    SortPair(pair, allowedKeys, &out);
    return out;
}

FilteredTag FilterTag(const std::string& text, const std::vector<std::string>& allowedKeys) {
    return FilterTag(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), allowedKeys);
}

namespace {

std::string InstallerForm(const std::string& value) {
    std::string form = value;
    for (char& c : form) c = c == '.' ? '#' : c;
    return form;
}

}  // namespace

PassedTag PassOn(const FilteredTag& filtered) {
    PassedTag passed;
    const TagPair* affiliate = nullptr;
    const TagPair* flags = nullptr;
    for (const TagPair& pair : filtered.kept) {
        if (pair.key == kAffiliateIdKey) affiliate = &pair;
        if (pair.key == kAffiliateFlagsKey) flags = &pair;
    }
    passed.defaultAffiliate = affiliate == nullptr;
    if (passed.defaultAffiliate) passed.pairs.push_back({kAffiliateIdKey, kDefaultAffiliateId});
    passed.pairs.insert(passed.pairs.end(), filtered.kept.begin(), filtered.kept.end());
    passed.affiliateId =
        affiliate != nullptr ? InstallerForm(affiliate->value) : kDefaultAffiliateId;
    const std::size_t dot = flags != nullptr ? flags->value.find('.') : std::string::npos;
    passed.affiliateFlags =
        dot != std::string::npos ? InstallerForm(flags->value.substr(dot + 1)) : "0";
    return passed;
}

std::string PropertiesOf(const std::vector<TagPair>& pairs) {
    std::string properties;
    for (const TagPair& pair : pairs) {
        if (!properties.empty()) properties += ' ';
        properties += pair.key + '=' + InstallerForm(pair.value);
    }
    return properties;
}

}  // namespace quorix::tag
