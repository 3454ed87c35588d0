#include "core/strings.h"

#include <cstring>

#include "core/state.h"

namespace core {

HandleEntry* handle_table() { return state().pools.handles.as<HandleEntry>(); }

HandleEntry* handle_entry(int32_t handle) {
  if (handle < 0 || handle >= static_cast<int32_t>(kHandleCount) || handle >= state().handle_count) return nullptr;
  HandleEntry* e = handle_table() + handle;
  if (e->addr == 0 || !state().pools.handle_heap.contains(e->addr, e->size)) return nullptr;
  return e;
}

std::string_view string_arg(int32_t value) {
  const Pools& p = state().pools;
  if (value >= 0 && value < static_cast<int32_t>(kHandleCount)) {
    const HandleEntry* e = handle_entry(value);
    if (!e) return {};
    const char* s = at<const char>(e->addr);
    return {s, strnlen(s, e->size)};
  }
  const uint32_t addr = static_cast<uint32_t>(value);
  if (!p.strings.contains(addr)) return {};
  const char* s = at<const char>(addr);
  return {s, strnlen(s, p.strings.addr + p.strings.size - addr)};
}

}  // namespace core

namespace core {

namespace {

constexpr uint32_t kMinClass = 4;     // 16 bytes
constexpr uint32_t kClassCount = 25;  // 16 B .. 256 MB (bounded by the heap)

// Bookkeeping at the start of the heap; a zero header means "fresh".
struct HeapHeader {
  uint32_t bump;                    // offset of the first never-used byte
  uint32_t free_head[kClassCount];  // offset of the first free block, 0: none
};
constexpr uint32_t kHeaderBytes = (sizeof(HeapHeader) + 15u) & ~15u;

HeapHeader* header() { return state().pools.handle_heap.as<HeapHeader>(); }

// The class whose blocks hold `size` bytes, or kClassCount when none does.
uint32_t class_of(uint64_t size) {
  uint32_t c = kMinClass;
  while (c < kMinClass + kClassCount && (uint64_t{1} << c) < size) ++c;
  return c - kMinClass;
}

// Offset of a block of class c, or 0 when the heap is full.
uint32_t take_block(uint32_t c) {
  const Pool& heap = state().pools.handle_heap;
  HeapHeader* h = header();
  if (h->bump < kHeaderBytes) h->bump = kHeaderBytes;
  if (uint32_t off = h->free_head[c]; off != 0) {
    uint32_t next;
    std::memcpy(&next, heap.bytes() + off, 4);
    h->free_head[c] = next < heap.size ? next : 0;
    return off;
  }
  const uint64_t bytes = uint64_t{1} << (c + kMinClass);
  if (h->bump + bytes > heap.size) return 0;
  const uint32_t off = h->bump;
  h->bump = static_cast<uint32_t>(off + bytes);
  return off;
}

}  // namespace

int32_t handle_new(uint64_t size) {
  State& s = state();
  const Pool& heap = s.pools.handle_heap;
  if (heap.size <= kHeaderBytes || size > heap.size) return -1;
  const uint32_t c = class_of(size);
  if (c >= kClassCount) return -1;
  HandleEntry* table = handle_table();
  const int32_t count = s.handle_count < 0 ? 0 : s.handle_count;
  int32_t h = 0;
  while (h < count && h < static_cast<int32_t>(kHandleCount) && table[h].addr != 0) ++h;
  if (h >= static_cast<int32_t>(kHandleCount)) return -1;
  const uint32_t off = take_block(c);
  if (off == 0) return -1;
  std::memset(heap.bytes() + off, 0, static_cast<size_t>(size));
  table[h] = {heap.addr + off, static_cast<uint32_t>(size)};
  if (h >= count) s.handle_count = h + 1;
  return h;
}

void handle_release(int32_t handle) {
  HandleEntry* e = handle_entry(handle);
  if (!e) return;
  const Pool& heap = state().pools.handle_heap;
  const uint32_t off = e->addr - heap.addr;
  const uint32_t c = class_of(e->size);
  if (off >= kHeaderBytes && c < kClassCount) {
    HeapHeader* h = header();
    std::memcpy(heap.bytes() + off, &h->free_head[c], 4);
    h->free_head[c] = off;
  }
  *e = {0, 0};
  if (handle == state().handle_count - 1) --state().handle_count;
}

void handle_reset() {
  State& s = state();
  if (s.pools.handles.size) std::memset(s.pools.handles.bytes(), 0, s.pools.handles.size);
  if (s.pools.handle_heap.size >= kHeaderBytes) std::memset(header(), 0, kHeaderBytes);
  s.handle_count = 0;
}

}  // namespace core
