#!/bin/sh
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Installs the project into a temporary prefix, then builds the example in C
# and in C++ against the installed copy, through find_package and through
# pkg-config (from a moved copy of the tree), and checks what each prints.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR PROJECT_VERSION
set -eu
build=$1
source=$2
version=$3
major=${version%%.*}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expected=$source/examples/concat_and_print.expected
check() { "$source/tests/expect_output.sh" "$expected" "$@"; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null

# Every installed name carries the project's name, and nothing else is installed.
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
config=$(cached CMAKE_BUILD_TYPE | tr '[:upper:]' '[:lower:]')
lib=$(cached CMAKE_INSTALL_LIBDIR)  # lib, or lib/<multiarch> in a package build
(cd "$work/prefix" && find . ! -type d | LC_ALL=C sort) >"$work/installed"
cat >"$work/expected" <<EOF
./bin/primebench
./include/primebench/prelude.h
./$lib/cmake/primebench-prelude/primebench-preludeConfig.cmake
./$lib/cmake/primebench-prelude/primebench-preludeConfigVersion.cmake
./$lib/cmake/primebench-prelude/primebench-preludeTargets-$config.cmake
./$lib/cmake/primebench-prelude/primebench-preludeTargets.cmake
./$lib/libprimebench-prelude.a
./$lib/libprimebench-prelude.so
./$lib/libprimebench-prelude.so.$major
./$lib/libprimebench-prelude.so.$version
./$lib/pkgconfig/primebench-prelude.pc
./share/man/man1/primebench.1
./share/man/man3/primebench-prelude.3
EOF
diff -u "$work/expected" "$work/installed"
echo "installed names: ok"

echo "find_package:"
cmake -S "$source/tests/consumer" -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$work/prefix" -DEXAMPLES_DIR="$source/examples" >/dev/null
cmake --build "$work/consumer" >/dev/null
for program in consumer_c_shared consumer_cxx_shared consumer_c_static consumer_cxx_static; do
    check "$work/consumer/$program"
    echo "  $program: ok"
done

echo "pkg-config, from a moved copy of the installed tree:"
mv "$work/prefix" "$work/moved"
libdir=$(PKG_CONFIG_PATH="$work/moved/$lib/pkgconfig" pkg-config --variable=libdir primebench-prelude)
flags=$(PKG_CONFIG_PATH="$work/moved/$lib/pkgconfig" pkg-config --cflags --libs primebench-prelude)
# shellcheck disable=SC2086
cc -std=c11 -o "$work/pc_c" "$source/examples/concat_and_print.c" $flags -Wl,-rpath,"$libdir"
# shellcheck disable=SC2086
c++ -std=c++20 -o "$work/pc_cxx" "$source/examples/concat_and_print.cpp" $flags -Wl,-rpath,"$libdir"
for program in pc_c pc_cxx; do
    check "$work/$program"
    echo "  $program: ok"
done
