# The native Linux build: the engine on the platform stand-in, mksfx, the
# unit tests, the fuzz targets' corpus replay and the benchmarks.
add_compile_options(-Wall -Wextra)
if(SFX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

file(GLOB SFX_HOST_PLATFORM CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/stub/platform/host_*.cpp)
add_library(sfxengine STATIC ${SFX_ENGINE_SOURCES} ${SFX_HOST_PLATFORM})
target_include_directories(sfxengine PUBLIC ${CMAKE_SOURCE_DIR}/stub)

file(GLOB SFX_PACKER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packer/*.cpp)
list(FILTER SFX_PACKER_SOURCES EXCLUDE REGEX "_win32\\.cpp$")
if(SFX_PACKER_SOURCES)
  add_executable(mksfx ${SFX_PACKER_SOURCES})
  # libdeflate compresses, zlib's streaming inflate checks input archives.
  find_package(ZLIB REQUIRED)
  target_link_libraries(mksfx PRIVATE sfxengine deflate ZLIB::ZLIB)
  set_target_properties(mksfx PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB SFX_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
file(GLOB SFX_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
list(FILTER SFX_TEST_SUPPORT EXCLUDE REGEX "_win32\\.cpp$")
add_executable(engine_tests ${SFX_UNIT_TESTS} ${SFX_TEST_SUPPORT})
target_include_directories(engine_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(engine_tests PRIVATE SFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(engine_tests PRIVATE sfxengine GTest::gtest GTest::gtest_main)
# zlib and libdeflate: the inflate tests' oracle and stream writers (host only;
# never linked into the stub).
find_package(ZLIB REQUIRED)
target_link_libraries(engine_tests PRIVATE ZLIB::ZLIB deflate)
gtest_discover_tests(engine_tests DISCOVERY_TIMEOUT 60
                     PROPERTIES ENVIRONMENT "SFX_BUILD_DIR=${CMAKE_BINARY_DIR}")

foreach(extra fuzz bench packer/tests)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${extra}/CMakeLists.txt)
    add_subdirectory(${extra})
  endif()
endforeach()
