# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which the standard library's threads need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KAIRODEX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAIRODEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAIRODEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KAIRODEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KAIRODEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime (libgcc, libstdc++, winpthread) goes into every .exe, so the
# programs run on Windows and under Wine without DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run through Wine where it is installed (ctest then works as usual).
find_program(KAIRODEX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KAIRODEX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KAIRODEX_WINE})
endif()
