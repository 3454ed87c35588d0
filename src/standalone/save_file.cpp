#include "standalone/save_file.h"

#include <cstring>

#include "core/element_state.h"
#include "core/state.h"

namespace standalone {

namespace {

void put32(std::string& out, size_t at, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(u >> (8 * i) & 0xFF);
}

int32_t get32(std::string_view in, size_t at) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= uint32_t(static_cast<uint8_t>(in[at + i])) << (8 * i);
  return static_cast<int32_t>(u);
}

static_assert(kSaveStatesBytes == core::kElementCount * core::kElementStateBytes);
static_assert(kSaveGlobalsBytes == core::kGlobalCount * 4);

}  // namespace

std::string save_path(int32_t slot) { return core::state().folders.program + "curr" + std::to_string(slot) + ".dat"; }

std::string save_image(int32_t level, int32_t hearer) {
  std::string out(kSaveBytes, '\0');
  put32(out, kSaveLevelAt, level);
  put32(out, kSaveHearerAt, hearer);
  std::memcpy(out.data() + kSaveStatesAt, core::element_states(), kSaveStatesBytes);
  std::memcpy(out.data() + kSaveGlobalsAt, core::state().pools.globals.bytes(), kSaveGlobalsBytes);
  return out;
}

bool save_header(std::string_view bytes, int32_t& level, int32_t& hearer) {
  if (bytes.size() < kSaveBytes) return false;
  level = get32(bytes, kSaveLevelAt);
  hearer = get32(bytes, kSaveHearerAt);
  return true;
}

bool apply_save(std::string_view bytes) {
  if (bytes.size() < kSaveBytes) return false;
  for (int e = 0; e < core::kElementCount; ++e) {
    core::ElementState& st = *core::element_state(e);
    const int32_t entry = st.w[core::kBrainEntry];
    std::memcpy(st.w, bytes.data() + kSaveStatesAt + size_t(e) * core::kElementStateBytes, core::kElementStateBytes);
    st.w[core::kBrainEntry] = entry;
  }
  std::memcpy(core::state().pools.globals.bytes(), bytes.data() + kSaveGlobalsAt, kSaveGlobalsBytes);
  return true;
}

}  // namespace standalone
