#include "engine/state.h"

#include "core/state.h"
#include "engine/hooks.h"

namespace engine {

State& state() {
  static State s;
  return s;
}

Hooks& hooks() {
  static Hooks h;
  return h;
}

uint32_t work_alloc(uint32_t bytes) {
  State& s = state();
  const core::Pool& pool = core::state().pools.work;
  const uint64_t size = (static_cast<uint64_t>(bytes) + 15) & ~uint64_t(15);
  if (s.scene.work_used + size > pool.size) return 0;
  const uint32_t addr = pool.addr + s.scene.work_used;
  s.scene.work_used += static_cast<uint32_t>(size);
  return addr;
}

}  // namespace engine
