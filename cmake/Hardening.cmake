# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Hardened code generation and linking for every target: position-independent
# executables, a stack protector, fortified libc calls in optimised builds,
# control-flow protection where the compiler has it, and a read-only
# relocation table bound at load time (full RELRO, immediate binding).
include(CheckCXXCompilerFlag)
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
# x86-64: end-branch markers and shadow-stack readiness; 64-bit Arm:
# branch-target identification and signed return addresses.
check_cxx_compiler_flag(-fcf-protection PRIMEBENCH_HAS_CF_PROTECTION)
check_cxx_compiler_flag(-mbranch-protection=standard PRIMEBENCH_HAS_BRANCH_PROTECTION)
if(PRIMEBENCH_HAS_CF_PROTECTION)
  add_compile_options(-fcf-protection)
elseif(PRIMEBENCH_HAS_BRANCH_PROTECTION)
  add_compile_options(-mbranch-protection=standard)
endif()
# Fortification needs the optimiser, and the sanitizers check the same calls
# their own way.
if(NOT PRIMEBENCH_SANITIZE)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro,-z,now)
