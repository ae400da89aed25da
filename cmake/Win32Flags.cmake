# Flags shared by every cross-built program: Unicode, XP SP2 as the floor, static runtime.
#
# The bitness of the build: the product is a 32-bit program; the x86-64 build of the same sources
# exists for machines whose Wine cannot run 32-bit code. Only the Win32 layer and the build may
# tell them apart, never the logic.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(QUORIX_WINDOWS_X86 OFF)
  set(QUORIX_SYMBOL_PREFIX "")
  set(QUORIX_WIXL_ARCH x64)
  set(QUORIX_WIXL_WIN64 yes)
  set(QUORIX_MANIFEST_ARCH amd64)
else()
  set(QUORIX_WINDOWS_X86 ON)
  set(QUORIX_SYMBOL_PREFIX "_")
  set(QUORIX_WIXL_ARCH x86)
  set(QUORIX_WIXL_WIN64 no)
  set(QUORIX_MANIFEST_ARCH x86)
endif()
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
