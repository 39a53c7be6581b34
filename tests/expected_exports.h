// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <set>
#include <string>

namespace primes::testing {

// Every symbol that the executable must export, by its exact name.
inline std::set<std::string> expected_exports() {
    return {
        // The program's own function and the prelude's data object.
        "isPrime_$_Integer",
        "UNKNOWNOBJECT",
        // The prelude's 25 entry points.
        "String_$_stringlit",
        "String_$_assign_$_String",
        "String_$_plus_$_String",
        "String_$_plus_$_Integer",
        "Integer_$_plus_$_String",
        "String_$_plus_$_Float",
        "Float_$_plus_$_String",
        "Stream_$_print_$_String",
        "Stream_$_print_$_Integer",
        "Stream_$_print_$_Float",
        "print_$_String",
        "print_$_Integer",
        "print_$_Float",
        "Stream_$_echo_$_String",
        "Stream_$_echo_$_Integer",
        "Stream_$_echo_$_Float",
        "echo_$_String",
        "echo_$_Integer",
        "echo_$_Float",
        "Integer_$_exponent_$_Integer",
        "Float_$_exponent_$_Integer",
        "Integer_$_exponent_$_Float",
        "Float_$_exponent_$_Float",
        "Integer_$_compare_$_Integer",
        "Ternary_$_pick_$_String_$_String_$_String",
    };
}

}  // namespace primes::testing
