#include "remote_memory.h"

namespace quorix::uidriver {

RemoteBlock::RemoteBlock(HWND window, std::size_t bytes) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0 || bytes == 0) return;
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ == nullptr) return;
    address_ = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ != nullptr) size_ = bytes;
}

RemoteBlock::~RemoteBlock() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
}

void* RemoteBlock::At(std::size_t offset) const { return static_cast<char*>(address_) + offset; }

bool RemoteBlock::Write(std::size_t offset, const void* data, std::size_t bytes) {
    if (address_ == nullptr || offset > size_ || bytes > size_ - offset) return false;
    SIZE_T written = 0;
    return WriteProcessMemory(process_, At(offset), data, bytes, &written) && written == bytes;
}

bool RemoteBlock::Read(std::size_t offset, void* data, std::size_t bytes) const {
    if (address_ == nullptr || offset > size_ || bytes > size_ - offset) return false;
    SIZE_T read = 0;
    return ReadProcessMemory(process_, At(offset), data, bytes, &read) && read == bytes;
}

}  // namespace quorix::uidriver
