# The logic of every room is written once against the platform seam and compiled into all
# three builds. Only platform/win32 and platform/sim differ.
file(GLOB QUORIX_LOGIC_SOURCES CONFIGURE_DEPENDS
  ${QUORIX_SOURCE_DIR}/src/common/*.cpp
  ${QUORIX_SOURCE_DIR}/src/platform/*.cpp
  ${QUORIX_SOURCE_DIR}/src/core/*.cpp
  ${QUORIX_SOURCE_DIR}/src/bootstrap/*.cpp
  ${QUORIX_SOURCE_DIR}/src/package/*.cpp
  ${QUORIX_SOURCE_DIR}/src/installed/*.cpp
  ${QUORIX_SOURCE_DIR}/src/ui/*.cpp
  ${QUORIX_SOURCE_DIR}/src/report/*.cpp
  ${QUORIX_SOURCE_DIR}/src/shell/*.cpp)
file(GLOB QUORIX_WIN32_SOURCES CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/src/platform/win32/*.cpp)
file(GLOB QUORIX_SIM_SOURCES CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/src/platform/sim/*.cpp)

# Boost is used header-only (smart_ptr). The cross build must not see the host's whole
# /usr/include, so it reaches boost through a folder of its own that holds only a link to it.
find_path(QUORIX_BOOST_ROOT boost/shared_array.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUORIX_BOOST_ROOT)
  message(FATAL_ERROR "boost headers not found (Debian package libboost-dev)")
endif()
set(QUORIX_BOOST_INCLUDE ${CMAKE_BINARY_DIR}/boost-include)
if(NOT EXISTS ${QUORIX_BOOST_INCLUDE}/boost)
  file(MAKE_DIRECTORY ${QUORIX_BOOST_INCLUDE})
  file(CREATE_LINK ${QUORIX_BOOST_ROOT}/boost ${QUORIX_BOOST_INCLUDE}/boost SYMBOLIC)
endif()

# The release's version, generated from cmake/Release.cmake for the code and the resources.
set(QUORIX_GENERATED_INCLUDE ${CMAKE_BINARY_DIR}/generated)
configure_file(${QUORIX_SOURCE_DIR}/src/core/release_version.h.in
  ${QUORIX_GENERATED_INCLUDE}/release_version.h @ONLY)

# The tag keys a distributor's tag may pass to the installer besides AFFILIATEID and
# AFFILIATEIDFLAGS (README, "What the program passes on"). Compiled into the program and into stamp-tag, so both
# apply the same list.
set(QUORIX_TAG_KEYS "" CACHE STRING
  "Extra installer property names a distributor's tag may set (semicolon-separated)")
foreach(key IN LISTS QUORIX_TAG_KEYS)
  if(NOT key MATCHES "^[A-Z][A-Z0-9_]*$")
    message(FATAL_ERROR "QUORIX_TAG_KEYS: '${key}' is not a public installer property name "
      "(upper-case letters, digits and '_', starting with a letter)")
  endif()
  # A key such as SUBAFFILIATEID reads like the affiliate to anyone who searches the text.
  foreach(own IN ITEMS AFFILIATEID AFFILIATEIDFLAGS)
    if(key MATCHES "${own}$")
      message(FATAL_ERROR "QUORIX_TAG_KEYS: '${key}' equals or ends with the product's own tag "
        "key ${own}; choose a name that does not")
    endif()
  endforeach()
endforeach()
string(REPLACE ";" "," QUORIX_EXTRA_TAG_KEYS "${QUORIX_TAG_KEYS}")

function(quorix_logic_library name)
  add_library(${name} STATIC ${QUORIX_LOGIC_SOURCES} ${ARGN})
  target_include_directories(${name} PUBLIC ${QUORIX_SOURCE_DIR}/src ${QUORIX_GENERATED_INCLUDE})
  target_include_directories(${name} SYSTEM PUBLIC ${QUORIX_BOOST_INCLUDE})
  set_property(SOURCE ${QUORIX_SOURCE_DIR}/src/package/tag_filter.cpp APPEND PROPERTY
    COMPILE_DEFINITIONS "QUORIX_EXTRA_TAG_KEYS=\"${QUORIX_EXTRA_TAG_KEYS}\"")
endfunction()

# Optional sub-projects: each room that has a CMakeLists of its own is picked up when present.
macro(quorix_optional_subdirectory dir)
  if(EXISTS ${QUORIX_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${QUORIX_SOURCE_DIR}/${dir} ${CMAKE_BINARY_DIR}/${dir})
  endif()
endmacro()
