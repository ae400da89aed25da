#include "platform/handles.h"

#include "platform/system.h"

namespace quorix::platform {

void UniqueHandle::Reset() {
    if (system_ != nullptr && IsValidHandle(handle_)) system_->CloseHandle(handle_);
    handle_ = kNullHandle;
}

}  // namespace quorix::platform
