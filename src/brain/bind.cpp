#include "brain/bind.h"

#include "brain/state.h"
#include "brain/table.h"

namespace brain {

int32_t unbound_builtin(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return 0; }

namespace {

void set_group(int row_index, Handler h, Routine routine, bool in_line) {
  State& s = state();
  const int leader = alias_leader(row_index);
  for (int i = 0; i < kRowCount; ++i)
    if (alias_leader(i) == leader) {
      s.handlers[i] = h;
      s.routines[i] = routine;
      s.in_line[i] = in_line && inline_form(i).kind != InlineKind::kNone;
    }
}

}  // namespace

bool bind(std::string_view name, Handler handler) { return bind(name, handler, routine_of(handler), false); }

bool bind(std::string_view name, Handler handler, Routine routine, bool in_line) {
  int r = find_row(name);
  if (r < 0 || handler == nullptr || routine.address == nullptr) return false;
  set_group(r, handler, routine, in_line);
  return true;
}

void unbind(std::string_view name) {
  int r = find_row(name);
  if (r >= 0) set_group(r, &unbound_builtin, routine_of(&unbound_builtin), false);
}

void unbind_all() {
  State& s = state();
  s.handlers.fill(&unbound_builtin);
  s.routines.fill(routine_of(&unbound_builtin));
  s.in_line.fill(false);
}

Handler handler_of(int row) { return state().handlers[static_cast<size_t>(row)]; }

Routine routine_at(int row) { return state().routines[static_cast<size_t>(row)]; }

bool may_inline(int row) { return state().in_line[static_cast<size_t>(row)]; }

bool is_placeholder(int row) { return handler_of(row) == &unbound_builtin; }

std::vector<std::string_view> placeholder_rows() {
  std::vector<std::string_view> out;
  for (int i = 0; i < kRowCount; ++i)
    if (is_placeholder(i)) out.push_back(row(i).name);
  return out;
}

}  // namespace brain
