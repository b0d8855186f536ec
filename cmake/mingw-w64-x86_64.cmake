# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX threads variant, which gives
# std::thread and std::mutex). The programs it makes run on Windows, or here under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZAN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZAN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZAN_MINGW_PREFIX}-g++-posix)
set(CMAKE_AR ${ZAN_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZAN_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${ZAN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own run-time (libstdc++, libgcc, winpthread) goes into each program, so a program
# runs from any folder, under Wine or on Windows, without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the test programs under Wine.
find_program(ZAN_WINE wine)
if(ZAN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZAN_WINE})
endif()
