// The real Desktop area behind the seam.
#pragma once

#include "platform/desktop.h"

namespace quorix::win32 {

class Win32Desktop : public platform::Desktop {
public:
};

}  // namespace quorix::win32
