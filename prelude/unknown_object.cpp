// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "primebench/prelude.h"

uint64_t UNKNOWNOBJECT = 0;
