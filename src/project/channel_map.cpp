#include "project/channel_map.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/files.h"
#include "core/state.h"
#include "project/state.h"

namespace project {

namespace {

// Null until the arena has been carved.
uint8_t* map_bytes() {
  const core::Pool& p = core::state().pools.channel_map;
  return p.addr != 0 && p.size >= kColBytes ? p.bytes() : nullptr;
}

bool in_table(int i) { return i >= 0 && i < core::kElementCount; }

uint32_t pair_at(int a, int b) {
  return static_cast<uint32_t>(std::min(a, b)) * 256u + static_cast<uint32_t>(std::max(a, b));
}

int32_t word_at(const uint8_t* bytes, uint32_t offset) {
  int32_t v;
  std::memcpy(&v, bytes + offset, sizeof v);
  return v;
}

void put_word(uint8_t* bytes, uint32_t offset, int32_t v) { std::memcpy(bytes + offset, &v, sizeof v); }

}  // namespace

uint32_t channel_colour(int channel) {
  const int n = channel >= 0 && channel < kChannelCount ? channel : 0;
  const int b = 64 * n;
  int red = 0, green = 0, blue = 0;
  if (n <= 3) {
    red = 255 - b;
    blue = b;
  } else if (n <= 7) {
    green = b - 256;
    blue = 511 - b;
  } else {
    red = b - 512;
    green = 767 - b;
  }
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue);
}

int channel(int a, int b) {
  const uint8_t* m = map_bytes();
  return m && in_table(a) && in_table(b) ? m[pair_at(a, b)] : 0;
}

void set_channel(int a, int b, int value) {
  uint8_t* m = map_bytes();
  if (m && in_table(a) && in_table(b)) m[pair_at(a, b)] = static_cast<uint8_t>(value);
}

void clear_channels() {
  if (uint8_t* m = map_bytes()) std::memset(m, 0, kColBytes);
}

void shift_channels_up(int index, int old_last) {
  uint8_t* m = map_bytes();
  if (!m || index < 0 || index > old_last || old_last >= core::kElementCount - 1) return;
  // Only the existing elements move; bytes of indices beyond old_last + 1
  // stay as they are. Highest first, so no source is overwritten before
  // it is read (a target is never below its source).
  auto moved = [&](int e) { return e >= index ? e + 1 : e; };
  for (int a = old_last; a >= 0; --a)
    for (int b = old_last; b >= a; --b)
      if (b >= index) m[pair_at(moved(a), moved(b))] = m[pair_at(a, b)];
  for (int e = 0; e <= old_last + 1; ++e) m[pair_at(index, e)] = 0;
}

void clear_channels_above(int last) {
  uint8_t* m = map_bytes();
  if (!m) return;
  for (int row = 0; row < core::kElementCount; ++row)
    for (int col = 0; col < core::kElementCount; ++col)
      if (row > last || col > last) m[row * 256 + col] = 0;
}

std::string col_path(std::string_view project_path) {
  if (project_path.size() < 3) return std::string(project_path) + ".col";
  return std::string(project_path.substr(0, project_path.size() - 3)) + "col";
}

bool load_col(const std::string& path) {
  uint8_t* m = map_bytes();
  if (!m || !core::file_exists(path)) return false;
  std::string bytes;
  bool truncated = false;
  if (!core::read_file(path, bytes, kColBytes, &truncated) || truncated || bytes.size() != kColBytes) {
    core::box("The collision file '" + path + "'|is damaged and was not loaded.", " OK ", "");
    return false;
  }
  std::memcpy(m, bytes.data(), kColBytes);
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  Scene& sc = state().scene;
  sc.clip_distance = word_at(b, kSceneWordsAt);
  sc.band_upper = word_at(b, kSceneWordsAt + 4);
  sc.band_lower = word_at(b, kSceneWordsAt + 8);
  sc.preview = word_at(b, kSceneWordsAt + 12);
  sc.field_scale = word_at(b, kSceneWordsAt + 20);
  if (sc.band_upper < 0 || sc.band_upper > 479) sc.band_upper = 0;
  if (sc.band_lower <= sc.band_upper || sc.band_lower > 479) sc.band_lower = 479;
  if (sc.preview < 0 || sc.preview > 4) sc.preview = 0;
  // The scene words are not channels; neither is a value above 11.
  std::memset(m + kSceneWordsAt, 0, kSceneWords * 4);
  for (uint32_t i = 0; i < kColBytes; ++i)
    if (m[i] >= kChannelCount) m[i] = 0;
  return true;
}

std::string col_image() {
  std::string out(kColBytes, '\0');
  auto* b = reinterpret_cast<uint8_t*>(out.data());
  if (const uint8_t* m = map_bytes()) std::memcpy(b, m, kColBytes);
  const Scene& sc = state().scene;
  put_word(b, kSceneWordsAt, sc.clip_distance);
  put_word(b, kSceneWordsAt + 4, sc.band_upper);
  put_word(b, kSceneWordsAt + 8, sc.band_lower);
  put_word(b, kSceneWordsAt + 12, sc.preview);
  put_word(b, kSceneWordsAt + 16, 0);
  put_word(b, kSceneWordsAt + 20, sc.field_scale);
  return out;
}

bool save_col(const std::string& path) { return core::write_file_atomic(path, col_image()); }

}  // namespace project
