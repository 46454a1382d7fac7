# What both mingw-w64 tool chains share; the toolchain files set
# CMAKE_SYSTEM_PROCESSOR and VELMORA_MINGW_TRIPLE, then include this.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model: its runtime rests on the system's own threads,
# while the posix model links winpthread into every module (some 25 KB of
# the control). This gcc's win32 model has no std::mutex or std::thread, so
# GoogleTest is built without its own locking and the tests start threads
# with CreateThread.
set(CMAKE_C_COMPILER   ${VELMORA_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER  ${VELMORA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Each function and object in its own section, so that the linker drops
# whatever the OCX does not reach (it must stay small).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
# No guards around function-local statics: the win32 thread model's guard
# cannot wait, so a second apartment thread arriving while one is being set
# up would end the process (recursive_init_error). The library's local
# statics are constants or set up identically by any thread, and the guards'
# code is 2.5 KB of the OCX.
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections -fno-threadsafe-statics")

# Everything links statically: the control and its tests need nothing at
# run time beyond the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
