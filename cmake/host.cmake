# The native Linux build: the engine on the platform stand-in, mksfx, the
# unit tests, the fuzz targets' corpus replay and the benchmarks.
add_compile_options(-Wall -Wextra)
if(SFX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

file(GLOB SFX_HOST_PLATFORM CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/stub/platform/host_*.cpp)
# The stand-in's faults and observers are the tests': mksfx ships without them.
set(SFX_HOST_PROBES ${CMAKE_SOURCE_DIR}/stub/platform/host_probes.cpp)
list(REMOVE_ITEM SFX_HOST_PLATFORM ${SFX_HOST_PROBES})
add_library(sfxengine STATIC ${SFX_ENGINE_SOURCES} ${SFX_HOST_PLATFORM})
target_include_directories(sfxengine PUBLIC ${CMAKE_SOURCE_DIR}/stub)
add_library(sfxhost_probes STATIC ${SFX_HOST_PROBES})
target_link_libraries(sfxhost_probes PUBLIC sfxengine)

# mksfx carries the stub of the Windows build, a tree of its own (make
# builds it first).  The stub's bytes go into a generated source on every
# build, which is rewritten only when they change: a rebuilt stub is
# carried by the next build of mksfx.
set(SFX_EMBEDDED_STUB ${CMAKE_SOURCE_DIR}/build/win32/sfxstub.exe CACHE FILEPATH
    "the stub built into mksfx (that of the Windows build)")
if(NOT EXISTS ${SFX_EMBEDDED_STUB})
  message(FATAL_ERROR "${SFX_EMBEDDED_STUB} does not exist.  mksfx carries the stub of the "
                      "Windows build: build it first (make win32, or cmake --build build/win32 "
                      "--target sfxstub), or name another with -DSFX_EMBEDDED_STUB=FILE")
endif()
set(SFX_EMBEDDED_STUB_SOURCE ${CMAKE_BINARY_DIR}/generated/embedded_stub.cpp)
add_custom_target(embedded_stub
  COMMAND ${CMAKE_COMMAND} -DSTUB=${SFX_EMBEDDED_STUB} -DOUTPUT=${SFX_EMBEDDED_STUB_SOURCE}
          -P ${CMAKE_SOURCE_DIR}/cmake/embed-stub.cmake
  BYPRODUCTS ${SFX_EMBEDDED_STUB_SOURCE} VERBATIM)

include(${CMAKE_SOURCE_DIR}/cmake/packer.cmake)
if(MKSFX_CORE_SOURCES)
  add_library(mksfx_core STATIC ${MKSFX_CORE_SOURCES})
  target_include_directories(mksfx_core PUBLIC ${CMAKE_SOURCE_DIR}/packer/core)
  # libdeflate compresses; the engine's own decoder checks entries' data.
  # Its static library (Debian's libdeflate-dev ships one), so that the
  # installed mksfx is one file that needs nothing beside it; the engine
  # tests' oracle below takes the shared one.
  find_library(SFX_LIBDEFLATE_STATIC NAMES libdeflate.a REQUIRED)
  target_link_libraries(mksfx_core PUBLIC sfxengine ${SFX_LIBDEFLATE_STATIC})

  add_executable(mksfx ${MKSFX_CLI_SOURCES} ${SFX_EMBEDDED_STUB_SOURCE})
  target_include_directories(mksfx PRIVATE ${CMAKE_SOURCE_DIR}/packer/cli)
  add_dependencies(mksfx embedded_stub)
  target_link_libraries(mksfx PRIVATE mksfx_core)
  set_target_properties(mksfx PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  # make install: the program and its manual page.
  include(GNUInstallDirs)
  install(TARGETS mksfx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packer/cli/mksfx.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB SFX_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
file(GLOB SFX_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
list(FILTER SFX_TEST_SUPPORT EXCLUDE REGEX "_win32\\.cpp$")
add_executable(engine_tests ${SFX_UNIT_TESTS} ${SFX_TEST_SUPPORT})
target_include_directories(engine_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(engine_tests PRIVATE SFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(engine_tests PRIVATE sfxengine sfxhost_probes GTest::gtest GTest::gtest_main)
# zlib and libdeflate: the inflate tests' oracle and stream writers (host only;
# never linked into the stub).
find_package(ZLIB REQUIRED)
target_link_libraries(engine_tests PRIVATE ZLIB::ZLIB deflate)
# Parameterised rows are named by their inputs (RowName); the names, not the
# rows' bytes, name the tests.
gtest_discover_tests(engine_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                     PROPERTIES ENVIRONMENT "SFX_BUILD_DIR=${CMAKE_BINARY_DIR}")

# The stub's folders stand on each other in one order; the packer reaches
# the stub's engine through one door (scripts/check-layers).
add_test(NAME include_layers COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/check-layers)

foreach(extra fuzz bench packer/tests)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${extra}/CMakeLists.txt)
    add_subdirectory(${extra})
  endif()
endforeach()
