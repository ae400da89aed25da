# Signing and tagging of the product with a throwaway certificate.
#
# quorix_sign_and_tag(<exe-target> <signed-out> <tagged-out>)
#   At build time (part of ALL): signs $<TARGET_FILE:exe-target> into <signed-out> with
#   osslsigncode, then stamps the default distributor tag into a copy, <tagged-out>. Both
#   files are checked with `osslsigncode verify` against the throwaway certificate, so a
#   stamp that broke the signature fails the build instead of a later test.
# quorix_sign_executable(<exe-target> <signed-out>)
#   The signing half alone, for other programs of this build.
#
# Also provided, once per build folder:
#   QUORIX_SIGNING_CERT, QUORIX_SIGNING_KEY  (cache) the self-signed code-signing certificate
#       and its key, PEM, in <build>/signing/. Generated at the first build, never committed,
#       never a real certificate: it exists so that the files carry a genuine Authenticode
#       signature whose certificate table the tag lives in.
#   QUORIX_STAMP_TAG  (cache) <build>/tools/stamp-tag, the host stamper compiled with the
#       host compiler, for scenarios that tag other copies.
#   target quorix_signing_material (ALL) builds both.
#
# No timestamp server is contacted: signing works without a network, and a test signature
# has no use for a countersignature.
#
# The same file is the build-time script of each step (cmake -DQUORIX_SIGNING_STEP=... -P),
# so every output is written under a temporary name and only renamed into place once it
# is complete and verified: a failed step never leaves a plausible-looking output behind.

if(CMAKE_SCRIPT_MODE_FILE)
  # ---- build-time steps --------------------------------------------------------------------
  function(quorix_run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${what} failed (${rc}):\n${out}${err}")
    endif()
    set(quorix_run_output "${out}${err}" PARENT_SCOPE)
  endfunction()

  # The signature must verify against the throwaway certificate, and the PE checksum must
  # still match the bytes (osslsigncode only warns about a stale one).
  function(quorix_verify file)
    quorix_run("osslsigncode verify ${file}"
      ${OSSLSIGNCODE} verify -CAfile ${CERT} -in ${file})
    if(NOT quorix_run_output MATCHES "Signature verification: ok")
      message(FATAL_ERROR "osslsigncode did not accept the signature of ${file}:\n${quorix_run_output}")
    endif()
    if(quorix_run_output MATCHES "invalid PE checksum")
      message(FATAL_ERROR "${file} has a stale PE checksum:\n${quorix_run_output}")
    endif()
  endfunction()

  if(QUORIX_SIGNING_STEP STREQUAL "certificate")
    file(REMOVE ${CERT}.tmp ${KEY}.tmp)
    quorix_run("openssl req (throwaway code-signing certificate)"
      ${OPENSSL} req -x509 -newkey rsa:2048 -noenc -sha256 -days 3650
      -subj "/CN=Velora Quorix test signing (throwaway)"
      -addext "keyUsage=critical,digitalSignature"
      -addext "extendedKeyUsage=codeSigning"
      -keyout ${KEY}.tmp -out ${CERT}.tmp)
    file(RENAME ${KEY}.tmp ${KEY})
    file(RENAME ${CERT}.tmp ${CERT})
  elseif(QUORIX_SIGNING_STEP STREQUAL "sign")
    file(REMOVE ${OUT}.tmp)
    quorix_run("osslsigncode sign ${IN}"
      ${OSSLSIGNCODE} sign -certs ${CERT} -key ${KEY} -h sha256 -n "Velora Quorix"
      -in ${IN} -out ${OUT}.tmp)
    quorix_verify(${OUT}.tmp)
    file(RENAME ${OUT}.tmp ${OUT})
  elseif(QUORIX_SIGNING_STEP STREQUAL "tag")
    file(REMOVE ${OUT}.tmp)
    quorix_run("stamp-tag ${IN}" ${STAMP_TAG} ${IN} ${OUT}.tmp "${TAG}")
    quorix_verify(${OUT}.tmp)
    file(RENAME ${OUT}.tmp ${OUT})
  else()
    message(FATAL_ERROR "unknown QUORIX_SIGNING_STEP '${QUORIX_SIGNING_STEP}'")
  endif()
  return()
endif()

# ---- configure time ------------------------------------------------------------------------
include_guard(GLOBAL)

set(QUORIX_SIGNING_SCRIPT ${CMAKE_CURRENT_LIST_FILE})
set(QUORIX_DEFAULT_TAG "AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0")

find_program(QUORIX_OPENSSL openssl NO_CMAKE_FIND_ROOT_PATH)
find_program(QUORIX_OSSLSIGNCODE osslsigncode NO_CMAKE_FIND_ROOT_PATH)
# The stamper runs on the build machine, so it is built with the host's compiler, not with
# the cross compiler this build is configured for.
find_program(QUORIX_HOST_CXX NAMES c++ g++ NO_CMAKE_FIND_ROOT_PATH)
foreach(tool QUORIX_OPENSSL QUORIX_OSSLSIGNCODE QUORIX_HOST_CXX)
  if(NOT ${tool})
    message(FATAL_ERROR "Signing needs openssl, osslsigncode and a host C++ compiler (${tool} not found)")
  endif()
endforeach()

set(QUORIX_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
set(QUORIX_SIGNING_CERT ${QUORIX_SIGNING_DIR}/quorix-test-signing.crt
  CACHE INTERNAL "Throwaway code-signing certificate (PEM) of this build folder")
set(QUORIX_SIGNING_KEY ${QUORIX_SIGNING_DIR}/quorix-test-signing.key
  CACHE INTERNAL "Private key (PEM) of the throwaway code-signing certificate")
set(QUORIX_STAMP_TAG ${CMAKE_BINARY_DIR}/tools/stamp-tag
  CACHE INTERNAL "Host tool that stamps a distributor tag into a signed executable")

# Generated once: no DEPENDS, so it only runs again when the files are deleted.
add_custom_command(
  OUTPUT ${QUORIX_SIGNING_CERT} ${QUORIX_SIGNING_KEY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORIX_SIGNING_DIR}
  COMMAND ${CMAKE_COMMAND} -DQUORIX_SIGNING_STEP=certificate -DOPENSSL=${QUORIX_OPENSSL}
    -DCERT=${QUORIX_SIGNING_CERT} -DKEY=${QUORIX_SIGNING_KEY} -P ${QUORIX_SIGNING_SCRIPT}
  COMMENT "Generating a throwaway code-signing certificate"
  VERBATIM)

# Rewritten only when the list changes, so that a new list rebuilds the stamper.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/tools/tag-keys.txt CONTENT "${QUORIX_EXTRA_TAG_KEYS}\n")
file(GLOB QUORIX_STAMP_TAG_SOURCES CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/tools/stamp_tag/*.cpp)
file(GLOB QUORIX_STAMP_TAG_HEADERS CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/tools/stamp_tag/*.h)
add_custom_command(
  OUTPUT ${QUORIX_STAMP_TAG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
  COMMAND ${QUORIX_HOST_CXX} -std=c++17 -O2 -I${QUORIX_SOURCE_DIR}/src
    "-DQUORIX_EXTRA_TAG_KEYS=\"${QUORIX_EXTRA_TAG_KEYS}\""
    ${QUORIX_STAMP_TAG_SOURCES} ${QUORIX_SOURCE_DIR}/src/package/tag_layout.cpp
    ${QUORIX_SOURCE_DIR}/src/package/tag_filter.cpp
    -o ${QUORIX_STAMP_TAG}
  DEPENDS ${QUORIX_STAMP_TAG_SOURCES} ${QUORIX_STAMP_TAG_HEADERS}
    ${QUORIX_SOURCE_DIR}/src/package/tag_layout.cpp ${QUORIX_SOURCE_DIR}/src/package/tag_layout.h
    ${QUORIX_SOURCE_DIR}/src/package/tag_filter.cpp ${QUORIX_SOURCE_DIR}/src/package/tag_filter.h
    ${CMAKE_BINARY_DIR}/tools/tag-keys.txt
  COMMENT "Building the host tool stamp-tag"
  VERBATIM)

# The one target that owns these outputs. Every target whose commands need them depends on
# it, so that Make never runs the generating commands twice in parallel.
add_custom_target(quorix_signing_material ALL
  DEPENDS ${QUORIX_SIGNING_CERT} ${QUORIX_SIGNING_KEY} ${QUORIX_STAMP_TAG})

function(quorix_sign_executable exe signed)
  add_custom_command(
    OUTPUT ${signed}
    COMMAND ${CMAKE_COMMAND} -DQUORIX_SIGNING_STEP=sign -DOSSLSIGNCODE=${QUORIX_OSSLSIGNCODE}
      -DCERT=${QUORIX_SIGNING_CERT} -DKEY=${QUORIX_SIGNING_KEY}
      -DIN=$<TARGET_FILE:${exe}> -DOUT=${signed} -P ${QUORIX_SIGNING_SCRIPT}
    DEPENDS ${exe} ${QUORIX_SIGNING_CERT} ${QUORIX_SIGNING_KEY} ${QUORIX_SIGNING_SCRIPT}
    COMMENT "Signing ${exe}"
    VERBATIM)
  add_custom_target(${exe}_signed ALL DEPENDS ${signed})
  add_dependencies(${exe}_signed quorix_signing_material)
endfunction()

function(quorix_sign_and_tag exe signed tagged)
  quorix_sign_executable(${exe} ${signed})
  add_custom_command(
    OUTPUT ${tagged}
    COMMAND ${CMAKE_COMMAND} -DQUORIX_SIGNING_STEP=tag -DOSSLSIGNCODE=${QUORIX_OSSLSIGNCODE}
      -DCERT=${QUORIX_SIGNING_CERT} -DSTAMP_TAG=${QUORIX_STAMP_TAG}
      -DIN=${signed} -DOUT=${tagged} -DTAG=${QUORIX_DEFAULT_TAG} -P ${QUORIX_SIGNING_SCRIPT}
    DEPENDS ${signed} ${QUORIX_STAMP_TAG} ${QUORIX_SIGNING_SCRIPT}
    COMMENT "Stamping the default tag into ${tagged}"
    VERBATIM)
  add_custom_target(${exe}_tagged ALL DEPENDS ${tagged})
  add_dependencies(${exe}_tagged ${exe}_signed)
endfunction()
