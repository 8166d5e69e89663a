# Cross-compiling for 32-bit Windows with Debian's mingw-w64. The compilers of the posix thread
# model build everything (GoogleTest needs std::mutex, which the win32 model of GCC 12 lacks;
# winpthreads links statically); the DLL alone is linked with the win32 model's runtime
# (cmake/win32.cmake, cmake/link-win32-threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)

# Every x86 processor of the last twenty years has SSE2; with it doubles round as in the
# 64-bit native build. No runtime DLLs beside ours: libgcc, libstdc++ and winpthreads go
# in statically. Set here so that every target of every project built with this file
# (ours and the dependencies) gets them.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
