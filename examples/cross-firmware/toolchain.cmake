# A toolchain file as firmware for a bare-metal part is built with: no operating system,
# libraries and packages for the target only from its sysroot. CROSS_CC names the cross
# compiler; the tests name the host's, which stands in for it.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_C_COMPILER $ENV{CROSS_CC})
set(CMAKE_SYSROOT ${CMAKE_CURRENT_LIST_DIR}/sysroot)
set(CMAKE_FIND_ROOT_PATH ${CMAKE_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
