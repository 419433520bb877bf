# Shared by the MinGW-w64 toolchain files: cross-building the Windows programs
# on Debian with g++-mingw-w64-x86-64 / g++-mingw-w64-i686. The including file
# sets VKR_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)  # Windows 7 and later

# The posix-threads flavour: the full C++ library (std::thread, std::mutex,
# std::filesystem), whose one DLL (libwinpthread-1.dll) -static links in.
set(CMAKE_C_COMPILER ${VKR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VKR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VKR_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${VKR_MINGW_TRIPLE}-gcc-ar-posix)
set(CMAKE_RANLIB ${VKR_MINGW_TRIPLE}-gcc-ranlib-posix)
set(CMAKE_OBJDUMP ${VKR_MINGW_TRIPLE}-objdump)
set(CMAKE_DLLTOOL ${VKR_MINGW_TRIPLE}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${VKR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW DLL next to the programs: the C and C++ runtimes and winpthread are
# linked in. (Built otherwise, a program under Wine exits 53 with no output.)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine (ctest, and gtest_discover_tests at test time).
# Debian 12 installs the 64-bit loader as /usr/lib/wine/wine64; `wine` itself
# is a wrapper that complains about a missing wine32 on every start.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VKR_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(VKR_WINE64 NAMES wine64)
  if(VKR_WINE64 AND VKR_MINGW_TRIPLE STREQUAL "x86_64-w64-mingw32")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VKR_WINE64})
  endif()
endif()
