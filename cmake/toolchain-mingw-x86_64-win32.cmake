# The product: the win32 thread model needs no winpthread DLL beside the exe.
# The 64-bit build of the same sources, for machines whose Wine runs no 32-bit code.
set(QUORIX_MINGW_ARCH x86_64)
set(QUORIX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
