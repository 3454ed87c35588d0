// In-process engine tests: the angle tables generated into their pools and
// the element states and object table zeroed.
#pragma once

#include <cstring>
#include <string>

#include "core/angles.h"
#include "core/state.h"

namespace testing_support {

inline void fresh_engine_tables() {
  const core::Pools& p = core::state().pools;
  auto load = [](const core::Pool& pool, const std::string& t) { std::memcpy(pool.bytes(), t.data(), t.size()); };
  load(p.sinus, core::make_sinus_table());
  load(p.sinusbig, core::make_sinusbig_table());
  load(p.atan, core::make_atan_table());
  std::memset(p.element_state.bytes(), 0, p.element_state.size);
  std::memset(p.object_table.bytes(), 0, p.object_table.size);
}

}  // namespace testing_support
