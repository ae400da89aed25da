# The product: QuorixSetup.exe, a 32-bit GUI program for Windows XP SP2 and later (and the same
# sources built for x86-64, where QUORIX_WINDOWS_X86 is off).
enable_language(RC)
include(${QUORIX_SOURCE_DIR}/cmake/Win32Flags.cmake)
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# The string members the code calls, instantiated in its own objects instead of taken with the
# library's every member (see the header).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${QUORIX_SOURCE_DIR}/cmake/libstdcxx/StringMembersInPlace.h>")
# Those members are shared between the objects only where each object calls the same function:
# a copy specialised to one object's calls (a clone with fewer or constant arguments) is that
# object's alone, and -Os gives each object its own copy of a constructor's body besides.
add_compile_options(-fno-ipa-sra -fno-ipa-cp-clone -fno-declone-ctor-dtor)
# No code asks an object for its type (no dynamic_cast, no typeid): the type descriptions of
# the interfaces are left out. The exceptions keep theirs, which the compiler emits regardless.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
# The program starts no thread of its own: window, dialog and enumeration callbacks and the
# single-threaded COM apartment all run on the main thread. A function's static is so never
# initialised twice at once, and needs no guard (about 1.3 KiB of locking around each one).
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
# 32-bit code unwinds by DWARF tables in .eh_frame, which the exceptions need; the asynchronous
# ones beside them only serve debuggers. x86-64 code unwinds through the SEH tables those same
# flags produce: without them its exceptions would need the SjLj runtime that the static libgcc
# does not carry.
if(QUORIX_WINDOWS_X86)
  add_compile_options(-fno-asynchronous-unwind-tables)
endif()
# Page-sized file alignment: Wine maps a page-aligned section straight from the file, but reads
# a 512-byte-aligned one into private memory, packages and all (a 256 MiB package cost 263 MiB
# of anonymous memory, a slower extraction and a slower start). About 25 KiB of padding.
add_link_options(-Wl,--file-alignment,0x1000)
# The static libstdc++'s default terminate handler prints the demangled type of an uncaught
# exception to a standard error a GUI program does not have; it pulls in the demangler and the
# printf family (76 KiB). Aborting at once is all that is left to do at that point anyway.
# (32-bit symbols carry a leading underscore, x86-64 ones none.)
add_link_options(
  -Wl,--defsym,${QUORIX_SYMBOL_PREFIX}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${QUORIX_SYMBOL_PREFIX}abort)
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  add_link_options(-s)
endif()

quorix_logic_library(quorix_logic)
target_sources(quorix_logic PRIVATE ${QUORIX_WIN32_SOURCES})
# Optimised at link time as one program: the compiler sees which of the logic's functions each
# caller needs and inlines or drops the rest across files. About 32 KiB less 32-bit code than
# object by object, which keeps the stub under its 256 KiB with the hardened extraction. Every
# program that links the logic (the product and its multi-language twin) links this way.
target_compile_options(quorix_logic PUBLIC -flto=auto)
target_link_options(quorix_logic INTERFACE -flto=auto)

# The payload: demo packages by default, a release engineer's own MSI files when named.
quorix_optional_subdirectory(packages)
include(${QUORIX_SOURCE_DIR}/cmake/Payload.cmake)

set(QUORIX_UNSIGNED_DIR ${CMAKE_BINARY_DIR}/unsigned)
# The manifest names the build's processor: Windows looks the Common Controls 6 assembly up for
# it, and a 64-bit process finds no x86 one (the program would not start).
set(QUORIX_MANIFEST ${CMAKE_BINARY_DIR}/quorix.manifest)
configure_file(${QUORIX_SOURCE_DIR}/src/ui/resources/quorix.manifest.in ${QUORIX_MANIFEST} @ONLY)
# The entry point is compiled once and linked into the product and its test variant.
add_library(quorix_entry OBJECT ${QUORIX_SOURCE_DIR}/src/main.cpp
  ${QUORIX_SOURCE_DIR}/cmake/libstdcxx/library_throws.cpp)
# The library's length, null-pointer and range faults no longer throw the standard classes
# (see library_throws.cpp): no code may count on catching those.
file(GLOB_RECURSE _quorix_product_sources ${QUORIX_SOURCE_DIR}/src/*.cpp ${QUORIX_SOURCE_DIR}/src/*.h)
foreach(_file IN LISTS _quorix_product_sources)
  file(STRINGS ${_file} _catches REGEX
    "catch *\\( *(const +)?std::(logic_error|length_error|out_of_range|invalid_argument|domain_error|runtime_error|range_error|overflow_error|underflow_error|system_error)")
  if(_catches)
    message(FATAL_ERROR "${_file} catches a standard exception class the product never throws: ${_catches}")
  endif()
endforeach()
target_link_libraries(quorix_entry PUBLIC quorix_logic ${QUORIX_WIN32_LIBS})
add_executable(QuorixSetup WIN32 ${QUORIX_SOURCE_DIR}/src/ui/resources/quorix.rc)
set_target_properties(QuorixSetup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUORIX_UNSIGNED_DIR})
target_include_directories(QuorixSetup PRIVATE ${QUORIX_SOURCE_DIR}/src/ui/resources ${CMAKE_BINARY_DIR})
target_link_libraries(QuorixSetup PRIVATE quorix_entry quorix_logic ${QUORIX_WIN32_LIBS})
if(QUORIX_PAYLOAD_TARGETS)
  add_dependencies(QuorixSetup ${QUORIX_PAYLOAD_TARGETS})
endif()
file(GLOB QUORIX_RESOURCE_FILES CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/src/ui/resources/*)
# quorix.rc includes the generated payload.rc, so the packages are dependencies of it too.
set_source_files_properties(${QUORIX_SOURCE_DIR}/src/ui/resources/quorix.rc
  PROPERTIES OBJECT_DEPENDS
  "${QUORIX_RESOURCE_FILES};${QUORIX_MANIFEST};${QUORIX_PAYLOAD_RC};${QUORIX_PAYLOAD_FILES}")

# The import check: every imported function must exist on the oldest Windows the program starts
# on, and the PE header must say so; the loader of an older system refuses the whole program
# for one missing entry point, which Wine never shows. A failed check fails the build and leaves
# no stamp, so the next build checks again.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QUORIX_IMPORT_CHECK ${QUORIX_SOURCE_DIR}/tools/import_check/check_imports.py)
set(QUORIX_ALLOWED_IMPORTS ${QUORIX_SOURCE_DIR}/tools/import_check/allowed_imports.txt)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/import-check)
function(quorix_import_check target)
  set(_stamp ${CMAKE_BINARY_DIR}/import-check/${target}.ok)
  add_custom_command(OUTPUT ${_stamp}
    COMMAND ${CMAKE_COMMAND} -E remove -f ${_stamp}
    COMMAND ${Python3_EXECUTABLE} ${QUORIX_IMPORT_CHECK} --allowed ${QUORIX_ALLOWED_IMPORTS}
      --oldest 5.${QUORIX_WIN32_OLDEST_MINOR} --machine ${QUORIX_WIN32_MACHINE}
      $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
    DEPENDS ${target} $<TARGET_FILE:${target}> ${QUORIX_IMPORT_CHECK} ${QUORIX_ALLOWED_IMPORTS}
    COMMENT "Checking the imports and PE header of ${target}"
    VERBATIM)
  add_custom_target(${target}_import_check ALL DEPENDS ${_stamp})
endfunction()
quorix_import_check(QuorixSetup)

# Signing and tagging: build/win32/QuorixSetup.exe (signed) and QuorixSetup-tagged.exe.
include(${QUORIX_SOURCE_DIR}/cmake/Signing.cmake OPTIONAL RESULT_VARIABLE QUORIX_HAVE_SIGNING)
if(QUORIX_HAVE_SIGNING)
  quorix_sign_and_tag(QuorixSetup ${CMAKE_BINARY_DIR}/QuorixSetup.exe ${CMAKE_BINARY_DIR}/QuorixSetup-tagged.exe)
endif()

# Test variant: the same program with the five demo packs da-DK, de-DE, en-GB, en-US and fr-FR,
# so that pack enumeration, the automatic choice and the selector meet the real resource
# loader with more than one pack. Its resource script is a wrapper around quorix.rc whose
# include path finds the variant's own payload.rc instead of the product's.
if(DEFINED QUORIX_DEMO_MULTI_LANGUAGE_PACKS)
  set(_multi_dir ${CMAKE_BINARY_DIR}/multi)
  set(QUORIX_MULTI_PAYLOAD_RC ${_multi_dir}/payload.rc)
  quorix_payload_rc(${QUORIX_MULTI_PAYLOAD_RC} "${_base}" "${QUORIX_DEMO_MULTI_LANGUAGE_PACKS}"
    QUORIX_MULTI_PAYLOAD_FILES)
  set(_multi_rc ${_multi_dir}/quorix-multi.rc)
  set(_product_rc ${QUORIX_SOURCE_DIR}/src/ui/resources/quorix.rc)
  set(_wrapper "// Generated: the product's resources with the multi-language payload.\n")
  string(APPEND _wrapper "#include \"${_product_rc}\"\n")
  file(CONFIGURE OUTPUT ${_multi_rc} CONTENT "${_wrapper}")
  add_executable(QuorixSetup-multi WIN32 ${_multi_rc})
  set_target_properties(QuorixSetup-multi PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${QUORIX_UNSIGNED_DIR})
  target_include_directories(QuorixSetup-multi PRIVATE
    ${QUORIX_SOURCE_DIR}/src/ui/resources ${_multi_dir} ${CMAKE_BINARY_DIR})
  target_link_libraries(QuorixSetup-multi PRIVATE quorix_entry quorix_logic ${QUORIX_WIN32_LIBS})
  add_dependencies(QuorixSetup-multi ${QUORIX_DEMO_PACKAGE_TARGETS} ${QUORIX_PAYLOAD_TARGETS})
  quorix_import_check(QuorixSetup-multi)
  set_source_files_properties(${_multi_rc} PROPERTIES OBJECT_DEPENDS
    "${QUORIX_RESOURCE_FILES};${QUORIX_MANIFEST};${QUORIX_MULTI_PAYLOAD_RC};${QUORIX_MULTI_PAYLOAD_FILES}")
  if(QUORIX_HAVE_SIGNING)
    quorix_sign_and_tag(QuorixSetup-multi ${CMAKE_BINARY_DIR}/QuorixSetup-multi.exe
      ${CMAKE_BINARY_DIR}/QuorixSetup-multi-tagged.exe)
  endif()
endif()
