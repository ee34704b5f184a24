# Shared part of the mingw-w64 toolchain files; TINTBOX_MINGW_TRIPLET names the target.
set(CMAKE_C_COMPILER ${TINTBOX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TINTBOX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TINTBOX_MINGW_TRIPLET}-windres)
find_program(TINTBOX_WIDL ${TINTBOX_MINGW_TRIPLET}-widl REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TINTBOX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and libraries carry libstdc++, libgcc and winpthread inside them, so they need
# no DLL beyond Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
