# Tests of the generator, in the native tree: unit tests, compile checks of generated headers,
# runs of the Windows build under Wine, and a bounded fuzzing run.
find_package(GTest REQUIRED)
include(GoogleTest)
find_program(KELTROP_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
get_filename_component(keltrop_repo ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)

# Unit tests: every *_test.cpp, one GoogleTest binary, each test its own CTest entry.
file(GLOB keltrop_unit_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/unit/*_test.cpp)
add_executable(keltrop_unit_tests ${keltrop_unit_sources})
target_link_libraries(keltrop_unit_tests PRIVATE keltrop_core GTest::gtest_main)
target_compile_definitions(keltrop_unit_tests PRIVATE KELTROP_VERSION="${PROJECT_VERSION}")
gtest_discover_tests(keltrop_unit_tests TEST_PREFIX "generator." NO_PRETTY_VALUES
                     DISCOVERY_MODE PRE_TEST)

set(keltrop_pytest ${KELTROP_PYTHON3} -m pytest -q -p no:cacheprovider)

# Generated headers compiled by g++, clang++ and MinGW at each standard, and read back.
add_test(NAME generator.compile
  COMMAND ${keltrop_pytest} ${CMAKE_CURRENT_LIST_DIR}/compile
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(generator.compile PROPERTIES TIMEOUT 600
  ENVIRONMENT "KELTROP_NATIVE_BIN=${CMAKE_BINARY_DIR}/bin;PYTHONDONTWRITEBYTECODE=1")

# keltrop.exe of the Windows tree under Wine, with the shared harness of tests/e2e.
if(NOT DEFINED KELTROP_WINE_PREFIX_TEMPLATE)
  set(KELTROP_WINE_PREFIX_TEMPLATE "${CMAKE_BINARY_DIR}/wineprefix")
endif()
add_test(NAME generator.wine
  COMMAND ${keltrop_pytest} ${CMAKE_CURRENT_LIST_DIR}/wine
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(generator.wine PROPERTIES TIMEOUT 600 LABELS e2e ENVIRONMENT
  "KELTROP_WIN32_BIN=${KELTROP_WIN32_BIN};KELTROP_NATIVE_BIN=${CMAKE_BINARY_DIR}/bin;KELTROP_ARTIFACTS=${CMAKE_BINARY_DIR}/e2e-artifacts;KELTROP_WINE_PREFIX_TEMPLATE=${KELTROP_WINE_PREFIX_TEMPLATE};KELTROP_LOCALE_DIR=${CMAKE_BINARY_DIR}/locale;PYTHONPATH=${keltrop_repo}/tests/e2e;PYTHONDONTWRITEBYTECODE=1")

# The fuzzer needs clang's libFuzzer: built by clang++ directly when the tree's compiler is not
# clang. It fuzzes for 45 seconds from the committed seeds; what it finds goes to the build tree.
set(keltrop_fuzz_sources ${keltrop_portable_sources})
list(FILTER keltrop_fuzz_sources EXCLUDE REGEX "/(app|command_line|header_file)\\.cpp$")
list(APPEND keltrop_fuzz_sources ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_generate.cpp)
set(keltrop_fuzz_flags -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined
    -fno-sanitize-recover=all -Wall -Wextra -Werror)
set(keltrop_fuzzer ${CMAKE_BINARY_DIR}/bin/keltrop_fuzz)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(keltrop_fuzz ${keltrop_fuzz_sources})
  target_include_directories(keltrop_fuzz PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_compile_options(keltrop_fuzz PRIVATE ${keltrop_fuzz_flags})
  target_link_options(keltrop_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
else()
  find_program(KELTROP_CLANGXX NAMES clang++ REQUIRED)
  file(GLOB keltrop_headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.h)
  add_custom_command(OUTPUT ${keltrop_fuzzer}
    COMMAND ${KELTROP_CLANGXX} ${keltrop_fuzz_flags} -I${CMAKE_CURRENT_SOURCE_DIR}/src
            ${keltrop_fuzz_sources} -o ${keltrop_fuzzer}
    DEPENDS ${keltrop_fuzz_sources} ${keltrop_headers}
    COMMENT "Building the generator's fuzzer with clang++"
    VERBATIM)
  add_custom_target(keltrop_fuzz ALL DEPENDS ${keltrop_fuzzer})
endif()
set(keltrop_fuzz_dir ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
file(MAKE_DIRECTORY ${keltrop_fuzz_dir}/corpus ${keltrop_fuzz_dir}/findings)
add_test(NAME generator.fuzz
  COMMAND ${keltrop_fuzzer} -max_total_time=45 -timeout=10 -rss_limit_mb=2048 -max_len=4096
          -print_final_stats=1 -dict=${CMAKE_CURRENT_SOURCE_DIR}/fuzz/ini.dict
          -artifact_prefix=${keltrop_fuzz_dir}/findings/
          ${keltrop_fuzz_dir}/corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus)
set_tests_properties(generator.fuzz PROPERTIES TIMEOUT 180)
