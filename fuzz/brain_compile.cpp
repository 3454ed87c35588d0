// Arbitrary bytes as a brain file: compiled in ordinary and editor mode with
// each back end, then run. Nothing may crash or hang, and the two back ends
// must leave the same element states and temporaries behind.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/driver.h"
#include "brain/run.h"
#include "core/element_state.h"
#include "core/state.h"

namespace {

void quiet(const std::string&) {}

std::vector<int32_t> run_once(const std::string& text, brain::Backend backend, bool editor, int32_t& status) {
  const core::Pools& pools = core::state().pools;
  std::memset(pools.element_state.bytes(), 0, 4 * core::kElementStateBytes);
  std::memset(pools.temp_slots.bytes(), 0, pools.temp_slots.size);
  brain::CompileRequest req;
  req.backend = backend;
  req.editor_mode = editor;
  req.elements.push_back({"fuzz", "brains/fuzz.brn", text});
  brain::compile_project(req);
  for (int e = 1; e < 4; ++e)
    core::element_state(e)->w[core::kBrainEntry] = core::element_state(0)->w[core::kBrainEntry];
  status = brain::run(core::element_ref(1));
  std::vector<int32_t> words;
  for (int e = 0; e < 4; ++e)
    for (int w = 0; w < 256; ++w)
      if (w != core::kBrainEntry) words.push_back(core::element_state(e)->w[w]);
  const auto* t = pools.temp_slots.as<int32_t>();
  words.insert(words.end(), t, t + pools.temp_slots.size / 4);
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!core::init_memory()) abort();
  brain::bind_core_builtins();
  brain::state().time_limit_ms = 5;
  brain::state().runtime_error = &quiet;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (bool editor : {false, true}) {
    int32_t native_status = 0, interp_status = 0;
#if defined(__x86_64__)
    const auto native = run_once(text, brain::Backend::kNative, editor, native_status);
#endif
    const auto interp = run_once(text, brain::Backend::kInterpreter, editor, interp_status);
#if defined(__x86_64__)
    // A run stopped by the clock ends wherever it was.
    if (native_status != brain::kRunTimeout && interp_status != brain::kRunTimeout &&
        (native != interp || native_status != interp_status))
      abort();
#endif
  }
  return 0;
}
