#pragma once

#include <cerrno>

// Calls a system call again for as long as a signal interrupts it (-1 with EINTR).
template<typename Call> auto retryOnInterrupt(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result == -1 && errno == EINTR);
    return result;
}
