# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (posix thread model, package
# g++-mingw-w64-x86-64-posix); the programs run here under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUARRIX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUARRIX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARRIX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARRIX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUARRIX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime libraries go into each program, so it runs under wine without DLLs to find.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(QUARRIX_WINE NAMES wine wine64)
if(QUARRIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUARRIX_WINE})
endif()
