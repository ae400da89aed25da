// The tag-key filter over arbitrary tag text: whatever the text, only listed keys with plain
// values come out, every non-empty pair is either kept or dropped, and the kept text is stable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "package/tag_filter.h"
#include "package/tag_reader.h"

namespace {

bool Plain(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorix::tag;
    // The first byte chooses between the product's list and one with an extra key, so that the
    // list's contents matter too.
    std::vector<std::string> keys = ProductTagKeys();
    if (size > 0 && (data[0] & 1) != 0) keys.push_back("EXTRA_KEY");
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

    // The program's wide form is the same text, widened.
    const std::wstring wide = quorix::TagTextToProperties(exact.data(), exact.size());
    if (keys.size() == ProductTagKeys().size() &&
        wide != std::wstring(properties.begin(), properties.end())) {
        std::abort();
    }
    return 0;
}
