// The 2048 global variables and their files.
#include <algorithm>
#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/files.h"
#include "core/int32.h"
#include "core/pools.h"
#include "core/state.h"
#include "core/text.h"

namespace brain::general {

namespace {

using U = uint32_t;
constexpr U kMask = core::kGlobalCount - 1;

int32_t* globals() { return core::state().pools.globals.as<int32_t>(); }
int32_t& global_at(int32_t i) { return globals()[static_cast<U>(i) & kMask]; }

int32_t global(int32_t i) { return global_at(i); }
int32_t global_set(int32_t i, int32_t v) {
  if (state().general.global_sync) state().general.global_sync();
  global_at(i) = v;
  return 0;
}
int32_t global_add(int32_t i, int32_t v) {
  int32_t& g = global_at(i);
  g = core::add32(g, v);
  return 0;
}
int32_t globals_sort(int32_t first, int32_t last) {
  if (0 <= first && first <= last && last <= static_cast<int32_t>(kMask))
    std::sort(globals() + first, globals() + last + 1);
  return 0;
}

int32_t globals_save(int32_t path, int32_t first, int32_t last) {
  std::string file;
  if (!path_arg(path, file)) return 0;
  const U lo = static_cast<U>(first) & kMask;
  const U hi = static_cast<U>(last) & kMask;
  core::LineWriter out;
  for (U i = lo; i <= hi && lo <= hi; ++i) out.line(globals()[i]);
  core::write_file_atomic(file, out.text());
  return 0;
}

int32_t globals_load(int32_t path, int32_t first, int32_t last) {
  std::string file;
  std::string text;
  if (!path_arg(path, file) || !core::read_file(file, text, 64u * core::kGlobalCount)) return 0;
  const U lo = static_cast<U>(first) & kMask;
  const U hi = static_cast<U>(last) & kMask;
  core::LineReader in(text);
  for (U i = lo; i <= hi && lo <= hi; ++i) {
    const std::string_view line = in.next();
    if (in.at_end()) break;
    globals()[i] = core::text_to_int(line);
  }
  return 0;
}

}  // namespace

void bind_globals() {
  bind<global>("global");
  bind<global_set>("global_set");
  bind<global_add>("global_add");
  bind<globals_sort>("globals_sort");
  bind<globals_save>("globals_save");
  bind<globals_load>("globals_load");
}

}  // namespace brain::general
