#include "prelude/prelude.h"

uint64_t UNKNOWNOBJECT = 0;
