# mksfx's sources, the same for both builds: the core library (packer/core/:
# archives read and written, the configuration block, encryption, input
# trees and code pages, the stub's start-up replayed, the system seam) and
# the command-line front end (packer/cli/: the commands, their options and
# what they print).  A source ending in _win32.cpp is built only for
# Windows, one ending in _host.cpp only for Linux, as everywhere in the tree:
# the two sides of one header, or a part that one build alone has.
if(WIN32)
  set(MKSFX_OTHER_BUILD host)
else()
  set(MKSFX_OTHER_BUILD win32)
endif()
file(GLOB MKSFX_CORE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packer/core/*.cpp)
file(GLOB MKSFX_CLI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packer/cli/*.cpp)
list(FILTER MKSFX_CORE_SOURCES EXCLUDE REGEX "_${MKSFX_OTHER_BUILD}\\.cpp$")
list(FILTER MKSFX_CLI_SOURCES EXCLUDE REGEX "_${MKSFX_OTHER_BUILD}\\.cpp$")

# The code page tables are generated from Python's codecs of the pages.
set(MKSFX_CODEPAGE_TABLES ${CMAKE_BINARY_DIR}/generated/codepage_tables.cpp)
add_custom_command(OUTPUT ${MKSFX_CODEPAGE_TABLES}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/packer/core/codepage_tables.py ${MKSFX_CODEPAGE_TABLES}
  DEPENDS ${CMAKE_SOURCE_DIR}/packer/core/codepage_tables.py VERBATIM)
list(APPEND MKSFX_CORE_SOURCES ${MKSFX_CODEPAGE_TABLES})

# So are the canonical composition tables, from Python's unicodedata.
set(MKSFX_NFC_TABLES ${CMAKE_BINARY_DIR}/generated/nfc_tables.cpp)
add_custom_command(OUTPUT ${MKSFX_NFC_TABLES}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/packer/core/nfc_tables.py ${MKSFX_NFC_TABLES}
  DEPENDS ${CMAKE_SOURCE_DIR}/packer/core/nfc_tables.py VERBATIM)
list(APPEND MKSFX_CORE_SOURCES ${MKSFX_NFC_TABLES})
