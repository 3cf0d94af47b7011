#pragma once

#include <cstdlib>

// What must hold for every input: a failure stops the fuzzer, which keeps the input.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
