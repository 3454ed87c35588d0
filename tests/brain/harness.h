// Helpers for brain tests: compiling brain texts straight into the code
// area, element variables, capturing message boxes, and logging handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "brain/driver.h"
#include "brain/run.h"
#include "brain/state.h"
#include "core/element_state.h"

namespace brain_test {

// Lines joined with CR LF (and a final CR LF).
std::string lines(std::initializer_list<std::string_view> l);

// Compiles `text` as the only brain (element 0). Returns the error text ("" when fine).
std::string compile(std::string_view text, brain::Backend backend = brain::kDefaultBackend, bool editor_mode = false);
// Compiles several brains, element i gets texts[i].
brain::CompileReport compile_all(const std::vector<std::string>& texts,
                                 brain::Backend backend = brain::kDefaultBackend);

inline int32_t& var(int element, int k) { return core::element_state(element)->w[256 - k]; }
inline int32_t run(int element = 0) { return brain::run(core::element_ref(element)); }
void clear_elements();

// Message boxes shown while the guard lives.
struct BoxCapture {
  BoxCapture();
  ~BoxCapture();
  std::vector<std::string> boxes;
  std::vector<std::string> runtime;
  BoxCapture* outer;
};

// One logged built-in call.
struct Call {
  std::string name;
  uint32_t self;
  std::vector<int32_t> args;
  bool operator==(const Call&) const = default;
};

// Binds test handlers to a few built-ins while it lives:
//   sum(a,b) = a+b, subtract(a,b) = a-b, abs(v) logs and returns |v|,
//   random(a,b) logs and returns a*1000+b, print(a,b,c,d) logs and returns 7,
//   par_get(i) returns i*3, visual_picked(e) logs, local_set(e,i,v) writes
//   variable i+1 of element e (as the real built-in does), execute(e) runs e.
struct Handlers {
  Handlers();
  ~Handlers();
  static std::vector<Call>& log();
};

// Everything observable after a run: element states, temporaries, the
// position of the random source, the log.
struct Snapshot {
  std::vector<int32_t> words;
  std::vector<Call> calls;
  int32_t status = 0;
  bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot(int elements, int32_t status);

// Compiles `text` as element 0's brain with each back end, runs element
// `runs_on` after `setup`, and checks that both back ends agree on every
// word of the first four elements, the temporaries, the calls made and the
// run status. Leaves the interpreter's results in place.
struct Outcome {
  std::string error;
  Snapshot snap;
};
Outcome run_both(std::string_view text, const std::function<void()>& setup = {}, int runs_on = 0);

}  // namespace brain_test
