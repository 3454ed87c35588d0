#include "core/state.h"

#include <cstdio>
#include <set>

#include "core/files.h"

namespace core {

const char kClassText[kClassTextBytes + 1] = "Quillomatics                    ";
static_assert(sizeof(kClassText) == 33);

// Priority 101 is the first one open to programs: before every ordinary
// static initialiser of any file.
State g_state __attribute__((init_priority(101)));

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

void file_warning(const std::string& path, const std::string& expected, const std::string& instead) {
  static std::set<std::string> said;
  const std::string reason = file_exists(path) ? "not " + expected : std::string("not found");
  const std::string& program = state().folders.program;
  const std::string shown = !program.empty() && path.rfind(program, 0) == 0 ? path.substr(program.size()) : path;
  if (!said.insert(shown).second) return;
  if (auto* f = state().notify.warning)
    f("Cannot use '" + shown + "' (" + reason + "); using " + instead + " instead.");
}

void value_box(double value, const std::string& text) {
  char head[48];
  std::snprintf(head, sizeof head, "Value: %g\n", value);
  error_box(head + text);
}

}  // namespace core
