#include "core/state.h"

namespace core {

State& state() {
  static State s;
  return s;
}

bool init_memory() {
  State& s = state();
  if (s.pools.project_text.addr != 0) return true;
  return carve_pools(s.arena, s.pools);
}

int box(const std::string& text, const std::string& first, const std::string& second) {
  auto* f = state().notify.box;
  return f ? f(text, first, second) : (first.empty() ? 0 : 1);
}

void notice(const std::string& text) {
  if (auto* f = state().notify.notice) f(text);
}

void error_box(const std::string& text) {
  if (auto* f = state().notify.error) f(text);
}

}  // namespace core
