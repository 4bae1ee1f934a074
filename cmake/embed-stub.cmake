# Writes OUTPUT, a C++ source holding the bytes of the stub file STUB as
# kEmbeddedStub (packer/cli/embedded_stub.h), the stub mksfx packs when neither
# --stub nor MKSFX_STUB names one.  OUTPUT is rewritten only when its text
# changes, so an unchanged stub recompiles nothing.
#
#   cmake -DSTUB=build/win32/sfxstub.exe -DOUTPUT=embedded_stub.cpp -P embed-stub.cmake
if(NOT EXISTS "${STUB}")
  message(FATAL_ERROR "${STUB} does not exist.  mksfx carries the stub of the Windows "
                      "build: build it first (make win32, or cmake --build build/win32 "
                      "--target sfxstub), or name another with -DSFX_EMBEDDED_STUB=FILE")
endif()
file(READ "${STUB}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "${STUB} is empty; build the stub again (make win32)")
endif()
math(EXPR size "${digits} / 2")
# 16 bytes, 32 hex digits, a line.
set(bytes "")
math(EXPR last "${digits} - 1")
foreach(at RANGE 0 ${last} 32)
  string(SUBSTRING "${hex}" ${at} 32 line)
  string(REGEX REPLACE "(..)" "0x\\1," line "${line}")
  string(APPEND bytes "    ${line}\n")
endforeach()
get_filename_component(stubName "${STUB}" NAME)
set(text "// The bytes of ${stubName}, written by cmake/embed-stub.cmake at build time.
#include \"embedded_stub.h\"

const unsigned char kEmbeddedStub[] = {
${bytes}};
const size_t kEmbeddedStubSize = ${size};
")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
