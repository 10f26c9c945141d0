# Build helpers shared by every folder: warnings, sanitizers, third-party pieces,
# tests (native and under Wine), fuzz targets and benchmarks.

include_guard(GLOBAL)

function(tw_setup_toolchain_flags)
  if(TW_WINDOWS)
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
    # GCC 12 warns on every COM interface cast; the rest of -Wall stays on.
    add_compile_options(-Wall -Wextra -Wno-cast-function-type)
  else()
    add_compile_options(-Wall -Wextra)
  endif()
  if(TW_TARGET STREQUAL "win64" AND CMAKE_BUILD_TYPE STREQUAL "Release")
    # The shipped program: every function and datum in a section of its own, so that the
    # linker can drop what nothing uses (the preset adds link-time optimisation at -O2).
    add_compile_options(-ffunction-sections -fdata-sections)
    add_link_options(-Wl,--gc-sections)
  endif()
  if(TW_SANITIZE AND TW_NATIVE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
  if(TW_LIBFUZZER_BUILD)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
  set(TW_HAVE_LIBFUZZER OFF PARENT_SCOPE)
  if(TW_NATIVE AND TW_FUZZ AND NOT TW_LIBFUZZER_BUILD)
    find_program(TW_CLANGXX NAMES clang++ clang++-14)
    find_program(TW_CLANG NAMES clang clang-14)
    if(TW_CLANGXX AND TW_CLANG)
      set(TW_HAVE_LIBFUZZER ON PARENT_SCOPE)
    else()
      message(WARNING "clang not found: libFuzzer targets are not built")
    endif()
  endif()
endfunction()

# nlohmann-json is header-only. /usr/include must never reach the MinGW include path,
# so both builds see it through a folder that holds only a link to its headers.
function(tw_setup_third_party)
  set(json_root ${CMAKE_BINARY_DIR}/third_party/include)
  if(NOT EXISTS ${json_root}/nlohmann)
    if(NOT EXISTS /usr/include/nlohmann/json.hpp)
      message(FATAL_ERROR "nlohmann-json3-dev is not installed")
    endif()
    file(MAKE_DIRECTORY ${json_root})
    file(CREATE_LINK /usr/include/nlohmann ${json_root}/nlohmann SYMBOLIC)
  endif()
  add_library(tw_json INTERFACE)
  target_include_directories(tw_json SYSTEM INTERFACE ${json_root})
  target_compile_definitions(tw_json INTERFACE JSON_USE_IMPLICIT_CONVERSIONS=0)
  add_library(tw::json ALIAS tw_json)

  if(TW_TESTS)
    # GoogleTest from Debian's source package, built once for this tree.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    if(TW_NATIVE)
      find_package(benchmark REQUIRED)
    endif()
  endif()
endfunction()

function(tw_setup_test_environment)
  if(TW_TARGET STREQUAL "win64")
    set(TW_WINE_STATE ${CMAKE_BINARY_DIR}/wine CACHE INTERNAL "")
    # One warm Wine server, one template prefix and one Xvfb display for the whole run.
    add_test(NAME wine.env.start COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-env start ${TW_WINE_STATE})
    set_tests_properties(wine.env.start PROPERTIES FIXTURES_SETUP wine_env TIMEOUT 240)
    add_test(NAME wine.env.stop COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-env stop ${TW_WINE_STATE})
    set_tests_properties(wine.env.stop PROPERTIES FIXTURES_CLEANUP wine_env TIMEOUT 60)
    # A local HTTPS server with a self-signed certificate, for the TLS refusal tests.
    set(TW_TLS_STATE ${CMAKE_BINARY_DIR}/tls CACHE INTERNAL "")
    add_test(NAME tls.server.start COMMAND ${PROJECT_SOURCE_DIR}/tools/tls-test-server start ${TW_TLS_STATE})
    set_tests_properties(tls.server.start PROPERTIES FIXTURES_SETUP tls_server TIMEOUT 60)
    add_test(NAME tls.server.stop COMMAND ${PROJECT_SOURCE_DIR}/tools/tls-test-server stop ${TW_TLS_STATE})
    set_tests_properties(tls.server.stop PROPERTIES FIXTURES_CLEANUP tls_server TIMEOUT 60)
  endif()
endfunction()

# Emulator of the win64 tree: every test executable runs through tools/wine-run.
if(TW_TARGET STREQUAL "win64")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/tools/wine-run;${CMAKE_BINARY_DIR}/wine")
endif()

# tw_test(<name> SOURCES ... [LIBS ...] [NATIVE_ONLY | WINDOWS_ONLY] [DISPLAY] [PRIVATE_PREFIX]
#         [TLS_SERVER] [TIMEOUT s] [ARGS ...] [ENV VAR=value ...] [SKIPPABLE Suite.Case ...])
# One test executable linked with GoogleTest's main, registered as one CTest test that
# runs all of its cases. In the win64 tree it runs under Wine; DISPLAY gives it the run's
# Xvfb display (one display test at a time), PRIVATE_PREFIX a fresh Wine prefix of its own
# (for registry writes), TLS_SERVER the run's untrusted HTTPS server (TW_TLS_STATE).
# SKIPPABLE names cases that skip themselves where the system cannot run them (GTEST_SKIP):
# each becomes a CTest test of its own, <name>.<Suite.Case>, that CTest reports as skipped
# rather than passed, and the main test runs the other cases.
function(tw_test name)
  cmake_parse_arguments(T "NATIVE_ONLY;WINDOWS_ONLY;DISPLAY;PRIVATE_PREFIX;TLS_SERVER;NO_GTEST_MAIN" "TIMEOUT"
                        "SOURCES;LIBS;ARGS;ENV;SKIPPABLE" ${ARGN})
  if(NOT TW_TESTS)
    return()
  endif()
  if(T_NATIVE_ONLY AND NOT TW_NATIVE)
    return()
  endif()
  if(T_WINDOWS_ONLY AND NOT TW_WINDOWS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_NO_GTEST_MAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  target_compile_definitions(${name} PRIVATE TW_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             TW_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(tests ${name})
  if(T_SKIPPABLE)
    list(JOIN T_SKIPPABLE ":" skippable)
    add_test(NAME ${name} COMMAND ${name} ${T_ARGS} --gtest_filter=-${skippable})
    foreach(case IN LISTS T_SKIPPABLE)
      add_test(NAME ${name}.${case} COMMAND ${name} ${T_ARGS} --gtest_filter=${case})
      set_tests_properties(${name}.${case} PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
      list(APPEND tests ${name}.${case})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(env ${T_ENV})
  if(TW_TARGET STREQUAL "win64")
    set(fixtures wine_env)
    if(T_TLS_SERVER)
      list(APPEND fixtures tls_server)
      list(APPEND env TW_TLS_STATE=${TW_TLS_STATE})
    endif()
    set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED "${fixtures}")
    if(T_DISPLAY)
      list(APPEND env TW_WINE_DISPLAY=1)
      # Windows of tests running at once would overlap on the one display: a synthetic
      # click or key could land in another test's dialog. Display tests take turns.
      set_tests_properties(${tests} PROPERTIES RESOURCE_LOCK xvfb_display)
    endif()
  endif()
  set_tests_properties(${tests} PROPERTIES TIMEOUT ${T_TIMEOUT})
  foreach(test IN LISTS tests)
    set(test_env ${env})
    if(T_PRIVATE_PREFIX AND TW_TARGET STREQUAL "win64")
      # One prefix per CTest test: tests of one executable may run at the same time.
      list(APPEND test_env TW_WINE_PRIVATE=${test})
    endif()
    if(test_env)
      set_tests_properties(${test} PROPERTIES ENVIRONMENT "${test_env}")
    endif()
  endforeach()
endfunction()

# tw_fuzzer(<name> SOURCES ... LIBS ... CORPUS <dir> [RUNS n])
# A libFuzzer target (the sources define LLVMFuzzerTestOneInput). It is compiled by clang
# in the fuzz sub-build of the native tree; the native tree runs it for a fixed number of
# iterations with a fixed seed from its corpus as an ordinary test.
function(tw_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS;RUNS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_RUNS)
    set(F_RUNS 2000)
  endif()
  if(TW_LIBFUZZER_BUILD)
    add_executable(fuzz_${name} ${F_SOURCES})
    target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  elseif(TW_NATIVE AND TW_TESTS AND TW_HAVE_LIBFUZZER)
    add_test(NAME fuzz.${name}
             COMMAND ${PROJECT_SOURCE_DIR}/tools/fuzz-run ${CMAKE_BINARY_DIR}/fuzz-clang/fuzzers/fuzz_${name}
                     ${F_CORPUS} ${F_RUNS})
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# tw_benchmark(<name> SOURCES ... LIBS ...): Google Benchmark, native trees only.
# Figures come from the Release "bench" preset; the native tree just keeps them building.
function(tw_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TW_NATIVE OR NOT TW_TESTS)
    return()
  endif()
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
  target_compile_definitions(${name} PRIVATE TW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()

function(tw_setup_libfuzzer_subbuild)
  if(NOT TW_HAVE_LIBFUZZER)
    return()
  endif()
  include(ExternalProject)
  set(launcher_args)
  if(TW_CCACHE)
    set(launcher_args -DCMAKE_CXX_COMPILER_LAUNCHER=${TW_CCACHE} -DCMAKE_C_COMPILER_LAUNCHER=${TW_CCACHE})
  endif()
  ExternalProject_Add(libfuzzer_targets
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz-clang
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=${TW_CLANG}
               -DCMAKE_CXX_COMPILER=${TW_CLANGXX} -DTW_TARGET=native -DTW_LIBFUZZER_BUILD=ON
               -DTW_FUZZ=OFF ${launcher_args}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
endfunction()
