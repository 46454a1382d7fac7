# Cross build of the Windows control with mingw-w64 (i686). Programs built
# here run under wine, which CTest uses as the emulator.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
