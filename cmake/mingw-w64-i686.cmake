# Cross-builds the 32-bit Windows program with Debian's MinGW-w64 (g++-mingw-w64-i686).
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
#
# The posix-threads variant of the compiler, because the win32-threads one has no
# std::thread and the scripted test layer and the tests need it. Everything links
# statically, winpthread included, so the exe and the test programs run on a bare
# Windows (or Wine) without any MinGW DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TAVRINOLE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVRINOLE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRINOLE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRINOLE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRINOLE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12 reports std::string's own memcpy as overlapping at -O2 and above on 32-bit
# targets (GCC bug 105329); with -Werror that false alarm would stop the build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under 32-bit Wine in a prefix of the build's own, so a run never
# touches the user's ~/.wine. The variables travel on the command line through env,
# which keeps a plain `ctest` in the build folder working without any setup.
if(NOT TAVRINOLE_WINEPREFIX)
  set(TAVRINOLE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH
      "Wine prefix the cross-built tests run in")
endif()
find_program(TAVRINOLE_WINE wine)
if(TAVRINOLE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${TAVRINOLE_WINEPREFIX} WINEARCH=win32 WINEDEBUG=-all ${TAVRINOLE_WINE})
endif()

# Listing test cases at build time would start Wine once per test program during the
# build; list them when ctest runs instead.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
