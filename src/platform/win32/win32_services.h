// The real Services area behind the seam.
#pragma once

#include "platform/services.h"

namespace quorix::win32 {

class Win32Services : public platform::Services {
public:
};

}  // namespace quorix::win32
