# Cross-builds the 64-bit Windows program with Debian's MinGW-w64
# (g++-mingw-w64-x86-64); its tests run under 64-bit Wine (package wine64).
#
#   cmake -S . -B build-windows-x64 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(TAVRINOLE_MINGW_ARCH x86_64)
set(TAVRINOLE_WINE_ARCH win64)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
