// Reads the distributor's tag stamped behind the signature of our own file.
#pragma once

#include <cstdint>
#include <string>

#include "core/process_state.h"

namespace quorix {

// Maps a signed executable read-only and finds the tag behind its signature blob.
class TagExtractor {
public:
    explicit TagExtractor(platform::Platform& os) : os_(os) {}
    TagExtractor(const TagExtractor&) = delete;
    TagExtractor& operator=(const TagExtractor&) = delete;
    virtual ~TagExtractor();

    bool Open(const std::wstring& path);
    // Checks the headers and remembers where the certificate entry and the tag are.
    bool LocateTag();
    // Without a buffer: *size := the bytes needed (text length + 1). With a buffer of *size
    // bytes: copies the text and a terminating 0.
    bool ReadTag(std::int32_t* size, std::uint8_t* buffer);

    bool IsOpen() const { return platform::IsValidHandle(file_); }
    bool HasView() const { return view_ != nullptr; }

private:
    void Release();
    std::uint64_t Bound() const;

    platform::Platform& os_;
    platform::NativeHandle file_ = platform::kInvalidHandleValue;
    platform::NativeHandle mapping_ = platform::kNullHandle;
    const std::uint8_t* view_ = nullptr;
    std::uint32_t viewSize_ = 0;
    // The view covers whole pages; the tag must also lie inside the file itself, so that a
    // truncated file is no tag rather than a tag padded with the page's zeros.
    std::uint64_t fileSize_ = 0;
    std::uint32_t tagOffset_ = 0;
    const std::uint8_t* certificateEntry_ = nullptr;
};

// Replaces tagProperties, affiliateId and affiliateFlags with what the tag of the file at path
// passes on; warns and keeps the defaults when the file carries no readable tag.
void ReadStampedTag(ProcessContext& ctx, const std::wstring& path);

// The tag text (up to a 0 byte) in installer-property form: the pairs that pass the product's
// tag-key filter (package/tag_filter.h), behind the default affiliate when none of them is one.
std::wstring TagTextToProperties(const std::uint8_t* text, std::size_t length);

}  // namespace quorix
