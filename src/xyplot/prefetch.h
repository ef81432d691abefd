#ifndef ZEBPLOT_PREFETCH_H
#define ZEBPLOT_PREFETCH_H

/// Asks the processor to start loading the cache line at address, to be read
/// soon, while the caller works on something else.  Only a hint: compilers
/// without a way to say it get nothing, and the result never depends on it.
inline void prefetchForRead(void const* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

#endif
