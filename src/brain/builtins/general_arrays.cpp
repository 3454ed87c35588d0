// Arrays on the handle table. Every cell index and byte offset is checked
// against the handle's memory: reads outside give 0, writes outside do
// nothing. An invalid handle makes the readers answer the handle value.
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "core/arena.h"
#include "core/files.h"
#include "core/int32.h"
#include "core/strings.h"

namespace brain::general {

namespace {

using U = uint32_t;

// Address of `bytes` bytes at byte offset `off` of a handle, or null.
uint8_t* span(const core::HandleEntry* e, uint64_t off, uint64_t bytes) {
  if (!e || off > e->size || bytes > e->size - off) return nullptr;
  return core::at<uint8_t>(e->addr) + off;
}

template <class T>
int32_t load(int32_t h, uint64_t off) {
  const core::HandleEntry* e = core::handle_entry(h);
  if (!e) return h;
  const uint8_t* p = span(e, off, sizeof(T));
  if (!p) return 0;
  T v;
  std::memcpy(&v, p, sizeof v);
  return static_cast<int32_t>(v);
}

template <class T>
void store(int32_t h, uint64_t off, int32_t v) {
  if (uint8_t* p = span(core::handle_entry(h), off, sizeof(T))) {
    const T t = static_cast<T>(v);
    std::memcpy(p, &t, sizeof t);
  }
}

uint64_t cell(int32_t i) { return uint64_t{static_cast<U>(i)} * 4; }
int32_t cell2(int32_t x, int32_t y, int32_t w) { return core::add32(x, core::mul32(y, w)); }

int32_t a_create(int32_t n) { return n < 0 ? -1 : core::handle_new(uint64_t{static_cast<U>(n)} * 4); }
int32_t a_kill(int32_t h) {
  core::handle_release(h);
  return 0;
}
int32_t a(int32_t h, int32_t i) { return load<int32_t>(h, cell(i)); }
int32_t a_set(int32_t h, int32_t i, int32_t v) {
  store<int32_t>(h, cell(i), v);
  return 0;
}
int32_t a2(int32_t h, int32_t x, int32_t y, int32_t w) { return load<int32_t>(h, cell(cell2(x, y, w))); }
int32_t a2_set(int32_t h, int32_t x, int32_t y, int32_t w, int32_t v) {
  store<int32_t>(h, cell(cell2(x, y, w)), v);
  return 0;
}
template <class T>
int32_t a_get_t(int32_t h, int32_t off) {
  return load<T>(h, static_cast<U>(off));
}
template <class T>
int32_t a_set_t(int32_t h, int32_t off, int32_t v) {
  store<T>(h, static_cast<U>(off), v);
  return 0;
}
int32_t a_size(int32_t h) {
  const core::HandleEntry* e = core::handle_entry(h);
  return e ? static_cast<int32_t>(e->size) : 0;
}

int32_t a_load(int32_t path) {
  std::string file;
  struct stat st {};
  if (!path_arg(path, file) || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return 0;
  const int32_t h = core::handle_new(static_cast<uint64_t>(st.st_size) * 4);
  if (h < 0) return -1;
  const core::HandleEntry* e = core::handle_entry(h);
  core::read_into(file, core::at<void>(e->addr), static_cast<size_t>(st.st_size));
  return h;
}

int32_t a_save(int32_t path, int32_t h) {
  std::string file;
  const core::HandleEntry* e = core::handle_entry(h);
  if (!e || !path_arg(path, file)) return 0;
  core::write_file_atomic(file, std::string_view(core::at<const char>(e->addr), e->size));
  return 0;
}

int32_t a_copy(int32_t src, int32_t dst, int32_t from, int32_t to, int32_t count) {
  const core::HandleEntry* s = core::handle_entry(src);
  const core::HandleEntry* d = core::handle_entry(dst);
  if (!s || !d || count <= 0 || from < 0 || to < 0) return 0;
  const int64_t s_cells = s->size / 4, d_cells = d->size / 4;
  int64_t n = count;
  if (n > s_cells - from) n = s_cells - from;
  if (n > d_cells - to) n = d_cells - to;
  int32_t* sp = core::at<int32_t>(s->addr) + from;
  int32_t* dp = core::at<int32_t>(d->addr) + to;
  for (int64_t i = 0; i < n; ++i) dp[i] = sp[i];  // ascending, cell by cell
  return 0;
}

int32_t a_interpolate(int32_t h, int32_t t, int32_t period, int32_t count, int32_t keys) {
  const core::HandleEntry* en = core::handle_entry(h);
  if (!en || period == 0 || count <= 0 || keys <= 0) return 0;
  if (uint64_t{static_cast<U>(count)} * (uint64_t{static_cast<U>(keys)} + 1) > en->size / 4) return 0;
  int32_t* c = core::at<int32_t>(en->addr);
  const double e = static_cast<double>(static_cast<U>(t)) / period * keys;
  const double f = std::trunc(e);
  double m = std::fmod(f, static_cast<double>(keys));
  if (m < 0) m += keys;
  const int64_t k0 = static_cast<int64_t>(m) % keys;
  const int64_t k1 = (k0 + 1) % keys;
  const double frac = e - f;
  int32_t last = 0;
  for (int64_t i = 0; i < count; ++i) {
    const double v0 = c[count * (k0 + 1) + i];
    const double v1 = c[count * (k1 + 1) + i];
    double v = std::trunc(v0 + frac * (v1 - v0));
    if (v > 2147483647.0) v = 2147483647.0;
    if (v < -2147483648.0) v = -2147483648.0;
    last = c[i] = static_cast<int32_t>(v);
  }
  return last;
}

}  // namespace

void bind_arrays() {
  bind<a_create>("a_create");
  bind<a_kill>("a_kill");
  bind<a>("a");
  bind<a_set>("a_set");
  bind<a2>("a2");
  bind<a2_set>("a2_set");
  bind<a_get_t<uint8_t>>("a_byte");
  bind<a_get_t<uint16_t>>("a_word");
  bind<a_get_t<int32_t>>("a_dword");
  bind<a_set_t<uint8_t>>("a_byte_set");
  bind<a_set_t<uint16_t>>("a_word_set");
  bind<a_set_t<int32_t>>("a_dword_set");
  bind<a_size>("a_size");
  bind<a_load>("a_load");
  bind<a_save>("a_save");
  bind<a_copy>("a_copy");
  bind<a_interpolate>("a_interpolate");
}

}  // namespace brain::general
