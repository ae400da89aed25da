# Cross-built test programs: GoogleTest needs std::mutex, which only the posix thread model has.
set(QUORIX_MINGW_ARCH i686)
set(QUORIX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
