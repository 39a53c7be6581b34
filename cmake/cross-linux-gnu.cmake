# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Cross build for Linux on another 64-bit CPU with Debian's cross toolchain
# for it, PRIMEBENCH_CROSS_ARCH-linux-gnu (the GNU CPU name: aarch64, riscv64,
# powerpc64le, s390x; the presets set it); programs built here run under
# qemu's user-mode emulator.
if(NOT PRIMEBENCH_CROSS_ARCH)
  message(FATAL_ERROR "Set PRIMEBENCH_CROSS_ARCH to the target CPU, e.g. aarch64 or riscv64.")
endif()
# try_compile's projects read this file too, and must find what the project
# found (or was given) rather than search again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PRIMEBENCH_CROSS_ARCH PRIMEBENCH_QEMU
     PRIMEBENCH_TARGET_LOADER)
set(CMAKE_SYSTEM_NAME Linux)
# The processor as the kernel names it (uname -m), as a native build sees it,
# which is also qemu's name for it: only POWER's differs from the GNU name.
if(PRIMEBENCH_CROSS_ARCH STREQUAL "powerpc64le")
  set(CMAKE_SYSTEM_PROCESSOR ppc64le)
else()
  set(CMAKE_SYSTEM_PROCESSOR ${PRIMEBENCH_CROSS_ARCH})
endif()
set(CMAKE_C_COMPILER ${PRIMEBENCH_CROSS_ARCH}-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER ${PRIMEBENCH_CROSS_ARCH}-linux-gnu-g++)
set(PRIMEBENCH_TARGET_ROOT /usr/${PRIMEBENCH_CROSS_ARCH}-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${PRIMEBENCH_TARGET_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(PRIMEBENCH_QEMU qemu-${CMAKE_SYSTEM_PROCESSOR} REQUIRED)
# The emulator starts the target's dynamic loader, which then loads the
# program, rather than loading a dynamically linked program itself: on some
# machines (an AMD Zen 3 with Linux 6.18 and qemu-user 7.2) a dynamically
# linked 64-bit Arm program that qemu loaded itself hangs in the child of
# its first fork, or spins without progress in verify, while one started
# through its loader runs normally. The same command serves CTest, the tests
# that start programs themselves, and BUILD_DIR/run-on-target.
if(NOT PRIMEBENCH_TARGET_LOADER)
  file(GLOB loaders ${PRIMEBENCH_TARGET_ROOT}/lib/ld-linux*.so.* ${PRIMEBENCH_TARGET_ROOT}/lib/ld64.so.*)
  list(LENGTH loaders count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "Found ${count} dynamic loaders for ${PRIMEBENCH_CROSS_ARCH} in "
                        "${PRIMEBENCH_TARGET_ROOT}/lib (${loaders}): set PRIMEBENCH_TARGET_LOADER to its path.")
  endif()
  set(PRIMEBENCH_TARGET_LOADER ${loaders} CACHE FILEPATH "The target's dynamic loader")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${PRIMEBENCH_QEMU} -L ${PRIMEBENCH_TARGET_ROOT} ${PRIMEBENCH_TARGET_LOADER}
                                  --library-path ${PRIMEBENCH_TARGET_ROOT}/lib)
