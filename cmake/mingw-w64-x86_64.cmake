# mingw-w64-x86_64.cmake: cross-builds cfgsnap for 64-bit Windows with
# Debian's mingw-w64 (g++-mingw-w64-x86-64), and runs what it builds under
# Wine (Debian's wine64) wherever CMake and CTest need to run a target.
#
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Everything is linked statically, so cfgsnap.exe needs no DLL beyond the
# system's own. The Wine prefix lives in the build directory, created on the
# first run; Wine's diagnostics are switched off so that a test sees only
# what the program itself writes, and so are its desktop menu entries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model: std::thread, which the test peers use, exists only
# there in this compiler's runtime.
set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread go into every executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Without Wine everything still builds; only the tests cannot run.
find_program(CFGSNAP_WINE NAMES wine wine64)
if(CFGSNAP_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
      WINEDLLOVERRIDES=winemenubuilder.exe=d ${CFGSNAP_WINE})
endif()
