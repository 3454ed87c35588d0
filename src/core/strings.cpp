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
