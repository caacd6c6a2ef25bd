# Cross-building for Windows with Debian's mingw-w64 compilers. Included by the per-target
# toolchain files after they set MinGWTriple.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX-threads variants: the write job needs std::thread, std::jthread and std::async,
# which the win32-threads variants of GCC 12 lack.
set(CMAKE_C_COMPILER ${MinGWTriple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MinGWTriple}-g++-posix)
set(CMAKE_RC_COMPILER ${MinGWTriple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MinGWTriple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthread linked in: the programs run on a bare Windows or under
# wine without their DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
