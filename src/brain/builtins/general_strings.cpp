// String variables on the handle table. A string written into a handle is
// cut to the handle's memory (size - 1 characters and the closing zero).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/arena.h"
#include "core/state.h"
#include "core/strings.h"

namespace brain::general {

namespace {

using U = uint32_t;
constexpr int kMaxDecimals = 20;

// The handle that a destination argument must be (null when it is not one in
// use); a literal (a value of 8192 or more) shows the runtime error box naming the routine.
core::HandleEntry* destination(int32_t d, const char* routine) {
  if (d < static_cast<int32_t>(core::kHandleCount)) return core::handle_entry(d);
  runtime_error_box(std::string("First parameter of ") + routine +
                    "() instruction must be a string variable, not a constant string.");
  return nullptr;
}

// Replaces the text of d by `parts` joined, cut to its memory. The parts
// may lie inside d itself.
void assign(core::HandleEntry* d, std::string_view head, std::string_view tail = {}) {
  if (!d || d->size == 0) return;
  char* p = core::at<char>(d->addr);
  const size_t room = d->size - 1;
  const size_t n1 = head.size() < room ? head.size() : room;
  if (n1) std::memmove(p, head.data(), n1);
  const size_t n2 = tail.size() < room - n1 ? tail.size() : room - n1;
  if (n2) std::memmove(p + n1, tail.data(), n2);
  p[n1 + n2] = 0;
}

bool string_present(int32_t s) {
  if (s >= 0 && s < static_cast<int32_t>(core::kHandleCount)) return core::handle_entry(s) != nullptr;
  return core::state().pools.strings.contains(static_cast<U>(s));
}

int32_t str_create(int32_t n) { return n < 0 ? -1 : core::handle_new(uint64_t{static_cast<U>(n)} + 1); }

int32_t str_copy(int32_t d, int32_t s, int32_t start, int32_t count) {
  core::HandleEntry* e = destination(d, "STR_COPY");
  if (!e) return 0;
  const std::string_view text = core::string_arg(s);
  if (count < 0)
    assign(e, text);
  else if (static_cast<U>(start) >= text.size())
    assign(e, {});
  else
    assign(e, text.substr(static_cast<U>(start), static_cast<U>(count)));
  return 0;
}

int32_t str_add(int32_t d, int32_t s) {
  core::HandleEntry* e = destination(d, "STR_ADD");
  if (!e) return 0;
  assign(e, core::string_arg(d), core::string_arg(s));
  return 0;
}

int lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

int32_t str_comp(int32_t a, int32_t b, int32_t mode) {
  if (!string_present(a) || !string_present(b)) return 0;
  const std::string_view x = core::string_arg(a), y = core::string_arg(b);
  for (size_t i = 0;; ++i) {
    const int cx = i < x.size() ? static_cast<unsigned char>(x[i]) : 0;
    const int cy = i < y.size() ? static_cast<unsigned char>(y[i]) : 0;
    const int lx = mode == 0 ? lower(cx) : cx, ly = mode == 0 ? lower(cy) : cy;
    if (lx != ly) return lx < ly ? -1 : 1;
    if (cx == 0) return 0;
  }
}

int32_t str_len(int32_t s) { return static_cast<int32_t>(core::string_arg(s).size()); }

int32_t str_chr(int32_t d, int32_t code) {
  core::HandleEntry* e = destination(d, "STR_CHR");
  if (!e) return 0;
  const char c = static_cast<char>(code);
  assign(e, std::string_view(&c, c ? 1 : 0));
  return 0;
}

int32_t str_num(int32_t d, int32_t v, int32_t decimals) {
  core::HandleEntry* e = destination(d, "STR_NUM");
  if (!e) return 0;
  char buf[64];
  int n;
  if (decimals <= 0) {
    n = std::snprintf(buf, sizeof buf, "%d", v);
  } else {
    const int dec = decimals > kMaxDecimals ? kMaxDecimals : decimals;
    double scale = 1;
    for (int i = 0; i < dec; ++i) scale *= 10;
    n = std::snprintf(buf, sizeof buf, "%.*f", dec, v / scale);
  }
  assign(e, std::string_view(buf, n < 0 ? 0 : (n < 64 ? static_cast<size_t>(n) : 63)));
  return 0;
}

int32_t str_val(int32_t s) {
  const std::string_view text = core::string_arg(s);
  char buf[72];
  const size_t n = text.size() < sizeof buf - 1 ? text.size() : sizeof buf - 1;
  std::memcpy(buf, text.data(), n);
  buf[n] = 0;
  const long long v = std::strtoll(buf, nullptr, 0);
  if (v > 2147483647LL) return 2147483647;
  if (v < -2147483648LL) return static_cast<int32_t>(0x80000000u);
  return static_cast<int32_t>(v);
}

int32_t str_input(int32_t d) {
  const GeneralServices& g = state().general;
  if (core::HandleEntry* e = core::handle_entry(d)) assign(e, g.typed_text ? g.typed_text() : std::string_view());
  return 0;
}

int32_t str_input_set(int32_t s) {
  const GeneralServices& g = state().general;
  if (g.set_typed_text) g.set_typed_text(core::string_arg(s));
  return 0;
}

}  // namespace

void bind_strings() {
  bind<str_create>("str_create");
  bind<str_copy>("str_copy");
  bind<str_add>("str_add");
  bind<str_comp>("str_comp");
  bind<str_len>("str_len");
  bind<str_chr>("str_chr");
  bind<str_num>("str_num");
  bind<str_val>("str_val");
  bind<str_input>("str_input");
  bind<str_input_set>("str_input_set");
}

}  // namespace brain::general
