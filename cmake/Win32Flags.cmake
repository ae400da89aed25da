# Flags shared by every cross-built program: Unicode, XP SP2 as the floor, static runtime.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
  _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
add_link_options(-municode -static -static-libgcc -static-libstdc++
  -Wl,--major-subsystem-version,5 -Wl,--minor-subsystem-version,1
  -Wl,--major-os-version,5 -Wl,--minor-os-version,1 -Wl,--nxcompat -Wl,--dynamicbase)
# Libraries the product may import: all of them are loaded by Windows from the system folder.
# msi.dll, version.dll and wtsapi32.dll are deliberately absent: they are loaded at run time
# by full system path, so a planted copy beside the exe is never picked up.
set(QUORIX_WIN32_LIBS kernel32 user32 gdi32 comctl32 advapi32 shell32 ole32 oleaut32 uuid)
