# Flags shared by every cross-built program: Unicode, static runtime, and a PE header and
# headers that Windows 2000 accepts. The program refuses to install below XP SP2 by its own
# check, which can only show its box if the loader of the older system starts it at all: the
# Windows 2000 loader refuses a subsystem version above 5.00. With _WIN32_WINNT at 0x0500 the
# headers hide what XP added, so such a function is looked up at run time or does not compile.
# 64-bit Windows starts at 5.2, so an x86-64 build declares that instead.
#
# The bitness of the build: the product is a 32-bit program; the x86-64 build of the same sources
# exists for machines whose Wine cannot run 32-bit code. Only the Win32 layer and the build may
# tell them apart, never the logic.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(QUORIX_WIN32_OLDEST_MINOR 2)
  set(QUORIX_WIN32_MACHINE amd64)
  set(QUORIX_WINDOWS_X86 OFF)
  set(QUORIX_SYMBOL_PREFIX "")
  set(QUORIX_WIXL_ARCH x64)
  set(QUORIX_WIXL_WIN64 yes)
  set(QUORIX_MANIFEST_ARCH amd64)
else()
  set(QUORIX_WIN32_OLDEST_MINOR 0)
  set(QUORIX_WIN32_MACHINE i386)
  set(QUORIX_WINDOWS_X86 ON)
  set(QUORIX_SYMBOL_PREFIX "_")
  set(QUORIX_WIXL_ARCH x86)
  set(QUORIX_WIXL_WIN64 no)
  set(QUORIX_MANIFEST_ARCH x86)
endif()
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
  _WIN32_WINNT=0x050${QUORIX_WIN32_OLDEST_MINOR} WINVER=0x050${QUORIX_WIN32_OLDEST_MINOR}
  _WIN32_IE=0x0600)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
add_link_options(-municode -static -static-libgcc -static-libstdc++
  -Wl,--major-subsystem-version,5 -Wl,--minor-subsystem-version,${QUORIX_WIN32_OLDEST_MINOR}
  -Wl,--major-os-version,5 -Wl,--minor-os-version,${QUORIX_WIN32_OLDEST_MINOR}
  -Wl,--nxcompat -Wl,--dynamicbase)
# Reproducible output: two clean builds of one commit, in two folders, give the same bytes. No
# link time in the PE header (a zero TimeDateStamp), and no build folder in the objects (the
# folders are mapped to "." wherever the compiler records a file name).
get_filename_component(_quorix_tree ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
add_compile_options(-ffile-prefix-map=${_quorix_tree}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp)
# Libraries the product may import: all of them are loaded by Windows from the system folder.
# msi.dll, version.dll and wtsapi32.dll are deliberately absent: they are loaded at run time
# by full system path, so a planted copy beside the exe is never picked up.
set(QUORIX_WIN32_LIBS kernel32 user32 gdi32 comctl32 advapi32 shell32 ole32 oleaut32 uuid)
