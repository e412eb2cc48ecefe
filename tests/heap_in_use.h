#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define TARNWICK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNWICK_ASAN 1
#endif
#endif

#ifdef TARNWICK_ASAN
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

// Bytes the process has allocated and not yet freed: unlike the resident
// size, it does not move with the allocator's caching and trimming.
inline std::size_t heapInUse()
{
#ifdef TARNWICK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}
