// Files and read-only mappings of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x00000001u;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

class Files {
public:
    virtual ~Files() = default;

    // CreateFileW(path, access, share, no security attributes, disposition, attributes, no
    // template). kInvalidHandleValue on failure. Closed with System::CloseHandle.
    virtual NativeHandle CreateFileHandle(const std::wstring& path, std::uint32_t access,
                                    std::uint32_t share, std::uint32_t disposition,
                                    std::uint32_t attributes) = 0;

    // CreateFileMappingW(file, no security attributes, PAGE_READONLY, size 0, no name).
    // kNullHandle on failure. Closed with System::CloseHandle.
    virtual NativeHandle CreateReadOnlyMapping(NativeHandle file) = 0;
    // MapViewOfFile(mapping, FILE_MAP_READ, offset 0, the whole file). Null on failure.
    virtual const std::uint8_t* MapReadOnlyView(NativeHandle mapping) = 0;
    virtual bool UnmapView(const std::uint8_t* view) = 0;
    // GetFileSizeEx. False on failure.
    virtual bool GetFileSize(NativeHandle file, std::uint64_t* size) = 0;
    // VirtualQuery on an address: the size of the region it lies in. False on failure.
    virtual bool QueryRegionSize(const std::uint8_t* address, std::size_t* regionSize) = 0;
};

}  // namespace quorix::platform
