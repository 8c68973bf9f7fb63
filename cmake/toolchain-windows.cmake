# Windows x86-64 with Debian's mingw-w64. The -posix flavour: its libstdc++ has std::thread and
# std::mutex (GoogleTest and the tools use them), which GCC 12's -win32 flavour lacks. Everything
# links statically, so the DLL and the programs need no MinGW runtime DLL beside them.
# VANT_WINDOWS_ARCH=i686 gives the 32-bit build.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT DEFINED VANT_WINDOWS_ARCH)
    set(VANT_WINDOWS_ARCH x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${VANT_WINDOWS_ARCH})
set(vant_triple ${VANT_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${vant_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${vant_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${vant_triple}-windres)
set(CMAKE_OBJDUMP ${vant_triple}-objdump CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/${vant_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
# Tests and programs run under wine: wine64 for 64-bit code, wine for 32-bit.
if(VANT_WINDOWS_ARCH STREQUAL "x86_64")
    find_program(VANT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
else()
    find_program(VANT_WINE NAMES wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
endif()
# Quiet, without a display or wine's installers, in a prefix of the build folder's own.
if(VANT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR env -u DISPLAY WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
        WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${VANT_WINE})
endif()
