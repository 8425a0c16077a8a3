# What both MinGW-w64 toolchain files share; each sets TAVRINOLE_MINGW_ARCH (i686 or
# x86_64) and TAVRINOLE_WINE_ARCH (win32 or win64) and includes this file.
#
# The posix-threads variant of the compiler, because the win32-threads one has no
# std::thread and the scripted test layer and the tests need it. Everything links
# statically, winpthread included, so the exe and the test programs run on a bare
# Windows (or Wine) without any MinGW DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TAVRINOLE_MINGW_ARCH})

set(TAVRINOLE_MINGW_TRIPLE ${TAVRINOLE_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVRINOLE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRINOLE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRINOLE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRINOLE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine in a prefix of the build's own, so a run never touches
# the user's ~/.wine. The variables travel on the command line through env, which
# keeps a plain `ctest` in the build folder working without any setup.
if(NOT TAVRINOLE_WINEPREFIX)
  set(TAVRINOLE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH
      "Wine prefix the cross-built tests run in")
endif()
# Debian's `wine` starts 32-bit programs only through wine32; the 64-bit loader is
# called by its own name, so a 64-bit build runs where no 32-bit code can.
if(TAVRINOLE_WINE_ARCH STREQUAL "win64")
  find_program(TAVRINOLE_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
endif()
find_program(TAVRINOLE_WINE wine)
if(TAVRINOLE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${TAVRINOLE_WINEPREFIX} WINEARCH=${TAVRINOLE_WINE_ARCH} WINEDEBUG=-all
      ${TAVRINOLE_WINE})
endif()

# Listing test cases at build time would start Wine once per test program during the
# build; list them when ctest runs instead.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
