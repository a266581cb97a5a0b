#pragma once
// The program's operator new, made to fail on request: set g_allocsLeft to
// how many allocations may succeed before one fails. Only that one fails, as
// when a large request cannot be met but small ones still can. It defines
// the program's operator new, so one file of a test program includes it.
#include <atomic>
#include <cstdlib>
#include <new>

// Allocations left before one fails; negative means never.
inline std::atomic<long> g_allocsLeft{-1};

void* operator new(std::size_t n) {
    if (g_allocsLeft.load() >= 0 && g_allocsLeft.fetch_sub(1) == 0) {
        g_allocsLeft = -1;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
