# The product: the win32 thread model needs no winpthread DLL beside the exe.
set(QUORIX_MINGW_ARCH i686)
set(QUORIX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
