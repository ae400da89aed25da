// The real installer behind the seam.
#pragma once

#include "platform/installer.h"

namespace quorix::win32 {

class Win32Installer : public platform::Installer {
public:
};

}  // namespace quorix::win32
