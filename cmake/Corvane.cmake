# Build helpers shared by every folder of the project.

set(CORVANE_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

if(CORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
# Fuzzing instruments every library, not only the harnesses, so coverage and
# the sanitizers see the parsers themselves.
if(CORVANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CORVANE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

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

# corvane_test(name SOURCES ... [DEPS ...]): one GoogleTest binary registered with CTest.
function(corvane_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(CORVANE_TSAN)
    target_sources(${name} PRIVATE ${CORVANE_ROOT}/cmake/TsanSuppressions.cpp)
  endif()
  target_include_directories(${name} PRIVATE ${CORVANE_ROOT})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  corvane_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
