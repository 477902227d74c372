// What every fuzz target shares: a failed check stops the run where libFuzzer reports it.
#pragma once

inline void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}
