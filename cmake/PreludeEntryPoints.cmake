# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# The prelude's exported names are kept by hand in one place, its header:
# every declaration there that carries PRELUDE_API. This reads them at
# configure time, writes the shared library's version script into the build
# tree (PRELUDE_VERSION_SCRIPT), sets PRELUDE_EXPORTED_NAMES and
# PRELUDE_VERSION_NODE, from which the tests make their expected exports, and
# checks that the Debian symbols file lists the same dynamic symbols.

# One version node per soname.
set(PRELUDE_VERSION_NODE PRELUDE_${PROJECT_VERSION_MAJOR}.0)

# Sets out_var to the names that the declarations carrying PRELUDE_API declare,
# in the header's order. Fails on a name outside the naming scheme and on an
# entry point declared without PRELUDE_API, which would build but stay hidden.
function(prelude_exported_names header out_var)
  file(READ ${header} text)
  # Comments and preprocessor lines name entry points and PRELUDE_API without
  # declaring them.
  # Left to right, as the compiler reads them: whichever opens first, a block
  # comment or a line comment, hides the other's opening inside it.
  set(code "")
  while(TRUE)
    string(FIND "${text}" "/*" block)
    string(FIND "${text}" "//" line)
    if(block EQUAL -1 AND line EQUAL -1)
      break()
    endif()
    if(NOT line EQUAL -1 AND (block EQUAL -1 OR line LESS block))
      string(SUBSTRING "${text}" 0 ${line} before)
      string(SUBSTRING "${text}" ${line} -1 text)
      string(FIND "${text}" "\n" end)
      if(end EQUAL -1)
        set(end 0)
        set(text "")
      endif()
      string(SUBSTRING "${text}" ${end} -1 text)
    else()
      string(SUBSTRING "${text}" 0 ${block} before)
      math(EXPR body "${block} + 2")
      string(SUBSTRING "${text}" ${body} -1 text)
      string(FIND "${text}" "*/" length)
      if(length EQUAL -1)
        message(FATAL_ERROR "${header}: a comment is not closed")
      endif()
      math(EXPR after "${length} + 2")
      string(SUBSTRING "${text}" ${after} -1 text)
      string(APPEND before " ")
    endif()
    string(APPEND code "${before}")
  endwhile()
  set(text "${code}${text}")
  string(REGEX REPLACE "(^|\n)[ \t]*#([^\n]*\\\\\n)*[^\n]*" "\\1" text "${text}")

  # The declared name is the last word before the parameters or the ';'.
  string(REGEX MATCHALL "PRELUDE_API[^;(]*" declarations "${text}")
  set(names "")
  foreach(declaration IN LISTS declarations)
    string(REGEX MATCH "[A-Za-z0-9_$]+[ \t\r\n]*$" name "${declaration}")
    string(STRIP "${name}" name)
    # Words joined by "_$_"; the data object is the one name outside that form.
    if(NOT name MATCHES "^[A-Za-z][A-Za-z0-9]*(_\\$_[A-Za-z][A-Za-z0-9]*)+$"
       AND NOT name STREQUAL "UNKNOWNOBJECT")
      string(STRIP "${declaration}" declaration)
      message(FATAL_ERROR "${header}: the declaration \"${declaration}\" does not declare a "
                          "name of words joined by \"_$_\", such as String_$_plus_$_Integer")
    endif()
    if(name IN_LIST names)
      message(FATAL_ERROR "${header}: ${name} is declared with PRELUDE_API twice")
    endif()
    list(APPEND names ${name})
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "${header}: no declaration carries PRELUDE_API, so the prelude "
                        "would export nothing")
  endif()

  string(REGEX MATCHALL "[A-Za-z0-9_$]*_\\$_[A-Za-z0-9_$]*" mentioned "${text}")
  foreach(name IN LISTS mentioned)
    if(NOT name IN_LIST names)
      message(FATAL_ERROR "${header}: ${name} is declared without PRELUDE_API, so it "
                          "would not be exported")
    endif()
  endforeach()
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()

set(prelude_header ${PROJECT_SOURCE_DIR}/prelude/include/primebench/prelude.h)
prelude_exported_names(${prelude_header} PRELUDE_EXPORTED_NAMES)
# A changed header configures again, and the files below follow it.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${prelude_header})

# Every other symbol stays local.
list(JOIN PRELUDE_EXPORTED_NAMES ";\n    " prelude_globals)
set(PRELUDE_VERSION_SCRIPT ${CMAKE_CURRENT_BINARY_DIR}/prelude.map)
file(CONFIGURE OUTPUT ${PRELUDE_VERSION_SCRIPT} @ONLY
     CONTENT "@PRELUDE_VERSION_NODE@ {\n  global:\n    @prelude_globals@;\n  local:\n    *;\n};\n")

# The Debian symbols file records, by hand, the upstream version that
# introduced each dynamic symbol (dpkg-gensymbols checks it against the built
# library). A new entry point goes into the header and then into that file as
# " NAME@NODE VERSION", VERSION being the first release that has it; this
# fails the configure until both list the same symbols. A source tree without
# debian/ (the upstream tarball) has nothing to compare.
set(prelude_symbols_file ${PROJECT_SOURCE_DIR}/debian/libprimebench-prelude1.symbols)
if(EXISTS ${prelude_symbols_file})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${prelude_symbols_file})
  # The node defines a symbol of its own name.
  list(TRANSFORM PRELUDE_EXPORTED_NAMES APPEND "@${PRELUDE_VERSION_NODE}"
       OUTPUT_VARIABLE prelude_declared)
  list(APPEND prelude_declared ${PRELUDE_VERSION_NODE}@${PRELUDE_VERSION_NODE})
  # Symbol lines start with a space: " NAME@NODE VERSION".
  file(STRINGS ${prelude_symbols_file} prelude_lines REGEX "^ ")
  set(prelude_recorded "")
  foreach(prelude_line IN LISTS prelude_lines)
    string(REGEX MATCH "^ ([^ ]+)" prelude_match "${prelude_line}")
    list(APPEND prelude_recorded "${CMAKE_MATCH_1}")
  endforeach()
  set(prelude_missing ${prelude_declared})
  set(prelude_extra ${prelude_recorded})
  if(prelude_recorded)
    list(REMOVE_ITEM prelude_missing ${prelude_recorded})
  endif()
  list(REMOVE_ITEM prelude_extra ${prelude_declared})
  if(prelude_missing OR prelude_extra)
    list(JOIN prelude_missing " " prelude_missing)
    list(JOIN prelude_extra " " prelude_extra)
    message(FATAL_ERROR "${prelude_symbols_file} and ${prelude_header} disagree.\n"
                        "Declared in the header, not in the symbols file: ${prelude_missing}\n"
                        "In the symbols file, not declared in the header: ${prelude_extra}\n"
                        "Add each new symbol to the symbols file as \" NAME@${PRELUDE_VERSION_NODE} "
                        "VERSION\", VERSION being the first release that has it.")
  endif()
endif()
