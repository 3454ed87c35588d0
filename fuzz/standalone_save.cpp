// Feeds arbitrary bytes to the save-file reader: the header of any input,
// and a restore that either takes the whole layout or changes nothing, and
// keeps the fresh brain entries either way.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/element_state.h"
#include "core/state.h"
#include "standalone/save_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!core::init_memory()) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An input whose first byte is odd is padded to the whole layout, so that
  // restores of whole files are exercised too.
  std::string padded(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) && padded.size() < standalone::kSaveBytes) padded.resize(standalone::kSaveBytes, '\0');
  const std::string_view bytes = padded;
  int32_t level = 0, hearer = 0;
  const bool whole = standalone::save_header(bytes, level, hearer);
  core::element_state(3)->w[core::kBrainEntry] = 0x1234;
  core::element_state(4)->w[7] = 99;
  const bool applied = standalone::apply_save(bytes);
  if (whole != applied) abort();
  if (core::element_state(3)->w[core::kBrainEntry] != 0x1234) abort();
  if (!applied && core::element_state(4)->w[7] != 99) abort();
  return 0;
}
