# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Installs the prelude (header, shared and static library, CMake package and
# pkg-config file), the benchmark executable and the manual pages. Every
# installed name carries the project's name: primebench/prelude.h,
# libprimebench-prelude.so.1 and .a, the pkg-config module and CMake package
# primebench-prelude, the CMake targets primebench::prelude and
# primebench::prelude_static.
include(CMakePackageConfigHelpers)

install(FILES ${PROJECT_SOURCE_DIR}/prelude/include/primebench/prelude.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/primebench)
install(TARGETS primebench_prelude primebench_prelude_static
        EXPORT primebench-preludeTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS primebench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/primebench.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/man/primebench-prelude.3 DESTINATION ${CMAKE_INSTALL_MANDIR}/man3)

set(prelude_package primebench-prelude)
set(prelude_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${prelude_package})
install(EXPORT primebench-preludeTargets NAMESPACE primebench:: DESTINATION ${prelude_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/${prelude_package}Config.cmake.in
                              ${PROJECT_BINARY_DIR}/${prelude_package}Config.cmake
                              INSTALL_DESTINATION ${prelude_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/${prelude_package}ConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/${prelude_package}Config.cmake
              ${PROJECT_BINARY_DIR}/${prelude_package}ConfigVersion.cmake
        DESTINATION ${prelude_cmake_dir})

# The pkg-config file finds the prefix from its own place, so the installed
# tree can be moved: from <prefix>/<libdir>/pkgconfig back up to <prefix>.
file(RELATIVE_PATH PRELUDE_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" PRELUDE_PC_TO_PREFIX "${PRELUDE_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/${prelude_package}.pc.in
               ${PROJECT_BINARY_DIR}/${prelude_package}.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${prelude_package}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
