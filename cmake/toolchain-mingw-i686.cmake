# Cross build of the 32-bit Windows deliverables with mingw-w64, run under wine.
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DVANTEL_WIN_DEPS=<prefix>
# VANTEL_WIN_DEPS is the prefix that scripts/build-windows-deps fills.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(mingw_triple i686-w64-mingw32)
# The -posix variants: the -win32 ones have no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)
find_program(CMAKE_DLLTOOL ${mingw_triple}-dlltool REQUIRED)
find_program(CMAKE_OBJDUMP ${mingw_triple}-objdump)

set(VANTEL_WIN_DEPS "" CACHE PATH "Prefix of the cross-built dependencies")
# Try-compile projects get their own copy of the toolchain file; pass the prefix on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTEL_WIN_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
if(VANTEL_WIN_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${VANTEL_WIN_DEPS}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The tests run under wine; without it the build still works, only ctest cannot run.
find_program(wine_program wine)
if(wine_program)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${wine_program}")
endif()
