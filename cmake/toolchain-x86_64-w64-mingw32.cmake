# Cross build of the Windows control with mingw-w64 (x86_64). Programs built
# here run under wine, which CTest uses as the emulator.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
