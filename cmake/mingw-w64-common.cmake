# Shared by the MinGW-w64 toolchain files: expects SVX_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The "-posix" flavour of the cross compiler: its libstdc++ has std::thread and
# std::mutex (over winpthread), which the "-win32" flavour of GCC 12 lacks.
set(CMAKE_C_COMPILER ${SVX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SVX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SVX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SVX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: libgcc, libstdc++ and winpthread are linked in, so
# the program needs no DLL beside those every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# A release .exe carries no symbols: about a third of its size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")
