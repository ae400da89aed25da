// The real resources behind the seam.
#pragma once

#include "platform/resources.h"

namespace quorix::win32 {

class Win32Resources : public platform::Resources {
public:
};

}  // namespace quorix::win32
