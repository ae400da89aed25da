# mingw-w64 for Windows. The including toolchain file sets QUORIX_MINGW_ARCH to the processor
# (i686 for the 32-bit product, x86_64 for the 64-bit build of the same sources) and
# QUORIX_MINGW_THREADS to the thread model of the compiler it wants: win32 or posix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUORIX_MINGW_ARCH})
set(CMAKE_C_COMPILER ${QUORIX_MINGW_ARCH}-w64-mingw32-gcc-${QUORIX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${QUORIX_MINGW_ARCH}-w64-mingw32-g++-${QUORIX_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${QUORIX_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORIX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
