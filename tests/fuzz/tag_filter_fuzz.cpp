// The tag-key filter over arbitrary tag text: whatever the text, only listed keys with plain,
// non-empty values come out, every non-empty pair is either kept or dropped, and the kept text is
// stable. And what the base package receives, read the way the installer reads its property
// string, holds exactly the pairs kept (or the default tag's), each with a value, and the
// affiliate the program records its session under.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "bootstrap/installer_runs.h"
#include "core/process_state.h"
#include "package/tag_filter.h"
#include "package/tag_reader.h"

namespace {

bool Plain(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

using Property = std::pair<std::wstring, std::wstring>;

// The installer's reading of a property string: blanks separate properties, "=" binds a name to
// its value, and the blanks right after "=" are skipped, so "A= B=1" gives A the text "B=1".
// (No quotes: nothing the tag passes on can hold one.) A word without "=" is no property.
std::vector<Property> ParseLikeTheInstaller(const std::wstring& text) {
    std::vector<Property> properties;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && text[at] == L' ') ++at;
        if (at == text.size()) break;
        const std::size_t name = at;
        while (at < text.size() && text[at] != L'=' && text[at] != L' ') ++at;
        if (at == text.size() || text[at] != L'=') std::abort();
        Property property{text.substr(name, at - name), std::wstring()};
        ++at;
        while (at < text.size() && text[at] == L' ') ++at;
        const std::size_t value = at;
        while (at < text.size() && text[at] != L' ') ++at;
        property.second = text.substr(value, at - value);
        properties.push_back(std::move(property));
    }
    return properties;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The base package's properties, given the pairs the tag passes on (or the default tag's).
std::vector<Property> ExpectedBaseProperties(const std::vector<quorix::tag::TagPair>& tagPairs,
                                             bool silent) {
    std::vector<Property> expected = {{L"LANGSTRING", L"en-US"}, {L"USERDEFINST", L"2"}};
    for (const quorix::tag::TagPair& pair : tagPairs) {
        std::wstring value = Wide(pair.value);
        for (wchar_t& c : value) c = c == L'.' ? L'#' : c;
        expected.push_back({Wide(pair.key), value});
    }
    expected.push_back({L"TRANSFORMS", L":en-US"});
    if (silent) expected.push_back({L"FASTOEM", L"1"});
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorix::tag;
    // The first byte chooses between the product's list and one with an extra key, so that the
    // list's contents matter too. The extra key ends in AFFILIATEID, which no reading of the
    // text may take for the affiliate.
    std::vector<std::string> keys = ProductTagKeys();
    if (size > 0 && (data[0] & 1) != 0) keys.push_back("SUBAFFILIATEID");
    const std::vector<std::uint8_t> exact(data, data + size);
    const FilteredTag filtered = FilterTag(exact.data(), exact.size(), keys);

    std::size_t pairs = 0;
    std::size_t pairLength = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0 || data[i] == '&') {
            if (pairLength != 0) ++pairs;
            pairLength = 0;
            if (i == size || data[i] == 0) break;
        } else {
            ++pairLength;
        }
    }
    if (filtered.kept.size() + filtered.dropped.size() != pairs) std::abort();

    for (const TagPair& pair : filtered.kept) {
        bool listed = false;
        for (const std::string& key : keys) listed = listed || key == pair.key;
        if (!listed) std::abort();
        for (char c : pair.value) {
            if (!Plain(c)) std::abort();
        }
        for (const TagPair& other : filtered.kept) {
            if (&other != &pair && other.key == pair.key) std::abort();
        }
    }

    // What was kept passes again whole and unchanged.
    const FilteredTag again = FilterTag(filtered.KeptText(), keys);
    if (!again.dropped.empty() || again.KeptText() != filtered.KeptText()) std::abort();

    // The property string can hold no quote, no "&", no control or high character and exactly
    // one blank between two pairs.
    const std::string properties = PropertiesOf(filtered);
    std::size_t blanks = 0;
    for (char c : properties) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '&') std::abort();
        if (c == ' ') ++blanks;
    }
    if (blanks + 1 != filtered.kept.size() && !(blanks == 0 && filtered.kept.empty())) std::abort();

    for (const TagPair& pair : filtered.kept) {
        if (pair.value.empty()) std::abort();
    }

    // What the program does with the text: its own tag reading and its own base property string,
    // for the product's list and for a build with the extra key alike.
    const PassedTag passed = PassOn(filtered);
    if (keys.size() == ProductTagKeys().size() &&
        quorix::TagTextToProperties(exact.data(), exact.size()) !=
            Wide(PropertiesOf(passed.pairs))) {
        std::abort();
    }
    quorix::ProcessState state;
    state.tagProperties = Wide(PropertiesOf(passed.pairs));
    state.affiliateId = Wide(passed.affiliateId);
    quorix::RunOptions options;
    options.silent = size > 1 && (data[1] & 1) != 0;
    const std::vector<Property> received =
        ParseLikeTheInstaller(quorix::BaseCommandLine(state, options, L"en-US"));
    if (received != ExpectedBaseProperties(passed.pairs, options.silent)) std::abort();
    std::size_t affiliates = 0;
    std::wstring receivedAffiliate;
    for (const Property& property : received) {
        if (property.second.empty()) std::abort();
        if (property.first == Wide(kAffiliateIdKey)) {
            receivedAffiliate = property.second;
            ++affiliates;
        }
    }
    // The installer receives exactly one affiliate, and the session is recorded under it.
    if (affiliates != 1 || state.affiliateId != receivedAffiliate) std::abort();
    // The flags recorded are those of the flags property the installer receives, or 0.
    std::wstring receivedFlags = L"0";
    for (const Property& property : received) {
        const std::size_t hash = property.second.find(L'#');
        if (property.first == Wide(kAffiliateFlagsKey) && hash != std::wstring::npos) {
            receivedFlags = property.second.substr(hash + 1);
        }
    }
    if (Wide(passed.affiliateFlags) != receivedFlags) std::abort();
    return 0;
}
