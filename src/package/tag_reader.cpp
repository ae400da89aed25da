#include "package/tag_reader.h"

#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "package/tag_filter.h"
#include "package/tag_layout.h"
#include "common/text.h"

namespace quorix {

TagExtractor::~TagExtractor() { Release(); }

void TagExtractor::Release() {
    if (view_ != nullptr) os_.files.UnmapView(view_);
    if (mapping_ != platform::kNullHandle) os_.system.CloseHandle(mapping_);
    if (platform::IsValidHandle(file_)) os_.system.CloseHandle(file_);
    file_ = platform::kInvalidHandleValue;
    mapping_ = platform::kNullHandle;
    view_ = nullptr;
    viewSize_ = 0;
    fileSize_ = 0;
    tagOffset_ = 0;
    certificateEntry_ = nullptr;
}

bool TagExtractor::Open(const std::wstring& path) {
    Release();
    file_ = os_.files.CreateFileHandle(path, platform::kGenericRead, platform::kFileShareRead,
                                       platform::kOpenExisting, platform::kFileAttributeNormal);
    if (!platform::IsValidHandle(file_)) {
        file_ = platform::kInvalidHandleValue;
        return false;
    }
    mapping_ = os_.files.CreateReadOnlyMapping(file_);
    if (mapping_ != platform::kNullHandle) view_ = os_.files.MapReadOnlyView(mapping_);
    std::size_t region = 0;
    if (view_ == nullptr || !os_.files.QueryRegionSize(view_, &region) ||
        !os_.files.GetFileSize(file_, &fileSize_)) {
        Release();
        return false;
    }
    // A 32-bit process cannot map more than 4 GiB; the cap only keeps the type honest.
    viewSize_ = region > std::numeric_limits<std::uint32_t>::max()
                    ? std::numeric_limits<std::uint32_t>::max()
                    : static_cast<std::uint32_t>(region);
    return true;
}

std::uint64_t TagExtractor::Bound() const { return fileSize_ < viewSize_ ? fileSize_ : viewSize_; }

bool TagExtractor::LocateTag() {
    certificateEntry_ = nullptr;
    tagOffset_ = 0;
    if (view_ == nullptr) return false;
    tag::TagLocation location{};
    if (!tag::LocateTag(view_, Bound(), &location)) return false;
    certificateEntry_ = view_ + location.certificateEntryOffset;
    tagOffset_ = location.tagOffset;
    return true;
}

bool TagExtractor::ReadTag(std::int32_t* size, std::uint8_t* buffer) {
    if (certificateEntry_ == nullptr || size == nullptr) return false;
    const tag::TagLocation location{static_cast<std::uint32_t>(certificateEntry_ - view_),
                                    tagOffset_};
    // The header, the length and the whole text must lie inside the view: a tag that runs
    // past the end of the file is no tag.
    const std::uint8_t* text = nullptr;
    std::uint16_t length = 0;
    if (!tag::ReadTagText(view_, Bound(), location, &text, &length)) return false;
    const std::int32_t needed = static_cast<std::int32_t>(length) + 1;
    if (buffer == nullptr) {
        *size = needed;
        return true;
    }
    if (*size < needed) return false;
    std::memcpy(buffer, text, length);
    buffer[length] = 0;
    return true;
}

namespace {

std::wstring Widened(const std::string& text) {
    // Only ASCII survives the filter, so each byte is one UTF-16 code unit.
    return std::wstring(text.begin(), text.end());
}

void WarnNoTag(ProcessContext& ctx, const wchar_t* stage) {
    // Logged before the box: an unattended run left waiting on it still says why.
    ctx.state.log.Write("tag", {"none used (", stage,
                                "), the default properties stand: ", ctx.state.tagProperties});
    ctx.os.ui.ShowMessageBox(stage, L"No AID Config found.  Using default values.",
                             platform::kMbIconWarning);
}

// The pairs of a tag that were not passed on, and why, for the run log.
// The tag's bytes stay bytes: the log widens each one as it is.
std::string DescribeDroppedPairs(const tag::FilteredTag& filtered) {
    if (filtered.dropped.empty()) return "; no pair dropped";
    std::string description = "; dropped:";
    for (const tag::DroppedPair& pair : filtered.dropped) {
        description += " \"";
        description += pair.text;
        description += "\" (";
        description += tag::DescribeDropReason(pair.reason);
        description += ')';
    }
    return description;
}

}  // namespace

std::wstring TagTextToProperties(const std::uint8_t* text, std::size_t length) {
    return Widened(
        tag::PropertiesOf(tag::PassOn(tag::FilterTag(text, length, tag::ProductTagKeys())).pairs));
}

void ReadStampedTag(ProcessContext& ctx, const std::wstring& path) {
    TagExtractor extractor(ctx.os);
    if (!extractor.Open(path)) {
        WarnNoTag(ctx, L"extract_aidconfig1");
        return;
    }
    std::int32_t size = 0;
    if (!extractor.IsOpen() || !extractor.HasView() || !extractor.LocateTag() ||
        !extractor.ReadTag(&size, nullptr)) {
        WarnNoTag(ctx, L"extract_aidconfig2");
        return;
    }
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
    if (!buffer || !extractor.LocateTag() || !extractor.ReadTag(&size, buffer.get())) {
        WarnNoTag(ctx, L"extract_aidconfig3");
        return;
    }
    const std::size_t length = static_cast<std::size_t>(size - 1);
    // The tag lies outside the signed hash: anyone can rewrite it without breaking the
    // signature. Only the product's own keys with plain, non-empty values reach the installer;
    // any other pair is dropped alone, so the affiliate survives it. A readable tag is never
    // "no tag", whatever it keeps: no box stops an unattended run for it. When it keeps no
    // affiliate, the default one goes first, so the session is recorded under the affiliate the
    // installer receives and the tag's other pairs (its flags) still count.
    const tag::FilteredTag filtered = tag::FilterTag(buffer.get(), length, tag::ProductTagKeys());
    const tag::PassedTag passed = tag::PassOn(filtered);
    ctx.state.tagProperties = Widened(tag::PropertiesOf(passed.pairs));
    ctx.state.affiliateId = Widened(passed.affiliateId);
    ctx.state.affiliateFlags = Widened(passed.affiliateFlags);
    if (ctx.state.log.IsOpen()) {
        ctx.state.log.Write(
            "tag", {"passed on: ", ctx.state.tagProperties, DescribeDroppedPairs(filtered),
                    passed.defaultAffiliate ? "; the tag keeps no affiliate, the default one stands"
                                            : ""});
    }
}

}  // namespace quorix
