# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, so
# std::thread and std::mutex work): `make windows` uses it for build-windows/.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs run on a bare Windows: the C++ runtime, libgcc and winpthread are
# linked into each executable instead of shipping as DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Test programs and their discovery run under Wine on this Linux machine.
find_program(MIRVEX_WINE NAMES wine64 wine)
if(MIRVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MIRVEX_WINE})
endif()
