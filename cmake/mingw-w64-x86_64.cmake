# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, posix thread model (std::thread and
# std::mutex need it; the win32 model has neither). Everything is linked statically, so the program
# needs no DLLs beside it.
#
# GLIMMER_WINDOWS_PREFIX, when set, is the folder of the cross-built libraries (include/, lib/,
# lib/pkgconfig/): it is searched before the compiler's own sysroot.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)
set(CMAKE_AR ${mingw_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw_triple}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
if(DEFINED ENV{GLIMMER_WINDOWS_PREFIX})
  set(GLIMMER_WINDOWS_PREFIX $ENV{GLIMMER_WINDOWS_PREFIX})
endif()
if(GLIMMER_WINDOWS_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${GLIMMER_WINDOWS_PREFIX})
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GLIMMER_WINDOWS_PREFIX)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Programs built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
