# The packages carried by the product, chosen when the build is configured.
#   QUORIX_BASE_MSI       the base package (RT_RCDATA "MSI")
#   QUORIX_LANGUAGE_PACKS list of locale=file pairs (RT_RCDATA "VLLANGPACK_<LOCALE>")
# Both default to the demo packages built from packages/ (QUORIX_DEMO_BASE_MSI and
# QUORIX_DEMO_LANGUAGE_PACKS, set by packages/CMakeLists.txt).
#
# Results: QUORIX_PAYLOAD_RC (the generated payload.rc), QUORIX_PAYLOAD_FILES (the files it
# embeds) and QUORIX_PAYLOAD_TARGETS (the targets that build them).
#
# quorix_payload_rc(<rc-out> <base-msi> <packs> <files-var>) writes another payload script of
# the same form, for a build variant that carries other packages; <files-var> receives the
# embedded files.
set(QUORIX_BASE_MSI "" CACHE FILEPATH "Base package to embed (empty: the demo package)")
set(QUORIX_LANGUAGE_PACKS "" CACHE STRING "Language packs to embed as locale=file;... (empty: the demo packs)")

# windres wants forward slashes and quotes doubled in RCDATA file names.
function(_quorix_rc_line out name file)
  file(TO_CMAKE_PATH "${file}" _f)
  set(${out} "${name} RCDATA \"${_f}\"\n" PARENT_SCOPE)
endfunction()

function(quorix_payload_rc rc_out base packs files_var)
  set(_rc "// Generated at configure time: the embedded packages.\n")
  set(_files "")
  if(NOT base STREQUAL "")
    _quorix_rc_line(_line MSI "${base}")
    string(APPEND _rc "${_line}")
    list(APPEND _files "${base}")
  endif()
  foreach(_pair IN LISTS packs)
    if(NOT _pair MATCHES "^([a-zA-Z][a-zA-Z]-[a-zA-Z][a-zA-Z])=(.+)$")
      message(FATAL_ERROR "language pack entry '${_pair}' is not locale=file")
    endif()
    set(_locale "${CMAKE_MATCH_1}")
    set(_file "${CMAKE_MATCH_2}")
    string(TOUPPER "${_locale}" _upper)
    string(REPLACE "-" "_" _upper "${_upper}")
    _quorix_rc_line(_line "VLLANGPACK_${_upper}" "${_file}")
    string(APPEND _rc "${_line}")
    list(APPEND _files "${_file}")
  endforeach()
  file(CONFIGURE OUTPUT ${rc_out} CONTENT "${_rc}")
  set(${files_var} "${_files}" PARENT_SCOPE)
endfunction()

set(_base "${QUORIX_BASE_MSI}")
set(_packs "${QUORIX_LANGUAGE_PACKS}")
set(QUORIX_PAYLOAD_TARGETS "")
if(_base STREQUAL "" AND DEFINED QUORIX_DEMO_BASE_MSI)
  set(_base "${QUORIX_DEMO_BASE_MSI}")
  list(APPEND QUORIX_PAYLOAD_TARGETS ${QUORIX_DEMO_PACKAGE_TARGETS})
endif()
if(_packs STREQUAL "" AND DEFINED QUORIX_DEMO_LANGUAGE_PACKS)
  set(_packs "${QUORIX_DEMO_LANGUAGE_PACKS}")
  list(APPEND QUORIX_PAYLOAD_TARGETS ${QUORIX_DEMO_PACKAGE_TARGETS})
endif()
list(REMOVE_DUPLICATES QUORIX_PAYLOAD_TARGETS)

set(QUORIX_PAYLOAD_RC ${CMAKE_BINARY_DIR}/payload.rc)
quorix_payload_rc(${QUORIX_PAYLOAD_RC} "${_base}" "${_packs}" QUORIX_PAYLOAD_FILES)
