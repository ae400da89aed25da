# Cross-built test programs (posix thread model, for GoogleTest) and the Wine scenarios.
enable_testing()
enable_language(RC)
include(${QUORIX_SOURCE_DIR}/cmake/Win32Flags.cmake)

# Where the product build put its results; the scenarios run the real, signed exe.
set(QUORIX_PRODUCT_DIR ${QUORIX_SOURCE_DIR}/build/win32 CACHE PATH "Build folder of the win32 preset")
# The programs of this build run on the Wine path of their own bitness, whatever the machine
# would choose by itself (tests/wine/wine-path.sh): the 64-bit build's tests run under wine64
# in a 64-bit prefix even where 32-bit code runs too.
if(QUORIX_WINDOWS_X86)
  set(QUORIX_WINE_TEST_ENV "QUORIX_WINE_BITS=32")
else()
  set(QUORIX_WINE_TEST_ENV "QUORIX_WINE_BITS=64")
endif()
set(QUORIX_WINE_TESTS_DIR ${QUORIX_SOURCE_DIR}/tests/wine)

set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

quorix_logic_library(quorix_logic)
target_sources(quorix_logic PRIVATE ${QUORIX_WIN32_SOURCES})

# The contract suite against the real Win32 layer: the same test sources as on the host.
file(GLOB QUORIX_CONTRACT_TESTS CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/tests/contract/*.cpp
  ${QUORIX_SOURCE_DIR}/tests/contract/win32/*.cpp ${QUORIX_SOURCE_DIR}/tests/contract/win32/*.rc)
if(QUORIX_CONTRACT_TESTS)
  add_executable(quorix_contract_tests ${QUORIX_CONTRACT_TESTS})
  target_include_directories(quorix_contract_tests PRIVATE ${QUORIX_SOURCE_DIR}/tests/contract)
  target_link_libraries(quorix_contract_tests PRIVATE quorix_logic gtest ${QUORIX_WIN32_LIBS})
  target_link_options(quorix_contract_tests PRIVATE -mconsole)
  add_test(NAME win32.contract
    COMMAND bash ${QUORIX_WINE_TESTS_DIR}/run-in-wine.sh $<TARGET_FILE:quorix_contract_tests>)
  set_tests_properties(win32.contract PROPERTIES ENVIRONMENT "${QUORIX_WINE_TEST_ENV}")
endif()

quorix_optional_subdirectory(tools/ui_driver)
quorix_optional_subdirectory(tests/fixtures)
quorix_optional_subdirectory(tests/wine/probe)
quorix_optional_subdirectory(tests/wine)
