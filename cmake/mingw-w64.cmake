# Cross build for Windows with the MinGW-w64 compilers of the given target,
# in their POSIX-threads variant (the Win32-threads one lacks std::mutex).
# The including toolchain file sets MINGW_TARGET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# One executable that runs alone: no runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
