#include "brain/bind.h"

#include "brain/state.h"
#include "brain/table.h"

namespace brain {

int32_t unbound_builtin(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return 0; }

namespace {

void set_group(int row_index, Handler h) {
  const int leader = alias_leader(row_index);
  for (int i = 0; i < kRowCount; ++i)
    if (alias_leader(i) == leader) state().handlers[i] = h;
}

}  // namespace

bool bind(std::string_view name, Handler handler) {
  int r = find_row(name);
  if (r < 0 || handler == nullptr) return false;
  set_group(r, handler);
  return true;
}

void unbind(std::string_view name) {
  int r = find_row(name);
  if (r >= 0) set_group(r, &unbound_builtin);
}

void unbind_all() { state().handlers.fill(&unbound_builtin); }

Handler handler_of(int row) { return state().handlers[static_cast<size_t>(row)]; }

bool is_placeholder(int row) { return handler_of(row) == &unbound_builtin; }

std::vector<std::string_view> placeholder_rows() {
  std::vector<std::string_view> out;
  for (int i = 0; i < kRowCount; ++i)
    if (is_placeholder(i)) out.push_back(row(i).name);
  return out;
}

}  // namespace brain
