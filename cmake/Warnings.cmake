# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Warnings shared by every target of the project.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Wcast-align
  -Wdouble-promotion -Wformat=2 -Wundef
  $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor>
  # '$' in identifiers is how every entry point is named.
  $<$<COMPILE_LANG_AND_ID:C,Clang>:-Wno-dollar-in-identifier-extension>
  $<$<COMPILE_LANG_AND_ID:CXX,Clang>:-Wno-dollar-in-identifier-extension>)
