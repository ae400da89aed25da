# Cross-built test programs: GoogleTest needs std::mutex, which only the posix thread model has.
# The 64-bit build of the same sources, for machines whose Wine runs no 32-bit code.
set(QUORIX_MINGW_ARCH x86_64)
set(QUORIX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
