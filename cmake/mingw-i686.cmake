# Windows x86 (32-bit) programs with MinGW-w64 (Debian: g++-mingw-w64-i686).
# Running them needs wine32, which Debian 12 does not install cleanly beside
# wine64: they are built and their exports checked, not run.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VKR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
