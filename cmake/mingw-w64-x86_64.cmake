# Cross-build for 64-bit Windows with Debian's mingw-w64 compilers. The -posix
# thread model is the one with std::mutex, which GoogleTest needs. Test
# programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HOARD_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HOARD_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HOARD_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${HOARD_MINGW_PREFIX}-windres)
set(CMAKE_AR ${HOARD_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${HOARD_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${HOARD_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable each: Wine needs no extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

# GCC 12 warns falsely about overlapping copies inside std::string when
# "literal" + std::string is inlined at -O2 and above (GCC bug 105651).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
