# Build helpers shared by every folder of the project.

set(CORVANE_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

if(CORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
# Fuzzing instruments every library, not only the harnesses, so coverage and
# the sanitizers see the parsers themselves. Undefined behaviour stops the run
# like a crash, so libFuzzer keeps the input that caused it.
if(CORVANE_FUZZ)
  # The ignore list's digest goes on every compile line, so an edited list
  # rebuilds the objects: neither make nor the compiler cache reads the file.
  set(coverageIgnore ${CORVANE_ROOT}/fuzz/coverage-ignore.txt)
  file(MD5 ${coverageIgnore} coverageIgnoreDigest)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${coverageIgnore})
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined
                      -fsanitize-coverage-ignorelist=${coverageIgnore}
                      -DCORVANE_COVERAGE_IGNORE=${coverageIgnoreDigest})
  add_link_options(-fsanitize=address,undefined)
endif()
# The test binaries that run media graphs on threads of their own: the ones a
# ThreadSanitizer build (CORVANE_TSAN_TESTS) labels "tsan" and builds as the
# target tsan_tests.
set(CORVANE_TSAN_TEST_BINARIES
  graph_tests graph_manager_tests graph_events_tests player_tests source_tests source_filter_tests
  tee_tests sink_filter_tests demux_filter_tests sbe_tests dvr_tests)
if(CORVANE_TSAN_TESTS)
  set(CORVANE_TSAN ON)
endif()
if(CORVANE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# corvane_tsan_program(target): a program of a TSan build carries the options
# it needs beside the system's uninstrumented libraries (cmake/TsanOptions.cpp).
function(corvane_tsan_program target)
  if(CORVANE_TSAN)
    target_sources(${target} PRIVATE ${CORVANE_ROOT}/cmake/TsanOptions.cpp)
  endif()
endfunction()

# Warnings on our own code only; errors with -DCORVANE_WERROR=ON (CI), so a
# packager's compiler or flags with a new warning still build.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# corvane_library(name SOURCES ... [DEPS ...]): a static library of our code,
# included from the repository root.
function(corvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CORVANE_ROOT})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  corvane_warnings(${name})
endfunction()

# corvane_test(name SOURCES ... [DEPS ...] [INTEGRATION filter]): one GoogleTest binary
# registered with CTest, linked with the shared test support (tests/support).
# The tests the GoogleTest filter INTEGRATION names (those that run external
# programs such as ffmpeg or ffprobe) carry the CTest label "integration".
function(corvane_test name)
  cmake_parse_arguments(ARG "" "INTEGRATION" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(CORVANE_TSAN)
    target_sources(${name} PRIVATE ${CORVANE_ROOT}/cmake/TsanSuppressions.cpp)
  endif()
  target_include_directories(${name} PRIVATE ${CORVANE_ROOT})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} corvane_test_support GTest::gtest
                                        GTest::gtest_main GTest::gmock)
  corvane_warnings(${name})
  set(labels "")
  if(CORVANE_TSAN_TESTS AND name IN_LIST CORVANE_TSAN_TEST_BINARIES)
    set(labels LABELS tsan)
  endif()
  if(ARG_INTEGRATION)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-${ARG_INTEGRATION}"
                         PROPERTIES TIMEOUT 300 ${labels})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "${ARG_INTEGRATION}"
                         PROPERTIES TIMEOUT 300 LABELS integration)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ${labels})
  endif()
endfunction()

# corvane_embed_binary(<output.inc> <input> <sha256>): generates at build time
# the byte list of `input` for a C++ array initializer (#include it between the
# braces). The build stops when the file's SHA-256 is not the one given.
function(corvane_embed_binary output input sha256)
  get_filename_component(name ${input} NAME)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSHA256=${sha256}
            -P ${CORVANE_ROOT}/cmake/EmbedBinary.cmake
    DEPENDS ${input} ${CORVANE_ROOT}/cmake/EmbedBinary.cmake
    COMMENT "Embedding ${name}"
    VERBATIM)
endfunction()
