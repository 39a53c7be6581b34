# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# The project's own compile and link options, carried by one interface target
# that each of its targets links, so that nothing reaches a parent project's
# targets: warnings, hardening and, when asked, sanitizers.
add_library(primebench_options INTERFACE)

# Warnings.
target_compile_options(primebench_options INTERFACE
  -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Wcast-align
  -Wdouble-promotion -Wformat=2 -Wundef
  $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor>
  # '$' in identifiers is how every entry point is named.
  $<$<COMPILE_LANG_AND_ID:C,Clang>:-Wno-dollar-in-identifier-extension>
  $<$<COMPILE_LANG_AND_ID:CXX,Clang>:-Wno-dollar-in-identifier-extension>)

# Hardened code generation and linking: position-independent code and
# executables, a stack protector, fortified libc calls in optimised builds,
# control-flow protection where the architecture has it, and a read-only
# relocation table bound at load time (full RELRO, immediate binding).
include(CheckPIESupported)
check_pie_supported()
set_target_properties(primebench_options PROPERTIES INTERFACE_POSITION_INDEPENDENT_CODE ON)
target_compile_options(primebench_options INTERFACE -fstack-protector-strong)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
  # End-branch markers and shadow-stack readiness.
  target_compile_options(primebench_options INTERFACE -fcf-protection)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  # Branch-target identification and signed return addresses.
  target_compile_options(primebench_options INTERFACE -mbranch-protection=standard)
endif()
# Fortification needs the optimiser, and the sanitizers check the same calls
# their own way.
if(NOT PRIMEBENCH_SANITIZE)
  target_compile_definitions(primebench_options INTERFACE
    $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
target_link_options(primebench_options INTERFACE LINKER:-z,relro,-z,now)

if(PRIMEBENCH_SANITIZE)
  target_compile_options(primebench_options INTERFACE
    -fsanitize=${PRIMEBENCH_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(primebench_options INTERFACE -fsanitize=${PRIMEBENCH_SANITIZE})
endif()
