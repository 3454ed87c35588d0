// Binding the built-in table to handlers. Every subsystem binds its own
// rows at start-up; a row nobody bound calls a placeholder that answers 0.
// A compile copies the bindings into the code area, so a binding made later
// takes effect with the next compile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace brain {

// One signature for every built-in: `self` is the ElementState address of
// the element whose brain is running; a1..a5 are the arguments (only the
// first argc are meaningful). The result is the call's value.
using Handler = int32_t (*)(uint32_t self, int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5);

// Built-ins are written as plain functions that declare only what they use:
//
//   int32_t fog_set(int32_t a1, int32_t a2, int32_t a3)   arguments 1 to 3
//   int32_t show(uint32_t self, int32_t a1)              the running element, then argument 1
//
// The result is int32_t; a leading uint32_t parameter receives `self`; the
// int32_t parameters after it receive the arguments in order (at most five;
// a parameter a routine does not use is left unnamed). bind<routine>(name)
// makes the table's handler for such a routine.
namespace detail {

template <class Fn>
struct Signature;
template <class... A>
struct Signature<int32_t (*)(A...)> {
  static constexpr size_t kCount = sizeof...(A);
  static constexpr bool kSelf = kCount > 0 && std::is_same_v<std::tuple_element_t<0, std::tuple<A..., void>>, uint32_t>;
  static constexpr size_t kArgs = kCount - (kSelf ? 1 : 0);
  static_assert(kArgs <= 5, "a built-in takes at most five arguments");
  static_assert((std::is_same_v<A, int32_t> + ... + 0) == kArgs, "built-in arguments are int32_t");
};
template <class... A>
struct Signature<int32_t (*)(A...) noexcept> : Signature<int32_t (*)(A...)> {};

template <auto F, size_t... I>
int32_t call(uint32_t self, const int32_t* a, std::index_sequence<I...>) {
  if constexpr (Signature<decltype(F)>::kSelf)
    return F(self, a[I]...);
  else
    return F(a[I]...);
}

}  // namespace detail

// The table's handler for a routine written as above.
template <auto F>
int32_t handler(uint32_t self, int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  const int32_t args[5] = {a1, a2, a3, a4, a5};
  return detail::call<F>(self, args, std::make_index_sequence<detail::Signature<decltype(F)>::kArgs>{});
}

// A routine as the native back end calls it, without the handler around it:
// its address, whether `self` comes first, and how many int32_t arguments
// follow (System V registers in that order; the result in EAX).
struct Routine {
  void (*address)() = nullptr;
  bool self = true;
  uint8_t args = 5;
};

template <auto F>
Routine routine_of() {
  using S = detail::Signature<decltype(F)>;
  return Routine{reinterpret_cast<void (*)()>(F), S::kSelf, static_cast<uint8_t>(S::kArgs)};
}
inline Routine routine_of(Handler h) { return Routine{reinterpret_cast<void (*)()>(h), true, 5}; }

// The placeholder of an unbound row.
int32_t unbound_builtin(uint32_t self, int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5);

// Binds a name and every alias that shares its routine. False for a name
// that is not in the table (or a null handler).
bool bind(std::string_view name, Handler handler);
bool bind(std::string_view name, Handler handler, Routine routine, bool in_line);
template <auto F>
bool bind(std::string_view name) {
  return bind(name, &handler<F>, routine_of<F>(), false);
}
// The same for a routine that does exactly what the table's in-line form of
// the row says (table.h, InlineForm): the native back end may then write the
// row as machine code instead of calling it. Binding the row again with
// bind() takes that leave back.
template <auto F>
bool bind_inline(std::string_view name) {
  return bind(name, &handler<F>, routine_of<F>(), true);
}
// Puts the placeholder back on a name and its aliases.
void unbind(std::string_view name);
void unbind_all();

Handler handler_of(int row);
Routine routine_at(int row);
// The row has an in-line form and its routine was bound with bind_inline.
bool may_inline(int row);
bool is_placeholder(int row);
// Names of the rows still bound to the placeholder, in table order.
std::vector<std::string_view> placeholder_rows();

// Binds the built-ins the core provides: the six 512-scaled routines and
// the program arguments (par_count, par_get).
void bind_core_builtins();

}  // namespace brain
