#include "net/builtins.h"

#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "core/element_state.h"
#include "core/pools.h"
#include "core/strings.h"
#include "net/session.h"
#include "net/state.h"

namespace net {

namespace {

int32_t truth(bool b) { return b ? -1 : 0; }

int32_t network_mode() { return truth(state().active.load(std::memory_order_relaxed)); }
int32_t host() { return truth(state().is_host.load(std::memory_order_relaxed)); }
int32_t machine_number() { return state().machine_number; }

int32_t machine_number_set(int32_t n) {
  state().machine_number = n > 100 ? 100 : (n < 0 ? 0 : n);
  return state().machine_number;
}

int32_t machine_status(int32_t n) {
  if (n == 0) return 0;
  const State& s = state();
  const int i = n < 0 ? 0 : (n > 99 ? 100 : n);
  const int32_t count = s.activity[i].load(std::memory_order_relaxed);
  if (n == s.machine_number) return count != 0 ? 2 : 1;
  return count;
}

int32_t network_mismatch() { return truth(state().mismatch.load(std::memory_order_relaxed)); }

int32_t machine_element(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? w[core::kNetOwner] : 0;
}

// The walk of element_find: forward it stops before the last element,
// backward before the first.
int32_t machine_element_find(int32_t e, int32_t mask, int32_t machine, int32_t type) {
  int i = core::element_index(e);
  if (i < 0 || type == 0 || type < -3 || type > 3) return 0;
  const int step = type > 0 ? 1 : -1;
  const int kind = type > 0 ? type : -type;
  const int last = brain::general::last_element_index();
  while (true) {
    const int next = i + step;
    if (step > 0 ? next >= last : next <= 0) return 0;
    i = next;
    const int32_t* w = core::element_state(i)->w;
    if (w[core::kNetOwner] != machine || (w[core::kElementId] & mask) == 0) continue;
    const bool on = (w[core::kFlags] & core::kFlagOn) != 0;
    if ((kind == 2 && on) || (kind == 3 && !on)) continue;
    return static_cast<int32_t>(core::element_ref(i));
  }
}

int32_t str_send(int32_t text, int32_t value) {
  send_text(value, core::string_arg(text));
  return 0;
}

int32_t str_poll(int32_t variable, int32_t mask) {
  core::HandleEntry* h = core::handle_entry(variable);
  if (!h || h->size == 0) return 0;
  char* p = core::at<char>(h->addr);
  p[0] = 0;
  std::string text;
  if (!take_text(mask, text)) return 0;
  const size_t n = text.size() < h->size - 1 ? text.size() : h->size - 1;
  text.copy(p, n);
  p[n] = 0;
  return 0;
}

}  // namespace

void bind_builtins() {
  using brain::bind;
  bind<network_mode>("network_mode");
  bind<host>("host");
  bind<machine_number>("machine_number");
  bind<machine_number_set>("machine_number_set");
  bind<machine_status>("machine_status");
  bind<network_mismatch>("network_mismatch");
  bind<machine_element>("machine_element");
  bind<machine_element_find>("machine_element_find");
  bind<str_send>("str_send");
  bind<str_poll>("str_poll");
}

}  // namespace net
