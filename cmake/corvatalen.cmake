# Build helpers shared by every folder. Each folder is one static library named after its path
# (platform/rtl -> platform_rtl); includes are written from the project root.

set(CORV_WARNINGS -Wall -Wextra -Wno-missing-field-initializers)
set(CORV_SANITIZE "")
if(CORV_MODE STREQUAL "test")
  set(CMAKE_BUILD_TYPE Debug CACHE STRING "" FORCE)
  set(CORV_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  list(APPEND CORV_WARNINGS -Werror)
  add_compile_options(-O1 -g)
elseif(CORV_MODE STREQUAL "tsan")
  set(CMAKE_BUILD_TYPE Debug CACHE STRING "" FORCE)
  set(CORV_SANITIZE -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(-O1 -g)
elseif(CORV_MODE STREQUAL "fuzz")
  set(CMAKE_BUILD_TYPE Debug CACHE STRING "" FORCE)
  set(CORV_SANITIZE -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(-O1 -g)
else()
  set(CMAKE_BUILD_TYPE Release CACHE STRING "" FORCE)
endif()
add_compile_options(${CORV_WARNINGS} ${CORV_SANITIZE})
add_link_options(${CORV_SANITIZE})

find_package(PkgConfig REQUIRED)

# The fuzz and tsan trees build only what their tests need.
add_custom_target(corv_mode_all)
find_package(Threads REQUIRED)

# Libraries compile in batches of sources (one translation unit each), so that the headers they
# share are read once a batch rather than once a file: about half the compile time of a tree.
set(CORV_UNITY ON CACHE BOOL "compile the libraries' sources in batches (CMake unity builds)")
set(CORV_UNITY_BATCH 8 CACHE STRING "sources in one batch")

# corv_library(<name> SOURCES ... [DEPS ...])
function(corv_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  set_target_properties(${name} PROPERTIES UNITY_BUILD ${CORV_UNITY}
                        UNITY_BUILD_BATCH_SIZE ${CORV_UNITY_BATCH})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# corv_test(<name> SOURCES ... [DEPS ...] [SERIAL] [THREADS]) - one GoogleTest binary per folder.
# THREADS marks a binary that also runs under ThreadSanitizer (the tsan tree builds only those).
function(corv_test name)
  cmake_parse_arguments(A "SERIAL;THREADS" "" "SOURCES;DEPS" ${ARGN})
  if(CORV_MODE STREQUAL "tsan" AND NOT A_THREADS)
    return()
  endif()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(${name} ${A_SOURCES})
  add_dependencies(corv_mode_all ${name})
  # The tests' own code compiles without optimisation, in half the time; the code they test keeps
  # the tree's flags, sanitizers included.
  target_compile_options(${name} PRIVATE -O0)
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE CORV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set(props ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1;UBSAN_OPTIONS=print_stacktrace=1")
  if(A_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
endfunction()

# corv_bench(<name> SOURCES ... [DEPS ...])
function(corv_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark benchmark::benchmark_main)
  target_compile_definitions(${name} PRIVATE CORV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_property(GLOBAL APPEND PROPERTY CORV_BENCHES ${name})
endfunction()

# corv_fuzz(<name> SOURCES ... [DEPS ...]) - a libFuzzer target in the fuzz tree; in the test tree
# the same entry point is driven by a replay of seeds plus random garbage, as a test.
set(CORV_FUZZ_SECONDS 10 CACHE STRING "seconds each libFuzzer target runs in the fuzz tree")
function(corv_fuzz name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  set(corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  if(CORV_MODE STREQUAL "fuzz")
    add_executable(${name} ${A_SOURCES})
    add_dependencies(corv_mode_all ${name})
    target_link_libraries(${name} PRIVATE ${A_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}.corpus)
    file(MAKE_DIRECTORY ${work})
    set(seeds "")
    if(EXISTS ${corpus})
      set(seeds ${corpus})
    endif()
    add_test(NAME ${name} COMMAND ${name} -max_total_time=${CORV_FUZZ_SECONDS} -rss_limit_mb=4096
             -timeout=10 -print_final_stats=1 ${work} ${seeds})
  else()
    if(NOT TARGET corv_replay_main)
      add_library(corv_replay_main OBJECT ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    endif()
    add_executable(${name}_replay ${A_SOURCES})
    target_link_libraries(${name}_replay PRIVATE corv_replay_main ${A_DEPS})
    add_test(NAME ${name}_garbage COMMAND ${name}_replay ${corpus})
    set_tests_properties(${name}_garbage PROPERTIES TIMEOUT 300)
  endif()
endfunction()
