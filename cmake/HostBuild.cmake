# Host build: the logic on the simulated Windows, unit and contract tests, host tools.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(QUORIX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

quorix_logic_library(quorix_logic)
target_compile_definitions(quorix_logic PUBLIC QUORIX_SIMULATED=1)
add_library(quorix_sim STATIC ${QUORIX_SIM_SOURCES})
target_link_libraries(quorix_sim PUBLIC quorix_logic)

# Unit tests: every *_test.cpp below tests/unit, with the support code beside them.
file(GLOB QUORIX_UNIT_TESTS CONFIGURE_DEPENDS
  ${QUORIX_SOURCE_DIR}/tests/unit/*.cpp ${QUORIX_SOURCE_DIR}/tests/unit/support/*.cpp)
add_executable(quorix_unit_tests ${QUORIX_UNIT_TESTS})
target_include_directories(quorix_unit_tests PRIVATE ${QUORIX_SOURCE_DIR}/tests/unit)
# Some tests read the simulation's own sources (the names its calls report).
target_compile_definitions(quorix_unit_tests PRIVATE QUORIX_SOURCE_DIR="${QUORIX_SOURCE_DIR}")
target_link_libraries(quorix_unit_tests PRIVATE quorix_sim GTest::gtest GTest::gtest_main)
gtest_discover_tests(quorix_unit_tests DISCOVERY_TIMEOUT 60)

# The contract suite: how each platform interface behaves, proven here on the simulated
# Windows and, by the win32-tests build, on the real Win32 layer under Wine.
file(GLOB QUORIX_CONTRACT_TESTS CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/tests/contract/*.cpp
  ${QUORIX_SOURCE_DIR}/tests/contract/host/*.cpp)
if(QUORIX_CONTRACT_TESTS)
  add_executable(quorix_contract_tests ${QUORIX_CONTRACT_TESTS})
  target_include_directories(quorix_contract_tests PRIVATE ${QUORIX_SOURCE_DIR}/tests/contract)
  target_link_libraries(quorix_contract_tests PRIVATE quorix_sim GTest::gtest GTest::gtest_main)
  gtest_discover_tests(quorix_contract_tests TEST_PREFIX "sim." DISCOVERY_TIMEOUT 60)
endif()

quorix_optional_subdirectory(tools/stamp_tag)

# The Wine-path check of the scripts (tests/wine/wine-path.sh) on made-up machines.
add_test(NAME harness.wine_path COMMAND bash ${QUORIX_SOURCE_DIR}/tests/wine/wine-path-test.sh)

# Python runs checks that nothing else makes: without it they must fail the build, never
# drop out of the test list. The interpreter scripts/setup.sh installs comes first, with the
# PE reader the product checks use (python3-pefile).
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
execute_process(COMMAND ${Python3_EXECUTABLE} -c "import pefile"
  RESULT_VARIABLE QUORIX_PEFILE_MISSING OUTPUT_QUIET ERROR_QUIET)
if(QUORIX_PEFILE_MISSING)
  message(FATAL_ERROR "${Python3_EXECUTABLE} cannot import pefile: run scripts/setup.sh")
endif()
# The import check of the cross-built product, proven on small PE files made by its test.
add_test(NAME tools.import_check
  COMMAND ${CMAKE_COMMAND} -E env PYTHONDONTWRITEBYTECODE=1
    ${Python3_EXECUTABLE} -m unittest -v test_check_imports
  WORKING_DIRECTORY ${QUORIX_SOURCE_DIR}/tools/import_check)
# The rooms of src/ include one another in one direction only; the check itself is proven
# on made-up trees first.
add_test(NAME tools.layering_selftest
  COMMAND ${CMAKE_COMMAND} -E env PYTHONDONTWRITEBYTECODE=1
    ${Python3_EXECUTABLE} -m unittest -v test_check_layering
  WORKING_DIRECTORY ${QUORIX_SOURCE_DIR}/tools/layering)
add_test(NAME tools.layering
  COMMAND ${Python3_EXECUTABLE} ${QUORIX_SOURCE_DIR}/tools/layering/check_layering.py
    ${QUORIX_SOURCE_DIR}/src)
# The benchmark's parsers and verdicts: a verdict that cannot say "MISSED", or a run log
# read wrongly, prints a wrong table rather than failing, so they are proven here.
add_test(NAME bench.measure
  COMMAND ${CMAKE_COMMAND} -E env PYTHONDONTWRITEBYTECODE=1
    ${Python3_EXECUTABLE} -m unittest -v measure_test
  WORKING_DIRECTORY ${QUORIX_SOURCE_DIR}/bench)
# The skip and result check of the test command, on made-up result files.
add_test(NAME tools.check_skips
  COMMAND ${CMAKE_COMMAND} -E env PYTHONDONTWRITEBYTECODE=1
    ${Python3_EXECUTABLE} -m unittest -v test_check_skips
  WORKING_DIRECTORY ${QUORIX_SOURCE_DIR}/scripts)
