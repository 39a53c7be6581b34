/* SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception */
/*
 * The prelude's header under its former in-tree name, for the project's own
 * sources that still include <prelude/prelude.h>. Not installed: programs
 * built elsewhere include <primebench/prelude.h>.
 */
#include <primebench/prelude.h>
