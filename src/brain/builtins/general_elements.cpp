// Element access and the small per-element stores: credits, identity,
// flags, signals, timer, pockets, registers, locals, the push stack.
#include <cstring>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/builtins/words.h"
#include "brain/run.h"
#include "brain/state.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "core/int32.h"
#include "core/strings.h"

namespace brain::general {

namespace {

using U = uint32_t;
constexpr int kPocketByte = 180;
constexpr int32_t kPushEntries = 128;
constexpr int kPushWords = 12;

int32_t ref_of(int i) { return static_cast<int32_t>(core::element_ref(i)); }
int index_of(int32_t ref) { return core::element_index(static_cast<U>(ref)); }

using words::add;
using words::bits_reset;
using words::bits_set;
using words::get;
using words::masked;
using words::set;

int32_t element(int32_t name) {
  const std::string_view text = core::string_arg(name);
  const State& s = state();
  const int last = last_element_index();
  for (int i = 0; i <= last && !text.empty(); ++i)
    if (s.names[i] == text) return ref_of(i);
  runtime_error_box("ELEMENT() instruction error! Could not find '" + std::string(text) + "' element");
  return 0;
}

int32_t element_index(int32_t e, int32_t n) {
  if (!core::is_element_ref(static_cast<U>(e))) return 0;
  return core::add32(e, core::mul32(n, 1024));
}
int32_t first_element() { return ref_of(0); }
int32_t last_element() { return ref_of(last_element_index()); }

bool is_on(int i) { return (core::element_state(i)->w[core::kFlags] & core::kFlagOn) != 0; }

int32_t element_find(int32_t e, int32_t mask, int32_t n, int32_t mode) {
  int i = index_of(e);
  if (i < 0) return 0;
  if (n <= 0) return e;
  const int step = mode > 0 ? 1 : -1;
  const int64_t kind = mode > 0 ? int64_t{mode} : -int64_t{mode};
  if (kind < 1 || kind > 3) return 0;
  const int last = last_element_index();
  int32_t found = 0;
  while (true) {
    const int next = i + step;
    if (step > 0 ? next >= last : next <= 0) return 0;
    i = next;
    const int32_t* w = core::element_state(i)->w;
    if ((w[core::kElementId] & mask) == 0) continue;
    if (kind == 2 && is_on(i)) continue;
    if (kind == 3 && !is_on(i)) continue;
    if (++found == n) return ref_of(i);
  }
}

int32_t random_element(int32_t e, int32_t mask) {
  const int self = index_of(e);
  if (self < 0) return 0;
  const int last = last_element_index();
  auto fits = [&](int i) { return i != self && is_on(i) && (core::element_state(i)->w[core::kElementId] & mask) != 0; };
  int32_t count = 0;
  for (int i = 0; i <= last; ++i) count += fits(i) ? 1 : 0;
  if (count == 0) return 0;
  const int32_t pick = core::random_number(1, count);
  for (int i = 0, seen = 0; i <= last; ++i)
    if (fits(i) && ++seen == pick) return ref_of(i);
  return 0;
}

int32_t status(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? w[core::kFlags] & core::kFlagOn : 0;
}

int32_t type(int32_t e) {
  const int i = index_of(e);
  const GeneralServices& g = state().general;
  if (i < 0 || !g.object_type) return -1;
  return g.object_type(i);
}

void switch_on(int i) {
  int32_t* w = core::element_state(i)->w;
  w[core::kFlags] |= core::kFlagOn;
  w[core::kCurrentObject] = w[core::kFirstObject];
  const GeneralServices& g = state().general;
  if (g.sound_restart) g.sound_restart(i, (w[core::kFlags] & core::kFlagSoundOnDemand) != 0);
}

int32_t on(int32_t e) {
  const int i = index_of(e);
  if (i >= 0) switch_on(i);
  return 0;
}

int32_t off(int32_t e) {
  const int i = index_of(e);
  if (i < 0) return 0;
  int32_t* w = core::element_state(i)->w;
  const GeneralServices& g = state().general;
  if (!(w[core::kFlags] & core::kFlagSoundOnDemand) && g.sound_stop) g.sound_stop(i);
  w[core::kFlags] &= ~core::kFlagOn;
  return 0;
}

int32_t switch_on_list(int first, int64_t n, int64_t k) {
  if (first < 0 || k <= 0 || n * k <= 0) return 0;
  const int last = last_element_index();
  for (int64_t j = 0, i = first; j < n && i <= last; ++j, i += k) {
    if (!is_on(static_cast<int>(i))) {
      switch_on(static_cast<int>(i));
      return ref_of(static_cast<int>(i));
    }
  }
  return 0;
}

int32_t on_list(int32_t e, int32_t n, int32_t k) { return switch_on_list(index_of(e), n, k); }

int32_t on_range(int32_t e1, int32_t e2) {
  if (!core::is_element_ref(static_cast<U>(e2))) return 0;
  return switch_on_list(index_of(e1), (int64_t{e2} - e1) / 1024, 1);
}

template <bool Enable>
int32_t enable(int32_t e) {
  if (!core::is_element_ref(static_cast<U>(e))) {
    if (state().general.xmodel_enable) state().general.xmodel_enable(static_cast<U>(e) & 0x7FFFFFFFu, Enable);
    return 0;
  }
  if (int32_t* w = core::element_words(e)) {
    if (Enable)
      w[core::kFlags] &= ~core::kFlagDisabled;
    else
      w[core::kFlags] |= core::kFlagDisabled;
  }
  return 0;
}

int32_t execute(int32_t e) {
  if (index_of(e) >= 0) brain::run(static_cast<U>(e));
  return 0;
}

// Pocket byte n of a record, or null outside the record.
uint8_t* pocket_at(int32_t e, int32_t n) {
  int32_t* w = core::element_words(e);
  const U off = kPocketByte + static_cast<U>(n);
  if (!w || static_cast<U>(n) >= core::kElementStateBytes - kPocketByte) return nullptr;
  return reinterpret_cast<uint8_t*>(w) + off;
}
int32_t pocket(int32_t e, int32_t n) {
  const uint8_t* p = pocket_at(e, n);
  return p ? *p : 0;
}
int32_t pocket_set(int32_t e, int32_t n, int32_t v) {
  if (uint8_t* p = pocket_at(e, n)) *p = static_cast<uint8_t>(v);
  return 0;
}
int32_t pocket_add(int32_t e, int32_t n, int32_t v) {
  if (uint8_t* p = pocket_at(e, n)) *p = static_cast<uint8_t>(*p + static_cast<U>(v));
  return 0;
}

int32_t* register_at(int32_t e, int32_t n) {
  int32_t* w = core::element_words(e);
  return w && static_cast<U>(n) < 256u ? w + n : nullptr;
}
int32_t register_get(int32_t e, int32_t n) {
  const int32_t* p = register_at(e, n);
  return p ? *p : 0;
}
int32_t register_set(int32_t e, int32_t n, int32_t v) {
  if (int32_t* p = register_at(e, n)) *p = v;
  return 0;
}
int32_t local(int32_t e, int32_t n) {
  const int32_t* w = core::element_words(e);
  return w && static_cast<U>(n) < 128u ? w[255 - n] : 0;
}
int32_t local_set(int32_t e, int32_t n, int32_t v) {
  int32_t* w = core::element_words(e);
  if (w && static_cast<U>(n) < 128u) w[255 - n] = v;
  return 0;
}

int32_t counter_picked(int32_t e) {
  const GeneralServices& g = state().general;
  if (index_of(e) < 0 || !g.picked_counter) return 0;
  return g.picked_counter() == static_cast<U>(e) ? -1 : 0;
}

int32_t random_position_xz(int32_t e, int32_t x1, int32_t x2, int32_t z1, int32_t z2) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  w[core::kPosition] = core::random_number(x1, x2);
  w[core::kPosition + 2] = core::random_number(z1, z2);
  return 0;
}

int32_t* push_entry(int32_t depth) { return core::state().pools.push_stack.as<int32_t>() + depth * kPushWords; }

int32_t push(int32_t e) {
  const int32_t* w = core::element_words(e);
  int32_t& depth = state().push_depth;
  if (!w || depth < 0 || depth >= kPushEntries) return 0;
  std::memcpy(push_entry(depth), w + core::kPosition, kPushWords * 4);
  ++depth;
  return 0;
}

int32_t pop(int32_t e) {
  int32_t* w = core::element_words(e);
  int32_t& depth = state().push_depth;
  if (!w || depth <= 0 || depth > kPushEntries) return 0;
  --depth;
  std::memcpy(w + core::kPosition, push_entry(depth), kPushWords * 4);
  return 0;
}

}  // namespace

void bind_elements() {
  bind<element>("element");
  bind<element_index>("element_index");
  bind<first_element>("first_element");
  bind<last_element>("last_element");
  bind<get<core::kElementId>>("element_id");
  bind<set<core::kElementId>>("element_id_set");
  bind<element_find>("element_find");
  bind<random_element>("random_element");
  bind<status>("status");
  bind<type>("type");
  bind<on>("on");
  bind<off>("off");
  bind<on_list>("on_list");
  bind<on_range>("on_range");
  bind<enable<false>>("disable");
  bind<enable<true>>("enable");
  bind<execute>("execute");
  bind<get<core::kTimer>>("timer");
  bind<set<core::kTimer>>("timer_set");
  bind<get<core::kCredits>>("credits");
  bind<set<core::kCredits>>("credits_set");
  bind<add<core::kCredits>>("credits_add");
  bind<masked<core::kFlags>>("state");
  bind<bits_set<core::kFlags>>("state_set");
  bind<bits_reset<core::kFlags>>("state_reset");
  bind<masked<core::kSignals>>("signal");
  bind<bits_set<core::kSignals>>("signal_set");
  bind<bits_reset<core::kSignals>>("signal_reset");
  bind<pocket>("pocket");
  bind<pocket_set>("pocket_set");
  bind<pocket_add>("pocket_add");
  bind<register_get>("register");
  bind<register_set>("register_set");
  bind<local>("local");
  bind<local_set>("local_set");
  bind<counter_picked>("counter_picked");
  bind<random_position_xz>("random_position_xz");
  bind<push>("push");
  bind<pop>("pop");
}

}  // namespace brain::general
