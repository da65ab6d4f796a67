# PE32+ console programs for x86-64 Windows, run under Wine's 64-bit loader
# itself: Debian's `wine` wrapper prefers the 32-bit loader whenever it is
# installed, and some kernels refuse every 32-bit program.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64 CACHE FILEPATH "Wine's loader for PE32+ programs")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
