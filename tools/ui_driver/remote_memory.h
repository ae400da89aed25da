// A block of memory inside the program under test. Common-control messages that carry a
// pointer (CBEM_GETITEMW and friends) are not marshalled between processes: the pointer must
// be valid in the control's own process, so the driver lends it memory there.
#pragma once

#include <windows.h>

#include <cstddef>

namespace quorix::uidriver {

class RemoteBlock {
public:
    // The process that owns window, and bytes of read/write memory in it.
    RemoteBlock(HWND window, std::size_t bytes);
    ~RemoteBlock();
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool ok() const { return address_ != nullptr; }
    // The block's address as the other process sees it, offset bytes in.
    void* At(std::size_t offset) const;
    bool Write(std::size_t offset, const void* data, std::size_t bytes);
    bool Read(std::size_t offset, void* data, std::size_t bytes) const;

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace quorix::uidriver
