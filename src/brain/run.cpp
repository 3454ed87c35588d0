#include "brain/run.h"

#include <algorithm>
#include <string>

#include "brain/backends.h"
#include "brain/code_area.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/state.h"

namespace brain {

namespace {

constexpr int32_t kRunTooDeep = 3;

void report(uint32_t self, int32_t status) {
  State& s = state();
  if (s.run_reported) return;
  s.run_reported = true;
  const int index = core::element_index(self);
  std::string text = "'" + (index >= 0 ? s.names[index] : std::string()) + "' brain ERROR!|";
  switch (status) {
    case kRunTimeout:
      text += "The brain ran for more than " +
              (s.time_limit_ms % 1000 ? std::to_string(s.time_limit_ms) + " ms"
                                      : std::to_string(s.time_limit_ms / 1000) + " seconds") +
              " and was stopped.";
      break;
    case kRunGosubOverflow: text += "Gosub nesting deeper than " + std::to_string(kMaxGosubDepth) + " levels."; break;
    default: text += "Execute nesting deeper than " + std::to_string(kMaxRunDepth) + " levels.";
  }
  if (s.runtime_error)
    s.runtime_error(text);
  else
    core::error_box(text);
}

}  // namespace

bool is_brain_entry(uint32_t entry) {
  const State& s = state();
  return s.code_ready && std::binary_search(s.entries.begin(), s.entries.end(), entry);
}

int32_t run(uint32_t self) {
  State& s = state();
  const int index = core::element_index(self);
  if (index < 0 || s.halted) return kRunOk;
  const uint32_t entry = static_cast<uint32_t>(core::element_state(index)->w[core::kBrainEntry]);
  if (!is_brain_entry(entry)) return kRunOk;
  if (s.run_depth >= kMaxRunDepth) {
    report(self, kRunTooDeep);
    return kRunTooDeep;
  }
  if (s.run_depth == 0) {
    s.run_clock = 0;
    s.run_reported = false;
  }
  ++s.run_depth;
  int32_t status;
#if defined(__x86_64__)
  if (s.code_backend == Backend::kNative)
    status = x64::enter(self, entry);
  else
#endif
    status = interp::run(self, entry);
  --s.run_depth;
  if (status != kRunOk && status != kRunHalted) report(self, status);
  return status;
}

}  // namespace brain
