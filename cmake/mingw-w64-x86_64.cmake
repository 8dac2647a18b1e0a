# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads), e.g.
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_zbk_triple x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${_zbk_triple}-gcc-posix ${_zbk_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_zbk_triple}-g++-posix ${_zbk_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_zbk_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_zbk_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables carry their runtime: nothing but system DLLs is needed beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Where the GoogleTest sources for the Windows test build are (Debian package googletest).
set(ZBK_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
