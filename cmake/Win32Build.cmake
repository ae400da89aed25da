# The product: QuorixSetup.exe, a 32-bit GUI program for Windows XP SP2 and later.
enable_language(RC)
include(${QUORIX_SOURCE_DIR}/cmake/Win32Flags.cmake)
add_compile_options(-ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables)
add_link_options(-Wl,--gc-sections)
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  add_link_options(-s)
endif()

quorix_logic_library(quorix_logic)
target_sources(quorix_logic PRIVATE ${QUORIX_WIN32_SOURCES})

# The payload: demo packages by default, a release engineer's own MSI files when named.
quorix_optional_subdirectory(packages)
include(${QUORIX_SOURCE_DIR}/cmake/Payload.cmake)

set(QUORIX_UNSIGNED_DIR ${CMAKE_BINARY_DIR}/unsigned)
add_executable(QuorixSetup WIN32 ${QUORIX_SOURCE_DIR}/src/main.cpp
  ${QUORIX_SOURCE_DIR}/src/ui/resources/quorix.rc)
set_target_properties(QuorixSetup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUORIX_UNSIGNED_DIR})
target_include_directories(QuorixSetup PRIVATE ${QUORIX_SOURCE_DIR}/src/ui/resources ${CMAKE_BINARY_DIR})
target_link_libraries(QuorixSetup PRIVATE quorix_logic ${QUORIX_WIN32_LIBS})
if(QUORIX_PAYLOAD_TARGETS)
  add_dependencies(QuorixSetup ${QUORIX_PAYLOAD_TARGETS})
endif()
file(GLOB QUORIX_RESOURCE_FILES CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/src/ui/resources/*)
# quorix.rc includes the generated payload.rc, so the packages are dependencies of it too.
set_source_files_properties(${QUORIX_SOURCE_DIR}/src/ui/resources/quorix.rc
  PROPERTIES OBJECT_DEPENDS "${QUORIX_RESOURCE_FILES};${QUORIX_PAYLOAD_RC};${QUORIX_PAYLOAD_FILES}")

# Signing and tagging: build/win32/QuorixSetup.exe (signed) and QuorixSetup-tagged.exe.
include(${QUORIX_SOURCE_DIR}/cmake/Signing.cmake OPTIONAL RESULT_VARIABLE QUORIX_HAVE_SIGNING)
if(QUORIX_HAVE_SIGNING)
  quorix_sign_and_tag(QuorixSetup ${CMAKE_BINARY_DIR}/QuorixSetup.exe ${CMAKE_BINARY_DIR}/QuorixSetup-tagged.exe)
endif()
