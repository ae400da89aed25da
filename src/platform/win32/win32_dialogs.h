// The real Dialogs area behind the seam.
#pragma once

#include "platform/dialogs.h"

namespace quorix::win32 {

class Win32Dialogs : public platform::Dialogs {
public:
};

}  // namespace quorix::win32
