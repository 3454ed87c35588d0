// Binding of the general built-ins, their shared helpers and the runtime
// error box.
#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/state.h"
#include "core/strings.h"
#include "core/text.h"

namespace brain {

void bind_general_builtins() {
  general::bind_integers();
  general::bind_elements();
  general::bind_globals();
  general::bind_arrays();
  general::bind_strings();
  general::bind_system();
}

void runtime_error_box(const std::string& text) {
  // Within the brain pass that showed it, later errors show nothing more.
  if (state().halted && state().run_depth > 0) return;
  const GeneralServices& g = state().general;
  if (g.silence) g.silence(true);
  core::error_box(text);
  if (g.silence) g.silence(false);
  general::restart_deadline();
  if (g.exit_code) *g.exit_code = static_cast<int32_t>(0x80000000u);
  state().halted = true;
}

namespace general {

int last_element_index() {
  const State& s = state();
  if (s.general.element_count) {
    const int n = s.general.element_count();
    return n < 1 ? 0 : (n > core::kElementCount ? core::kElementCount - 1 : n - 1);
  }
  for (int i = core::kElementCount - 1; i > 0; --i)
    if (!s.names[i].empty()) return i;
  return 0;
}

void restart_deadline() {
  const GeneralServices& g = state().general;
  if (!g.next_deadline) return;
  const uint32_t now = g.timer ? g.timer() : 0;
  const int32_t len = g.tick_length ? *g.tick_length : 150;
  *g.next_deadline = now + static_cast<uint32_t>(len);
}

bool path_arg(int32_t value, std::string& out) {
  const std::string_view text = core::string_arg(value);
  if (text.empty()) return false;
  out = core::slashes_forward(text);
  if (out[0] != '/') out.insert(0, core::state().folders.program);
  return true;
}

}  // namespace general

}  // namespace brain
