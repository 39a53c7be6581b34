# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# The target's architecture, recognised here once for every directory that
# branches on it: PRIMEBENCH_ARCH is x86_64, aarch64, or else the processor
# name in lower case (riscv64, ppc64le, s390x, ...), as the kernel names it;
# cross builds name it so too (cmake/cross-linux-gnu.cmake).
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" PRIMEBENCH_ARCH)
if(PRIMEBENCH_ARCH MATCHES "^(x86_64|amd64)$")
  set(PRIMEBENCH_ARCH x86_64)
elseif(PRIMEBENCH_ARCH MATCHES "^(aarch64|arm64)$")
  set(PRIMEBENCH_ARCH aarch64)
endif()
