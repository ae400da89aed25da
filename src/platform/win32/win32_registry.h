// The real registry behind the seam.
#pragma once

#include "platform/registry.h"

namespace quorix::win32 {

class Win32Registry : public platform::Registry {
public:
};

}  // namespace quorix::win32
