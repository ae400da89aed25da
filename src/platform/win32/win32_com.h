// The real COM library behind the seam (ole32).
#pragma once

#include "platform/com.h"

namespace quorix::win32 {

class Win32Com : public platform::Com {
public:
    std::int32_t InitializeCom() override;
    void UninitializeCom() override;
    std::int32_t CreateGuid(platform::Guid* guid) override;
    int StringFromGuid(const platform::Guid& guid, std::size_t capacity,
                       std::wstring* text) override;
    std::int32_t ParseIid(const std::wstring& text, platform::Guid* guid) override;
    std::int32_t CreateInstance(const platform::Guid& classId, std::uint32_t context,
                                const platform::Guid& interfaceId,
                                platform::ComObject* object) override;
    std::int32_t CallMethodWithoutArguments(platform::ComObject object, std::size_t slot) override;
    std::uint32_t ReleaseObject(platform::ComObject object) override;
};

}  // namespace quorix::win32
