// The low arena: one mapping below 2 GiB that holds every engine pool, so
// the 32-bit addresses brains keep (ElementState records, string literals,
// engine cells) are real addresses of this process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace core {

// Highest address (exclusive) any arena byte may have: brains treat bit 31
// of an address as "no element".
constexpr uint64_t kArenaLimit = 0x80000000ull;

// Turns an arena address into a typed pointer. This and addr_of are the only
// integer/pointer conversions in the program.
template <class T>
inline T* at(uint32_t address) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
}

// Address of an object that lives in the arena (or anywhere below 4 GiB).
inline uint32_t addr_of(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// A named block of the arena.
struct Pool {
  uint32_t addr = 0;
  uint32_t size = 0;

  bool contains(uint32_t a, uint32_t len = 1) const { return a >= addr && len <= size && a - addr <= size - len; }
  template <class T>
  T* as() const {
    return at<T>(addr);
  }
  uint8_t* bytes() const { return at<uint8_t>(addr); }
};

// Owns the mapping. Pools are carved from it once, at start-up.
class Arena {
 public:
  Arena() = default;
  ~Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Maps `bytes` (rounded up to pages) below kArenaLimit. False when no such
  // mapping can be had.
  bool reserve(size_t bytes);
  void release();

  bool reserved() const { return mem_ != nullptr; }
  uint32_t base() const { return addr_of(mem_); }
  uint32_t size() const { return static_cast<uint32_t>(size_); }
  uint32_t used() const { return used_; }

  // Carves a pool (zero, untouched); alignment is a power of two. An empty pool (addr 0)
  // when the arena is exhausted.
  Pool carve(uint32_t bytes, uint32_t align = 16);

  bool contains(uint32_t a, uint32_t len = 1) const;

  // Switches a page-aligned range between read-write and read-execute. Code
  // is written while the range is writable and sealed once per compile.
  bool make_writable(const Pool& pool);
  bool make_executable(const Pool& pool);

 private:
  void* mem_ = nullptr;
  size_t size_ = 0;
  uint32_t used_ = 0;
};

}  // namespace core
