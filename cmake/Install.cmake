# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Installs the prelude (header, shared and static library, CMake package and
# pkg-config file) and the benchmark executable.
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/prelude/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS prelude_shared prelude_static
        EXPORT preludeTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS primebench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(prelude_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/prelude)
install(EXPORT preludeTargets NAMESPACE prelude:: DESTINATION ${prelude_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/preludeConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/preludeConfig.cmake
                              INSTALL_DESTINATION ${prelude_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/preludeConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/preludeConfig.cmake
              ${PROJECT_BINARY_DIR}/preludeConfigVersion.cmake
        DESTINATION ${prelude_cmake_dir})

# The pkg-config file finds the prefix from its own place, so the installed
# tree can be moved: from <prefix>/<libdir>/pkgconfig back up to <prefix>.
file(RELATIVE_PATH PRELUDE_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" PRELUDE_PC_TO_PREFIX "${PRELUDE_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/prelude.pc.in ${PROJECT_BINARY_DIR}/prelude.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/prelude.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
