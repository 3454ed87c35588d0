// Binding the built-in table to handlers. Every subsystem binds its own
// rows at start-up; a row nobody bound calls a placeholder that answers 0.
// A compile copies the bindings into the code area, so a binding made later
// takes effect with the next compile.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace brain {

// One signature for every built-in: `self` is the ElementState address of
// the element whose brain is running; a1..a5 are the arguments (only the
// first argc are meaningful). The result is the call's value.
using Handler = int32_t (*)(uint32_t self, int32_t a1, int32_t a2, int32_t a3, int32_t a4,
                            int32_t a5);

// The placeholder of an unbound row.
int32_t unbound_builtin(uint32_t self, int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5);

// Binds a name and every alias that shares its routine. False for a name
// that is not in the table (or a null handler).
bool bind(std::string_view name, Handler handler);
// Puts the placeholder back on a name and its aliases.
void unbind(std::string_view name);
void unbind_all();

Handler handler_of(int row);
bool is_placeholder(int row);
// Names of the rows still bound to the placeholder, in table order.
std::vector<std::string_view> placeholder_rows();

// Binds the built-ins the core provides: the six 512-scaled routines and
// the program arguments (par_count, par_get).
void bind_core_builtins();

}  // namespace brain
