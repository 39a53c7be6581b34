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
if(PRIMEBENCH_ARCH STREQUAL "x86_64")
  # End-branch markers and shadow-stack readiness.
  target_compile_options(primebench_options INTERFACE -fcf-protection)
elseif(PRIMEBENCH_ARCH STREQUAL "aarch64")
  # Branch-target identification and signed return addresses.
  target_compile_options(primebench_options INTERFACE -mbranch-protection=standard)
endif()
# Which configurations the optimiser compiles, as a generator expression,
# 1 or 0 for the configuration being built or tested: those whose flags (the
# common ones, then the configuration's) end with an -O level other than -O0
# and -Og. A multi-config generator builds several configurations from one
# tree, and an empty build type has no flags of its own.
function(primebench_flags_optimise flags result)
  string(REGEX MATCHALL "(^|[ \t])-O[^ \t]*" levels " ${flags}")
  set(optimised OFF)
  if(levels)
    list(GET levels -1 level)
    string(STRIP "${level}" level)
    if(NOT level MATCHES "^-O[0g]$")
      set(optimised ON)
    endif()
  endif()
  set(${result} ${optimised} PARENT_SCOPE)
endfunction()
if(primebench_multi_config)  # set in CMakeLists.txt
  set(optimised_configs "")
  foreach(config IN LISTS CMAKE_CONFIGURATION_TYPES)
    string(TOUPPER "${config}" upper)
    primebench_flags_optimise("${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${upper}}" optimised)
    if(optimised)
      list(APPEND optimised_configs ${config})
    endif()
  endforeach()
  list(JOIN optimised_configs "," optimised_configs)
  if(optimised_configs)
    set(PRIMEBENCH_OPTIMISED "$<CONFIG:${optimised_configs}>")
  else()
    set(PRIMEBENCH_OPTIMISED 0)
  endif()
else()
  string(TOUPPER "${CMAKE_BUILD_TYPE}" upper)
  primebench_flags_optimise("${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${upper}}" optimised)
  if(optimised)
    set(PRIMEBENCH_OPTIMISED 1)
  else()
    set(PRIMEBENCH_OPTIMISED 0)
  endif()
endif()

# Fortification needs the optimiser, and the sanitizers check the same calls
# their own way.
if(NOT PRIMEBENCH_SANITIZE)
  target_compile_definitions(primebench_options INTERFACE
    $<${PRIMEBENCH_OPTIMISED}:_FORTIFY_SOURCE=2>)
endif()
target_link_options(primebench_options INTERFACE LINKER:-z,relro,-z,now)

if(PRIMEBENCH_SANITIZE)
  target_compile_options(primebench_options INTERFACE
    -fsanitize=${PRIMEBENCH_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(primebench_options INTERFACE -fsanitize=${PRIMEBENCH_SANITIZE})
endif()

# Plain code, for the product's own targets (the prelude's objects, the paths,
# the executable) and not the tests, whose GoogleTest needs exceptions and
# RTTI: without them nothing calls into the C++ runtime, so the executable and
# the libraries need only libc and libm, and C programs link the prelude with
# a C driver.
add_library(primebench_plain_code INTERFACE)
target_compile_options(primebench_plain_code INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
