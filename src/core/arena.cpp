#include "core/arena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

namespace core {

namespace {

size_t page_size() {
  long p = sysconf(_SC_PAGESIZE);
  return p > 0 ? static_cast<size_t>(p) : 4096;
}

bool below_limit(void* p, size_t bytes) {
  auto a = reinterpret_cast<uintptr_t>(p);
  return a != 0 && a + bytes <= kArenaLimit;
}

}  // namespace

Arena::~Arena() { release(); }

void Arena::release() {
  if (mem_) munmap(mem_, size_);
  mem_ = nullptr;
  size_ = 0;
  used_ = 0;
}

bool Arena::reserve(size_t bytes) {
  release();
  const size_t page = page_size();
  bytes = (bytes + page - 1) / page * page;
  if (bytes == 0 || bytes >= kArenaLimit) return false;
  const int prot = PROT_READ | PROT_WRITE;
  const int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;

  // Fixed low hints first; an occupied range answers EEXIST and the next hint
  // is tried. Old kernels take the flag as a plain hint, so every result is
  // checked against the limit.
  for (uintptr_t hint = 0x10000000; hint + bytes <= kArenaLimit; hint += 0x08000000) {
    void* p = mmap(reinterpret_cast<void*>(hint), bytes, prot, flags | MAP_FIXED_NOREPLACE, -1, 0);
    if (p == MAP_FAILED) continue;
    if (below_limit(p, bytes)) {
      mem_ = p;
      size_ = bytes;
      return true;
    }
    munmap(p, bytes);
  }
  void* p = mmap(nullptr, bytes, prot, flags | MAP_32BIT, -1, 0);
  if (p != MAP_FAILED) {
    if (below_limit(p, bytes)) {
      mem_ = p;
      size_ = bytes;
      return true;
    }
    munmap(p, bytes);
  }
  return false;
}

Pool Arena::carve(uint32_t bytes, uint32_t align) {
  if (!mem_ || align == 0 || (align & (align - 1)) != 0) return {};
  uint64_t start = (static_cast<uint64_t>(used_) + align - 1) & ~static_cast<uint64_t>(align - 1);
  if (start + bytes > size_) return {};
  used_ = static_cast<uint32_t>(start + bytes);
  // The mapping is fresh, so the pool is zero; its pages are only touched
  // (and counted as resident) when used.
  return Pool{base() + static_cast<uint32_t>(start), bytes};
}

bool Arena::contains(uint32_t a, uint32_t len) const {
  return mem_ && Pool{base(), static_cast<uint32_t>(size_)}.contains(a, len);
}

bool Arena::make_writable(const Pool& pool) {
  if (!contains(pool.addr, pool.size) || pool.size == 0) return false;
  return mprotect(pool.bytes(), pool.size, PROT_READ | PROT_WRITE) == 0;
}

bool Arena::make_executable(const Pool& pool) {
  if (!contains(pool.addr, pool.size) || pool.size == 0) return false;
  return mprotect(pool.bytes(), pool.size, PROT_READ | PROT_EXEC) == 0;
}

}  // namespace core
