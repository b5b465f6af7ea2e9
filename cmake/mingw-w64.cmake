# Cross-compiles for Windows with Debian's mingw-w64: 32-bit (g++-mingw-w64-i686), the
# programs' own target, unless LUMBRIX_WINDOWS_PROCESSOR says x86_64 (g++-mingw-w64-x86-64),
# which only serves to run the tests under a Wine that cannot run 32-bit programs.
set(LUMBRIX_WINDOWS_PROCESSOR i686 CACHE STRING "i686 or x86_64")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMBRIX_WINDOWS_PROCESSOR)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${LUMBRIX_WINDOWS_PROCESSOR})

set(LUMBRIX_MINGW_PREFIX ${LUMBRIX_WINDOWS_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${LUMBRIX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMBRIX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMBRIX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LUMBRIX_MINGW_PREFIX})
# Tests of the Windows programs run under Wine; Debian's wine script always tries the 32-bit
# loader first, so 64-bit programs are handed to the 64-bit one directly.
if(LUMBRIX_WINDOWS_PROCESSOR STREQUAL x86_64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything but Windows' own DLLs is linked in, so that the programs run from a bare folder.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
