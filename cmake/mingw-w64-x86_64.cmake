# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads
# flavour, which has std::thread and std::mutex), tested under wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KLICE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KLICE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KLICE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KLICE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KLICE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in: the executables need no MinGW DLL next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs (and test discovery) run through wine.
find_program(KLICE_WINE NAMES wine)
if(KLICE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KLICE_WINE})
endif()
