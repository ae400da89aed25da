# Fuzzing: libFuzzer targets over the logic on the simulated Windows, with ASan and UBSan.
# Each tests/fuzz/<name>_fuzz.cpp becomes one target; CTest gives each a short smoke run over
# its seed corpus (tests/fuzz/corpus/<name>/), scripts/fuzz-long.sh runs them for longer.
enable_testing()
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "the fuzz preset needs clang (libFuzzer)")
endif()
# -O1 whatever the build type: unoptimised, the standard containers' coverage tracing costs
# ten times the code under test, and far fewer inputs get tried.
set(QUORIX_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
  -fno-omit-frame-pointer -g -O1)
add_compile_options(${QUORIX_FUZZ_FLAGS})
add_link_options(-fsanitize=address,undefined)
set(QUORIX_FUZZ_SECONDS 10 CACHE STRING "Smoke budget of each fuzz target in the test run")

quorix_logic_library(quorix_logic)
target_compile_definitions(quorix_logic PUBLIC QUORIX_SIMULATED=1)
add_library(quorix_sim STATIC ${QUORIX_SIM_SOURCES})
target_link_libraries(quorix_sim PUBLIC quorix_logic)

file(GLOB QUORIX_FUZZ_TARGETS CONFIGURE_DEPENDS ${QUORIX_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source IN LISTS QUORIX_FUZZ_TARGETS)
  get_filename_component(name ${source} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" corpus ${name})
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE quorix_sim)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # The seed corpus stays read-only: new inputs go to a scratch corpus in the build folder,
  # emptied first, so that every smoke run starts from the checked-in corpus alone.
  # -timeout counts wall-clock time: generous, so that a busy machine is no finding.
  set(work ${CMAKE_BINARY_DIR}/corpus/${corpus})
  add_test(NAME fuzz.${corpus}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
      sh -c "rm -rf '${work}' && mkdir -p '${work}' && exec '$<TARGET_FILE:${name}>' -max_total_time=${QUORIX_FUZZ_SECONDS} -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 '${work}' '${QUORIX_SOURCE_DIR}/tests/fuzz/corpus/${corpus}'")
endforeach()
