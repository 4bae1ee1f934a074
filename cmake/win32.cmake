# The 32-bit Windows build: the freestanding stub, the engine's unit tests
# (run under Wine against the real Win32 API) and the end-to-end test driver.
enable_language(RC)
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_C_STANDARD_LIBRARIES "")

# ------------------------------------------------------------------- stub
file(GLOB SFX_UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/stub/ui/*.cpp)
file(GLOB SFX_STUB_ONLY CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/stub/*/*_win32.cpp)
file(GLOB SFX_UI_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/stub/ui/*.rc)

add_executable(sfxstub WIN32 ${SFX_ENGINE_SOURCES} ${SFX_UI_SOURCES} ${SFX_STUB_ONLY}
               ${SFX_UI_RESOURCES})
set_target_properties(sfxstub PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The icons are drawn as text in make_icons.py; the resource script takes the
# images it writes, and its other files, through the include path.
set(SFX_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(SFX_ICON_FILES ${SFX_ICON_DIR}/icon32.bin
    ${SFX_ICON_DIR}/group_program.bin ${SFX_ICON_DIR}/group_dialog.bin)
add_custom_command(OUTPUT ${SFX_ICON_FILES}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/stub/ui/make_icons.py ${SFX_ICON_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/stub/ui/make_icons.py VERBATIM)
set_source_files_properties(${SFX_UI_RESOURCES} PROPERTIES
  OBJECT_DEPENDS "${SFX_ICON_FILES};${CMAKE_SOURCE_DIR}/stub/ui/sfxstub.manifest;${CMAKE_SOURCE_DIR}/stub/common/resource_ids.h")
target_include_directories(sfxstub PRIVATE ${SFX_ICON_DIR} ${CMAKE_SOURCE_DIR}/stub/ui ${CMAKE_SOURCE_DIR}/stub/common)
# Size flags, about 3,000 bytes of code together: whole-program optimisation;
# 4-byte stack alignment and data aligned only as the ABI requires (nothing
# in the stub needs 16-byte aligned locals); arguments pushed rather than
# stored into a frame reserved in advance, which mingw forces only for stack
# probes.  Stack probes guard frames larger than the 4,096-byte guard page:
# no function of the stub may have one, and the build fails if one does.  The
# first 64 KiB of stack are committed at start besides (the stub's own frames
# are at most 2.5 KiB each), so its calls meet no guard page at all.
set(SFX_STUB_SIZE_FLAGS -flto -mpreferred-stack-boundary=2 -malign-data=abi
    -mno-accumulate-outgoing-args -mno-stack-arg-probe -Werror=frame-larger-than=4096)
# No C runtime, no C++ runtime, no exceptions, no RTTI, no static
# constructors: the program starts at Start() and ends with ExitProcess.
# -Oz: about 220 bytes smaller than -Os; the inflate loop, the one place
# where speed is at stake, is built at -O2 by an attribute of its own.
target_compile_options(sfxstub PRIVATE
  -Oz -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
  -ffunction-sections -fno-stack-protector -fno-threadsafe-statics
  -fno-ident -fomit-frame-pointer -Wall -Wextra ${SFX_STUB_SIZE_FLAGS})
target_compile_definitions(sfxstub PRIVATE SFX_STUB=1 WIN32_LEAN_AND_MEAN)
# Outside the decoder and the CRC, a function called once stays a call:
# about 100 bytes smaller, and the options travel with each function through
# the link-time optimisation, so the decoder's loops are built as before.
set(SFX_STUB_OUTSIDE_DECODER ${SFX_ENGINE_SOURCES} ${SFX_UI_SOURCES} ${SFX_STUB_ONLY})
list(FILTER SFX_STUB_OUTSIDE_DECODER EXCLUDE REGEX "/stub/(inflate|integrity)/")
set_source_files_properties(${SFX_STUB_OUTSIDE_DECODER} PROPERTIES
  COMPILE_OPTIONS -fno-inline-functions-called-once)
target_link_options(sfxstub PRIVATE
  ${SFX_STUB_SIZE_FLAGS} -Oz -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
  -nostdlib -nostartfiles -Wl,-e,_Start@0 -Wl,--gc-sections -s
  -Wl,--disable-dynamicbase -Wl,--disable-reloc-section -Wl,--file-alignment,512
  -Wl,--section-alignment,4096 -Wl,--no-insert-timestamp -Wl,-Map=${CMAKE_BINARY_DIR}/sfxstub.map
  -Wl,-T,${CMAKE_SOURCE_DIR}/cmake/stub.ld "SHELL:-Xlinker --stack -Xlinker 0x100000,0x10000")
target_link_libraries(sfxstub PRIVATE kernel32 user32 shell32 gcc)
set_target_properties(sfxstub PROPERTIES LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/stub.ld)
# The header entries the linker cannot write for the one merged section; then
# the build fails when the stub outgrows its budget or holds a ZIP signature.
add_custom_command(TARGET sfxstub POST_BUILD
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/stub-header $<TARGET_FILE:sfxstub>
          ${CMAKE_BINARY_DIR}/sfxstub.map
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/check-stub $<TARGET_FILE:sfxstub>
  VERBATIM)

# ---------------------------------------------------------- engine tests
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB SFX_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
file(GLOB SFX_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
list(FILTER SFX_TEST_SUPPORT EXCLUDE REGEX "_host\\.cpp$")
add_executable(engine_tests ${SFX_ENGINE_SOURCES} ${SFX_UNIT_TESTS} ${SFX_TEST_SUPPORT})
target_include_directories(engine_tests PRIVATE ${CMAKE_SOURCE_DIR}/stub ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(engine_tests PRIVATE SFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                           WIN32_LEAN_AND_MEAN)
target_compile_options(engine_tests PRIVATE -O1 -g -Wall -Wextra)
target_link_options(engine_tests PRIVATE -static)
target_link_libraries(engine_tests PRIVATE gtest gtest_main kernel32 user32 shell32 gdi32)
add_test(NAME wine_engine_tests
         COMMAND engine_tests --gtest_output=xml:${CMAKE_BINARY_DIR}/engine_tests.xml)

# ------------------------------------------------------ end-to-end driver
file(GLOB SFX_DRIVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/driver/*.cpp)
add_executable(sfxdriver ${SFX_DRIVER_SOURCES})
set_target_properties(sfxdriver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_compile_options(sfxdriver PRIVATE -O2 -Wall -Wextra)
target_link_options(sfxdriver PRIVATE -static)
target_link_libraries(sfxdriver PRIVATE user32 kernel32 gdi32 shell32)

# A small program of known windows that the driver's own tests drive.
add_executable(sfxfixture ${CMAKE_SOURCE_DIR}/tests/driver/fixtures/fixture.cpp)
set_target_properties(sfxfixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_compile_options(sfxfixture PRIVATE -O2 -Wall -Wextra)
target_link_options(sfxfixture PRIVATE -static)
target_link_libraries(sfxfixture PRIVATE user32 kernel32)

# Programs the end-to-end cases pack or plant beside a self-extractor: one
# started after extraction that leaves a marker file (a window program, as
# installers are, and the same as a console program: under Wine a console
# program started by the stub, which has no console, brings a console host
# along that holds its current folder a moment after the program ends), and a
# DLL that leaves a marker when it is loaded.
foreach(kind IN ITEMS window console)
  set(name sfxrunmark)
  set(subsystem WIN32)
  if(kind STREQUAL console)
    set(name sfxrunmarkcon)
    set(subsystem "")
  endif()
  add_executable(${name} ${subsystem} ${CMAKE_SOURCE_DIR}/tests/driver/fixtures/run_marker.cpp)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_compile_options(${name} PRIVATE -O2 -Wall -Wextra)
  target_link_options(${name} PRIVATE -static)
  target_link_libraries(${name} PRIVATE kernel32)
endforeach()

add_library(sfxplant MODULE ${CMAKE_SOURCE_DIR}/tests/driver/fixtures/planted_dll.cpp)
set_target_properties(sfxplant PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_compile_options(sfxplant PRIVATE -O2 -Wall -Wextra)
target_link_options(sfxplant PRIVATE -static)
target_link_libraries(sfxplant PRIVATE kernel32)

# ----------------------------------------------------------- benchmarks
# The floor of the stub benchmark (bench/stub_bench.py): only the file calls
# of an extraction, timed under Wine beside the real stub.
add_executable(sfxbenchfloor ${CMAKE_SOURCE_DIR}/bench/floor_win32.cpp)
set_target_properties(sfxbenchfloor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_compile_options(sfxbenchfloor PRIVATE -O2 -Wall -Wextra)
target_link_options(sfxbenchfloor PRIVATE -static)
target_link_libraries(sfxbenchfloor PRIVATE kernel32)

# The stub's decoder alone, built as the stub is (bench/inflate_win32.cpp),
# with the C runtime for its timing and printing.
set(SFX_DECODER_SOURCES ${SFX_ENGINE_SOURCES})
list(FILTER SFX_DECODER_SOURCES INCLUDE REGEX
     "/stub/(inflate/|integrity/|entry/|common/(heap|messages|engine_state|text))")
add_executable(sfxbenchinflate ${CMAKE_SOURCE_DIR}/bench/inflate_win32.cpp ${SFX_DECODER_SOURCES})
set_target_properties(sfxbenchinflate PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_include_directories(sfxbenchinflate PRIVATE ${CMAKE_SOURCE_DIR}/stub)
target_compile_options(sfxbenchinflate PRIVATE -Oz -fno-exceptions -fno-rtti -fomit-frame-pointer
                       -Wall -Wextra ${SFX_STUB_SIZE_FLAGS})
target_compile_definitions(sfxbenchinflate PRIVATE WIN32_LEAN_AND_MEAN)
target_link_options(sfxbenchinflate PRIVATE -static -Oz ${SFX_STUB_SIZE_FLAGS})
target_link_libraries(sfxbenchinflate PRIVATE kernel32)

# ------------------------------------------------------------ mksfx.exe
# The packer for Windows, statically linked: pack and check.  libdeflate is
# built here from Debian's source package (scripts/setup fetches it).  The
# stub's own start-up code (locator and configuration reader) and its entry
# decoding (source and sink, stored copy, inflate, CRC and keys) run here on
# the system itself, as check and pack run them in the Linux build; the
# commands that run the rest of the stub through the Linux stand-in (info,
# extract) are the Linux build's.
set(SFX_LIBDEFLATE_SOURCE /usr/local/src/vantor/libdeflate-1.14 CACHE PATH
    "libdeflate's source tree, for the Windows build of mksfx")
if(EXISTS ${SFX_LIBDEFLATE_SOURCE}/libdeflate.h)
  file(GLOB LIBDEFLATE_SOURCES ${SFX_LIBDEFLATE_SOURCE}/lib/*.c ${SFX_LIBDEFLATE_SOURCE}/lib/x86/*.c)
  add_library(deflate_win32 STATIC ${LIBDEFLATE_SOURCES})
  target_include_directories(deflate_win32 PUBLIC ${SFX_LIBDEFLATE_SOURCE})
  target_compile_options(deflate_win32 PRIVATE -O2)

  # mksfx.exe carries the stub of this build, as the Linux build's mksfx does.
  set(SFX_EMBEDDED_STUB_SOURCE ${CMAKE_BINARY_DIR}/generated/embedded_stub.cpp)
  add_custom_command(OUTPUT ${SFX_EMBEDDED_STUB_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DSTUB=$<TARGET_FILE:sfxstub> -DOUTPUT=${SFX_EMBEDDED_STUB_SOURCE}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed-stub.cmake
    DEPENDS sfxstub ${CMAKE_SOURCE_DIR}/cmake/embed-stub.cmake VERBATIM)

  # The core carries the part of the engine it runs on the system itself:
  # the walk (listing only), not the dialogs.  The progress comes with the
  # sink (WriteEntryData keeps the window answering), and with it user32.
  include(${CMAKE_SOURCE_DIR}/cmake/packer.cmake)
  set(MKSFX_ENGINE_SOURCES ${SFX_ENGINE_SOURCES})
  list(FILTER MKSFX_ENGINE_SOURCES INCLUDE REGEX
       "/stub/(common/(engine_state|fatal|heap|made_list|messages|overwrite_policy|text)|startup/(command_line|config_block|locator|run_command)|extract/(paths|entry_names|device_names|stored_copy|walk|list_items)|entry/|inflate/|integrity/)")
  add_library(mksfx_core STATIC ${MKSFX_CORE_SOURCES} ${MKSFX_ENGINE_SOURCES})
  target_include_directories(mksfx_core PUBLIC ${CMAKE_SOURCE_DIR}/stub ${CMAKE_SOURCE_DIR}/packer/core)
  target_compile_definitions(mksfx_core PUBLIC WIN32_LEAN_AND_MEAN _POSIX_THREAD_SAFE_FUNCTIONS)
  target_compile_options(mksfx_core PUBLIC -O2 -Wall -Wextra)
  target_link_libraries(mksfx_core PUBLIC deflate_win32 user32 kernel32)

  add_executable(mksfx ${MKSFX_CLI_SOURCES} ${CMAKE_SOURCE_DIR}/packer/cli/mksfx_win32.rc
                 ${SFX_EMBEDDED_STUB_SOURCE})
  set_target_properties(mksfx PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_include_directories(mksfx PRIVATE ${CMAKE_SOURCE_DIR}/packer/cli)
  target_link_options(mksfx PRIVATE -static)
  target_link_libraries(mksfx PRIVATE mksfx_core)
else()
  message(STATUS "no libdeflate source at ${SFX_LIBDEFLATE_SOURCE}: mksfx.exe is not built "
                 "(scripts/setup fetches it)")
endif()
