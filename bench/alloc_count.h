// Counts the heap allocations of a benchmark binary (operator new and
// malloc through it), so that a benchmark can report how many one step of the
// loop makes: a tick or a drawn frame in the steady state should make none.
// Include in exactly one source file of a benchmark executable.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench_support {
inline std::atomic<long long> allocations{0};
}

// These replace the global operators, so malloc and free do pair with them;
// GCC cannot see that through the replacement and would warn.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t n) {
  bench_support::allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
