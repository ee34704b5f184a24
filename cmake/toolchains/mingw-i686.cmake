# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (posix threads flavour): the
# architecture of 32-bit hosts such as VB6 and 32-bit Office.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TINTBOX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
