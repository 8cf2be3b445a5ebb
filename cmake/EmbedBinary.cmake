# Script mode of corvane_embed_binary (cmake/Corvane.cmake): turns a binary
# file into a comma-separated list of byte literals for inclusion inside a C++
# array initializer, after checking its SHA-256 so a damaged copy of the data
# can never be compiled in.
#
# cmake -DINPUT=<file> -DOUTPUT=<file.inc> -DSHA256=<hex digest> -P EmbedBinary.cmake
file(SHA256 "${INPUT}" actual)
if(NOT actual STREQUAL SHA256)
  message(FATAL_ERROR "${INPUT}: SHA-256 ${actual}, expected ${SHA256}")
endif()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
set(lines "")
# Sixteen bytes a line keeps the generated file readable in a debugger.
foreach(start RANGE 0 ${hexLength} 32)
  string(SUBSTRING "${hex}" ${start} 32 chunk)
  if(chunk STREQUAL "")
    break()
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," chunk "${chunk}")
  string(APPEND lines "${chunk}\n")
endforeach()
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// Generated from ${name} at build time; do not edit.\n${lines}")
