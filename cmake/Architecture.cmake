# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# The target's architecture, recognised here once for every directory that
# branches on it: PRIMEBENCH_ARCH is x86_64, aarch64, ppc64le, s390x, or else
# the processor name in lower case (riscv64, ...). Native builds name the
# processor as the kernel does, cross builds as the GNU triplet does.
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" PRIMEBENCH_ARCH)
if(PRIMEBENCH_ARCH MATCHES "^(x86_64|amd64)$")
  set(PRIMEBENCH_ARCH x86_64)
elseif(PRIMEBENCH_ARCH MATCHES "^(aarch64|arm64)$")
  set(PRIMEBENCH_ARCH aarch64)
elseif(PRIMEBENCH_ARCH MATCHES "^(ppc64le|powerpc64le)$")
  set(PRIMEBENCH_ARCH ppc64le)
endif()
