# Cross-builds the 32-bit Windows program with Debian's MinGW-w64 (g++-mingw-w64-i686).
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(TAVRINOLE_MINGW_ARCH i686)
set(TAVRINOLE_WINE_ARCH win32)

# GCC 12 reports std::string's own memcpy as overlapping at -O2 and above on 32-bit
# targets (GCC bug 105329); with -Werror that false alarm would stop the build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
