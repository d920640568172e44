# Cross build of the native Windows executable with Debian's mingw-w64 (packages
# g++-mingw-w64-x86-64 and binutils-mingw-w64-x86-64). The program then runs on the real Win32,
# Direct3D 9 and d3dx9_30, on Windows or under Wine.
#
# The POSIX thread flavour is used throughout (C and C++ alike): its C++ library has the whole of
# <thread> and <mutex>, and with the static link below its winpthread goes into the .exe too.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSARINE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSARINE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSARINE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSARINE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSARINE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file that runs alone: no libgcc, libstdc++ or winpthread DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
