# PE32 console programs for 32-bit x86 Windows, run under Wine's 32-bit
# loader, where the machine's kernel runs 32-bit programs at all.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine CACHE FILEPATH "Wine's loader for PE32 programs")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
