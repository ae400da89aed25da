# Signing and tagging of the product.
#
# quorix_sign_and_tag(<exe-target> <signed-out> <tagged-out>)
#   At build time (part of ALL): signs $<TARGET_FILE:exe-target> into <signed-out> with
#   osslsigncode, then stamps the default distributor tag into a copy, <tagged-out>. Both
#   files are checked with `osslsigncode verify` against the signer's roots, so a stamp that
#   broke a signature fails the build instead of a later test.
# quorix_sign_executable(<exe-target> <signed-out>)
#   The signing half alone, for other programs of this build.
#
# The release engineer's choices, cache variables (README, "Signing a release"):
#   QUORIX_SIGNING_SOURCE  where certificate and key come from: throwaway (default), pkcs12,
#       pem or pkcs11.
#     throwaway: a self-signed code-signing certificate and its key, made at the first build in
#       <build>/signing/, never committed, never a real certificate.
#     pkcs12: QUORIX_SIGNING_PKCS12, the .p12/.pfx file (certificate, chain and key).
#     pem: QUORIX_SIGNING_CERTS (the signing certificate, then its chain) and
#       QUORIX_SIGNING_KEY_FILE.
#     pkcs11: QUORIX_SIGNING_PKCS11_MODULE (the token's PKCS#11 library), QUORIX_SIGNING_PKCS11_KEY
#       (the key's pkcs11: URI or id), QUORIX_SIGNING_CERTS (the certificate and its chain)
#       and, optionally, QUORIX_SIGNING_PKCS11_ENGINE (the OpenSSL engine; empty: osslsigncode's
#       default).
#   QUORIX_SIGNING_PASSWORD_ENV / QUORIX_SIGNING_PASSWORD_FILE  the name of an environment
#       variable, or a file, holding the password of the PKCS#12 file or PEM key, or the token's
#       PIN. The password itself is never a cache variable nor on a command line (other users see
#       command lines in the process list): it reaches osslsigncode through a pipe or its file.
#   QUORIX_SIGNING_CA  the roots the signatures are verified against, by the build and by
#       scripts/check-release.sh (throwaway: its certificate; otherwise required).
#   QUORIX_SIGNING_DIGESTS  sha1+sha256 (default): a SHA-1 signature with a nested SHA-256 one,
#       for Windows versions that cannot verify SHA-256 (2000, XP before SP3); sha256: one
#       SHA-256 signature.
#   QUORIX_TIMESTAMP_URLS  RFC 3161 timestamp authorities, tried in order until one answers
#       (empty by default: the build needs no network). QUORIX_TIMESTAMP_CA: the roots the
#       timestamps are verified against. With sha1+sha256 they stamp the nested SHA-256
#       signature only: Windows 2000, XP and Vista read neither RFC 3161 timestamps nor nested
#       signatures, so the SHA-1 one needs a legacy Authenticode counter-signature instead,
#   QUORIX_TIMESTAMP_LEGACY_URLS  from these legacy authorities (tried in order), or `none` to
#       ship a SHA-1 signature without a timestamp knowingly: on those versions it then turns
#       invalid when the certificate expires. sha1+sha256 with RFC 3161 URLs and neither is
#       refused.
#
# Also provided, once per build folder:
#   QUORIX_SIGNING_CERT, QUORIX_SIGNING_KEY  (cache) the throwaway certificate and key.
#   QUORIX_STAMP_TAG  (cache) <build>/tools/stamp-tag, the host stamper compiled with the
#       host compiler, for scenarios that tag other copies.
#   <build>/signing/signing.txt  the choices above that the release check needs (no secrets).
#   target quorix_signing_material (ALL) builds the stamper and, when used, the throwaway pair.
#
# The same file is the build-time script of each step (cmake -DQUORIX_SIGNING_STEP=... -P),
# so every output is written under a temporary name and only renamed into place once it
# is complete and verified: a failed step never leaves a plausible-looking output behind.

if(CMAKE_SCRIPT_MODE_FILE)
  # ---- build-time steps --------------------------------------------------------------------
  # The settings arrive as one file of NAME=value lines, written at configure time
  # (signing.txt), so that the build step and the release check read the same ones.
  if(DEFINED SETTINGS)
    file(STRINGS ${SETTINGS} lines)
    foreach(line IN LISTS lines)
      if(line MATCHES "^([A-Z0-9_]+)=(.*)$")
        set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
      endif()
    endforeach()
  endif()

  function(quorix_run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${what} failed (${rc}):\n${out}${err}")
    endif()
    set(quorix_run_output "${out}${err}" PARENT_SCOPE)
  endfunction()

  # Every signature must verify against the signer's roots (and its timestamp against the
  # timestamp authority's), there must be one per digest, and the PE checksum must still match
  # the bytes (osslsigncode only warns about a stale one).
  function(quorix_verify file)
    set(tsa_args "")
    if(QUORIX_TIMESTAMP_CA)
      set(tsa_args -TSA-CAfile ${QUORIX_TIMESTAMP_CA})
    endif()
    quorix_run("osslsigncode verify ${file}"
      ${OSSLSIGNCODE} verify -CAfile ${QUORIX_SIGNING_CA} ${tsa_args} -in ${file})
    if(NOT quorix_run_output MATCHES "Signature verification: ok")
      message(FATAL_ERROR "osslsigncode did not accept the signature of ${file}:\n${quorix_run_output}")
    endif()
    if(quorix_run_output MATCHES "invalid PE checksum")
      message(FATAL_ERROR "${file} has a stale PE checksum:\n${quorix_run_output}")
    endif()
    # One verified signature per digest, in the order they were made.
    list(LENGTH QUORIX_SIGNING_DIGESTS_LIST wanted)
    string(REGEX MATCHALL "Message digest algorithm  : [A-Z0-9]+" found "${quorix_run_output}")
    string(REPLACE "Message digest algorithm  : " "" found "${found}")
    string(TOUPPER "${QUORIX_SIGNING_DIGESTS_LIST}" expected)
    if(NOT found STREQUAL expected OR
        NOT quorix_run_output MATCHES "Number of verified signatures: ${wanted}\n")
      message(FATAL_ERROR "${file}: expected ${wanted} verified signature(s), ${expected}, "
        "found ${found}:\n${quorix_run_output}")
    endif()
    # osslsigncode's verdict does not cover the timestamps: when one fails, it verifies the
    # signature at the current time instead and still says ok. Nor does it say which kind each
    # one is: that is read from the signature itself.
    quorix_expected_timestamps(kinds)
    set(verified_kinds "${kinds}")
    list(REMOVE_ITEM verified_kinds "no timestamp")
    list(LENGTH verified_kinds stamped_wanted)
    string(REGEX MATCHALL "Timestamp Server Signature verification: ok" stamped
      "${quorix_run_output}")
    list(LENGTH stamped stamped)
    if(NOT stamped EQUAL stamped_wanted)
      message(FATAL_ERROR "${file}: ${stamped} timestamp(s) verify, expected ${stamped_wanted}:\n"
        "${quorix_run_output}")
    endif()
    quorix_run("stamp-tag --show ${file}" ${STAMP_TAG} --show ${file})
    set(index 0)
    foreach(digest kind IN ZIP_LISTS QUORIX_SIGNING_DIGESTS_LIST kinds)
      math(EXPR index "${index} + 1")
      string(TOUPPER "${digest}" digest)
      string(REPLACE "SHA" "SHA-" digest "${digest}")
      string(REPLACE "(" "\\(" pattern "signature ${index}: ${digest} signature, ${kind}:")
      string(REPLACE ")" "\\)" pattern "${pattern}")
      if(NOT quorix_run_output MATCHES "\n${pattern}")
        message(FATAL_ERROR "${file}: signature ${index} is not a ${digest} signature with "
          "${kind}:\n${quorix_run_output}")
      endif()
    endforeach()
  endfunction()

  # What stamp-tag --show must find on each signature, in the order of the digests.
  function(quorix_expected_timestamps out)
    set(kinds "")
    foreach(digest IN LISTS QUORIX_SIGNING_DIGESTS_LIST)
      quorix_timestamp_urls(${digest} option urls)
      if(urls STREQUAL "")
        list(APPEND kinds "no timestamp")
      elseif(option STREQUAL "-t")
        list(APPEND kinds "legacy timestamp (SHA-1)")
      else()
        list(APPEND kinds "RFC 3161 timestamp (SHA-256)")
      endif()
    endforeach()
    set(${out} "${kinds}" PARENT_SCOPE)
  endfunction()

  # The timestamp option and URLs of the signature with `digest`: legacy ones for the SHA-1
  # signature of a dual-signed file, RFC 3161 ones otherwise.
  function(quorix_timestamp_urls digest option_out urls_out)
    list(LENGTH QUORIX_SIGNING_DIGESTS_LIST count)
    if(digest STREQUAL "sha1" AND count GREATER 1)
      set(option -t)
      set(urls "${QUORIX_TIMESTAMP_LEGACY_URLS}")
      if(urls STREQUAL "none")
        set(urls "")
      endif()
    else()
      set(option -ts)
      set(urls "${QUORIX_TIMESTAMP_URLS}")
    endif()
    set(${option_out} ${option} PARENT_SCOPE)
    set(${urls_out} "${urls}" PARENT_SCOPE)
  endfunction()

  # The arguments that name certificate and key, per source.
  function(quorix_source_arguments out)
    if(QUORIX_SIGNING_SOURCE STREQUAL "throwaway")
      set(args -certs ${QUORIX_SIGNING_CERT} -key ${QUORIX_SIGNING_KEY})
    elseif(QUORIX_SIGNING_SOURCE STREQUAL "pkcs12")
      set(args -pkcs12 ${QUORIX_SIGNING_PKCS12})
    elseif(QUORIX_SIGNING_SOURCE STREQUAL "pem")
      set(args -certs ${QUORIX_SIGNING_CERTS} -key ${QUORIX_SIGNING_KEY_FILE})
    elseif(QUORIX_SIGNING_SOURCE STREQUAL "pkcs11")
      set(args "")
      if(QUORIX_SIGNING_PKCS11_ENGINE)
        list(APPEND args -pkcs11engine ${QUORIX_SIGNING_PKCS11_ENGINE})
      endif()
      # A pkcs11: URI separates its attributes with ';', CMake's list separator: it must stay
      # one argument.
      string(REPLACE ";" "\\;" key "${QUORIX_SIGNING_PKCS11_KEY}")
      list(APPEND args -pkcs11module ${QUORIX_SIGNING_PKCS11_MODULE}
        -certs ${QUORIX_SIGNING_CERTS} -key "${key}")
    endif()
    set(${out} "${args}" PARENT_SCOPE)
  endfunction()

  # One osslsigncode sign run. The password goes through a pipe from the environment or as the
  # name of its file, never as an argument.
  function(quorix_sign_once in out digest nest)
    quorix_source_arguments(args)
    set(feed "")
    if(QUORIX_SIGNING_PASSWORD_ENV)
      if(NOT DEFINED ENV{${QUORIX_SIGNING_PASSWORD_ENV}})
        message(FATAL_ERROR "The signing password's environment variable "
          "${QUORIX_SIGNING_PASSWORD_ENV} (QUORIX_SIGNING_PASSWORD_ENV) is not set")
      endif()
      set(feed COMMAND printenv ${QUORIX_SIGNING_PASSWORD_ENV})
      list(APPEND args -readpass -)
    elseif(QUORIX_SIGNING_PASSWORD_FILE)
      list(APPEND args -readpass ${QUORIX_SIGNING_PASSWORD_FILE})
    endif()
    quorix_timestamp_urls(${digest} option urls)
    foreach(url IN LISTS urls)
      list(APPEND args ${option} ${url})
    endforeach()
    if(option STREQUAL "-t" AND QUORIX_TIMESTAMP_LEGACY_URLS STREQUAL "none")
      message(WARNING "QUORIX_TIMESTAMP_LEGACY_URLS=none: the SHA-1 signature of ${out} carries "
        "no timestamp. Windows 2000, XP and Vista read only that signature and only a legacy "
        "timestamp: on them the file loses its signature when the certificate expires.")
    endif()
    if(nest)
      list(APPEND args -nest)
    endif()
    file(REMOVE ${out})
    execute_process(${feed}
      COMMAND ${OSSLSIGNCODE} sign ${args} -h ${digest} -n "Velora Quorix" -in ${in} -out ${out}
      RESULTS_VARIABLE rcs OUTPUT_VARIABLE output ERROR_VARIABLE output)
    foreach(rc IN LISTS rcs)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "osslsigncode sign -h ${digest} ${in} failed (${rcs}):\n${output}")
      endif()
    endforeach()
  endfunction()

  if(QUORIX_SIGNING_STEP STREQUAL "certificate")
    file(REMOVE ${QUORIX_SIGNING_CERT}.tmp ${QUORIX_SIGNING_KEY}.tmp)
    quorix_run("openssl req (throwaway code-signing certificate)"
      ${OPENSSL} req -x509 -newkey rsa:2048 -noenc -sha256 -days 3650
      -subj "/CN=Velora Quorix test signing (throwaway)"
      -addext "keyUsage=critical,digitalSignature"
      -addext "extendedKeyUsage=codeSigning"
      -keyout ${QUORIX_SIGNING_KEY}.tmp -out ${QUORIX_SIGNING_CERT}.tmp)
    file(RENAME ${QUORIX_SIGNING_KEY}.tmp ${QUORIX_SIGNING_KEY})
    file(RENAME ${QUORIX_SIGNING_CERT}.tmp ${QUORIX_SIGNING_CERT})
  elseif(QUORIX_SIGNING_STEP STREQUAL "sign")
    # The first digest signs; each further one is nested into the signature before it, which
    # is what Windows versions without SHA-256 need: they check the outer SHA-1 signature and
    # ignore the nested one.
    set(current ${IN})
    set(nest OFF)
    set(index 0)
    foreach(digest IN LISTS QUORIX_SIGNING_DIGESTS_LIST)
      set(next ${OUT}.${index}.tmp)
      quorix_sign_once(${current} ${next} ${digest} ${nest})
      if(NOT current STREQUAL IN)
        file(REMOVE ${current})
      endif()
      set(current ${next})
      set(nest ON)
      math(EXPR index "${index} + 1")
    endforeach()
    quorix_verify(${current})
    file(RENAME ${current} ${OUT})
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

# The release engineer's choices (see the top of this file).
set(QUORIX_SIGNING_SOURCE "throwaway" CACHE STRING
  "Certificate and key: throwaway, pkcs12, pem or pkcs11")
set_property(CACHE QUORIX_SIGNING_SOURCE PROPERTY STRINGS throwaway pkcs12 pem pkcs11)
set(QUORIX_SIGNING_PKCS12 "" CACHE FILEPATH "PKCS#12 file with certificate, chain and key (pkcs12)")
set(QUORIX_SIGNING_CERTS "" CACHE FILEPATH
  "PEM file: the signing certificate, then its chain (pem, pkcs11)")
set(QUORIX_SIGNING_KEY_FILE "" CACHE FILEPATH "PEM private key (pem)")
set(QUORIX_SIGNING_PKCS11_MODULE "" CACHE FILEPATH "The token's PKCS#11 library (pkcs11)")
set(QUORIX_SIGNING_PKCS11_ENGINE "" CACHE FILEPATH
  "OpenSSL PKCS#11 engine (pkcs11; empty: osslsigncode's default)")
set(QUORIX_SIGNING_PKCS11_KEY "" CACHE STRING "The key on the token: pkcs11: URI or id (pkcs11)")
set(QUORIX_SIGNING_PASSWORD_ENV "" CACHE STRING
  "Name of the environment variable that holds the password or PIN at build time")
set(QUORIX_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "File that holds the password or PIN")
set(QUORIX_SIGNING_CA "" CACHE FILEPATH
  "Roots the signatures are verified against (empty with throwaway: its certificate)")
set(QUORIX_SIGNING_DIGESTS "sha1+sha256" CACHE STRING
  "sha1+sha256 (SHA-1 signature with a nested SHA-256 one) or sha256")
set_property(CACHE QUORIX_SIGNING_DIGESTS PROPERTY STRINGS sha1+sha256 sha256)
set(QUORIX_TIMESTAMP_URLS "" CACHE STRING
  "RFC 3161 timestamp authorities, ;-separated, tried in order (empty: no timestamp)")
set(QUORIX_TIMESTAMP_LEGACY_URLS "" CACHE STRING
  "Legacy Authenticode timestamp authorities for the SHA-1 signature, ;-separated, or none")
set(QUORIX_TIMESTAMP_CA "" CACHE FILEPATH
  "Roots the timestamps are verified against (empty: osslsigncode's default)")

if(DEFINED CACHE{QUORIX_SIGNING_PASSWORD})
  unset(QUORIX_SIGNING_PASSWORD CACHE)
  message(FATAL_ERROR "QUORIX_SIGNING_PASSWORD: a password is never kept in the cache (it would "
    "sit in CMakeCache.txt in plain text). Name the environment variable that holds it "
    "(QUORIX_SIGNING_PASSWORD_ENV) or a file (QUORIX_SIGNING_PASSWORD_FILE).")
endif()
# A PIN in the key's URI would sit in the cache and on osslsigncode's command line.
string(TOLOWER "${QUORIX_SIGNING_PKCS11_KEY}" _key)
if(_key MATCHES "(^pkcs11:|[;?&])pin-(value|source)=")
  unset(QUORIX_SIGNING_PKCS11_KEY CACHE)
  message(FATAL_ERROR "QUORIX_SIGNING_PKCS11_KEY: a pkcs11: URI with pin-value or pin-source is "
    "refused (the PIN would be kept in CMakeCache.txt and shown on command lines). Name the "
    "environment variable or file that holds the PIN (QUORIX_SIGNING_PASSWORD_ENV or "
    "QUORIX_SIGNING_PASSWORD_FILE).")
endif()
if(QUORIX_SIGNING_PASSWORD_ENV AND QUORIX_SIGNING_PASSWORD_FILE)
  message(FATAL_ERROR "Name either QUORIX_SIGNING_PASSWORD_ENV or QUORIX_SIGNING_PASSWORD_FILE, not both")
endif()
function(_quorix_signing_needs source)
  foreach(var IN LISTS ARGN)
    if("${${var}}" STREQUAL "")
      message(FATAL_ERROR "QUORIX_SIGNING_SOURCE=${source} needs ${var}")
    endif()
    if(NOT var MATCHES "_KEY$" AND NOT EXISTS "${${var}}")
      message(FATAL_ERROR "${var}: no such file: ${${var}}")
    endif()
  endforeach()
endfunction()
set(_ca "${QUORIX_SIGNING_CA}")
if(QUORIX_SIGNING_SOURCE STREQUAL "throwaway")
  if(_ca STREQUAL "")
    set(_ca ${QUORIX_SIGNING_CERT})
  endif()
elseif(QUORIX_SIGNING_SOURCE STREQUAL "pkcs12")
  _quorix_signing_needs(pkcs12 QUORIX_SIGNING_PKCS12 QUORIX_SIGNING_CA)
elseif(QUORIX_SIGNING_SOURCE STREQUAL "pem")
  _quorix_signing_needs(pem QUORIX_SIGNING_CERTS QUORIX_SIGNING_KEY_FILE QUORIX_SIGNING_CA)
elseif(QUORIX_SIGNING_SOURCE STREQUAL "pkcs11")
  _quorix_signing_needs(pkcs11 QUORIX_SIGNING_PKCS11_MODULE QUORIX_SIGNING_PKCS11_KEY
    QUORIX_SIGNING_CERTS QUORIX_SIGNING_CA)
else()
  message(FATAL_ERROR "QUORIX_SIGNING_SOURCE must be throwaway, pkcs12, pem or pkcs11, "
    "not '${QUORIX_SIGNING_SOURCE}'")
endif()
if(QUORIX_SIGNING_DIGESTS STREQUAL "sha1+sha256")
  set(_digests sha1 sha256)
elseif(QUORIX_SIGNING_DIGESTS STREQUAL "sha256")
  set(_digests sha256)
else()
  message(FATAL_ERROR "QUORIX_SIGNING_DIGESTS must be sha1+sha256 or sha256, "
    "not '${QUORIX_SIGNING_DIGESTS}'")
endif()
foreach(_url IN LISTS QUORIX_TIMESTAMP_URLS)
  if(NOT _url MATCHES "^https?://")
    message(FATAL_ERROR "QUORIX_TIMESTAMP_URLS: '${_url}' is not an http:// or https:// URL")
  endif()
endforeach()
if(NOT QUORIX_TIMESTAMP_LEGACY_URLS STREQUAL "none")
  foreach(_url IN LISTS QUORIX_TIMESTAMP_LEGACY_URLS)
    if(NOT _url MATCHES "^https?://")
      message(FATAL_ERROR "QUORIX_TIMESTAMP_LEGACY_URLS: '${_url}' is not an http:// or "
        "https:// URL (or the whole value 'none')")
    endif()
  endforeach()
endif()
if(QUORIX_SIGNING_DIGESTS STREQUAL "sha1+sha256")
  if(QUORIX_TIMESTAMP_URLS AND QUORIX_TIMESTAMP_LEGACY_URLS STREQUAL "")
    message(FATAL_ERROR "QUORIX_TIMESTAMP_URLS names RFC 3161 authorities but "
      "QUORIX_TIMESTAMP_LEGACY_URLS names no legacy one: the SHA-1 signature would carry no "
      "timestamp that Windows 2000, XP and Vista read (they read only the SHA-1 signature and "
      "only a legacy Authenticode counter-signature), so on them the product would lose its "
      "signature when the certificate expires. Name legacy Authenticode authorities in "
      "QUORIX_TIMESTAMP_LEGACY_URLS, or set it to none to accept that.")
  endif()
  if(QUORIX_TIMESTAMP_LEGACY_URLS AND NOT QUORIX_TIMESTAMP_LEGACY_URLS STREQUAL "none" AND
      NOT QUORIX_TIMESTAMP_URLS)
    message(FATAL_ERROR "QUORIX_TIMESTAMP_LEGACY_URLS without QUORIX_TIMESTAMP_URLS would leave "
      "the nested SHA-256 signature, the one Windows 8 and later read, without a timestamp: "
      "name RFC 3161 authorities too")
  endif()
elseif(QUORIX_TIMESTAMP_LEGACY_URLS AND NOT QUORIX_TIMESTAMP_LEGACY_URLS STREQUAL "none")
  message(FATAL_ERROR "QUORIX_TIMESTAMP_LEGACY_URLS: a SHA-256 signature is read only by "
    "versions that read RFC 3161 timestamps; with QUORIX_SIGNING_DIGESTS=sha256 name them in "
    "QUORIX_TIMESTAMP_URLS")
endif()

# What the build steps and scripts/check-release.sh read. Rewritten only when a choice changes,
# and the signed files depend on it, so that a new choice signs them again.
set(QUORIX_SIGNING_SETTINGS ${QUORIX_SIGNING_DIR}/signing.txt)
set(_settings "")
foreach(_pair
    "OSSLSIGNCODE=${QUORIX_OSSLSIGNCODE}" "OPENSSL=${QUORIX_OPENSSL}"
    "QUORIX_SIGNING_SOURCE=${QUORIX_SIGNING_SOURCE}"
    "QUORIX_SIGNING_CERT=${QUORIX_SIGNING_CERT}" "QUORIX_SIGNING_KEY=${QUORIX_SIGNING_KEY}"
    "QUORIX_SIGNING_PKCS12=${QUORIX_SIGNING_PKCS12}" "QUORIX_SIGNING_CERTS=${QUORIX_SIGNING_CERTS}"
    "QUORIX_SIGNING_KEY_FILE=${QUORIX_SIGNING_KEY_FILE}"
    "QUORIX_SIGNING_PKCS11_MODULE=${QUORIX_SIGNING_PKCS11_MODULE}"
    "QUORIX_SIGNING_PKCS11_ENGINE=${QUORIX_SIGNING_PKCS11_ENGINE}"
    "QUORIX_SIGNING_PKCS11_KEY=${QUORIX_SIGNING_PKCS11_KEY}"
    "QUORIX_SIGNING_PASSWORD_ENV=${QUORIX_SIGNING_PASSWORD_ENV}"
    "QUORIX_SIGNING_PASSWORD_FILE=${QUORIX_SIGNING_PASSWORD_FILE}"
    "QUORIX_SIGNING_CA=${_ca}" "QUORIX_SIGNING_DIGESTS_LIST=${_digests}"
    "QUORIX_TIMESTAMP_URLS=${QUORIX_TIMESTAMP_URLS}"
    "QUORIX_TIMESTAMP_LEGACY_URLS=${QUORIX_TIMESTAMP_LEGACY_URLS}"
    "QUORIX_TIMESTAMP_CA=${QUORIX_TIMESTAMP_CA}")
  string(APPEND _settings "${_pair}\n")
endforeach()
file(CONFIGURE OUTPUT ${QUORIX_SIGNING_SETTINGS} CONTENT "${_settings}")

set(QUORIX_SIGNING_MATERIAL "")
if(QUORIX_SIGNING_SOURCE STREQUAL "throwaway")
  # Generated once: no DEPENDS, so it only runs again when the files are deleted.
  add_custom_command(
    OUTPUT ${QUORIX_SIGNING_CERT} ${QUORIX_SIGNING_KEY}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORIX_SIGNING_DIR}
    COMMAND ${CMAKE_COMMAND} -DQUORIX_SIGNING_STEP=certificate -DSETTINGS=${QUORIX_SIGNING_SETTINGS}
      -P ${QUORIX_SIGNING_SCRIPT}
    COMMENT "Generating a throwaway code-signing certificate"
    VERBATIM)
  set(QUORIX_SIGNING_MATERIAL ${QUORIX_SIGNING_CERT} ${QUORIX_SIGNING_KEY})
endif()

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
add_custom_target(quorix_signing_material ALL DEPENDS ${QUORIX_SIGNING_MATERIAL} ${QUORIX_STAMP_TAG})

function(quorix_sign_executable exe signed)
  add_custom_command(
    OUTPUT ${signed}
    COMMAND ${CMAKE_COMMAND} -DQUORIX_SIGNING_STEP=sign -DSETTINGS=${QUORIX_SIGNING_SETTINGS}
      -DSTAMP_TAG=${QUORIX_STAMP_TAG}
      -DIN=$<TARGET_FILE:${exe}> -DOUT=${signed} -P ${QUORIX_SIGNING_SCRIPT}
    DEPENDS ${exe} ${QUORIX_SIGNING_MATERIAL} ${QUORIX_STAMP_TAG} ${QUORIX_SIGNING_SETTINGS}
      ${QUORIX_SIGNING_SCRIPT}
    COMMENT "Signing ${exe}"
    VERBATIM)
  add_custom_target(${exe}_signed ALL DEPENDS ${signed})
  add_dependencies(${exe}_signed quorix_signing_material)
endfunction()

function(quorix_sign_and_tag exe signed tagged)
  quorix_sign_executable(${exe} ${signed})
  add_custom_command(
    OUTPUT ${tagged}
    COMMAND ${CMAKE_COMMAND} -DQUORIX_SIGNING_STEP=tag -DSETTINGS=${QUORIX_SIGNING_SETTINGS}
      -DSTAMP_TAG=${QUORIX_STAMP_TAG}
      -DIN=${signed} -DOUT=${tagged} -DTAG=${QUORIX_DEFAULT_TAG} -P ${QUORIX_SIGNING_SCRIPT}
    DEPENDS ${signed} ${QUORIX_STAMP_TAG} ${QUORIX_SIGNING_SCRIPT}
    COMMENT "Stamping the default tag into ${tagged}"
    VERBATIM)
  add_custom_target(${exe}_tagged ALL DEPENDS ${tagged})
  add_dependencies(${exe}_tagged ${exe}_signed)
endfunction()
