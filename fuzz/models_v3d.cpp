// Arbitrary text as a .v3d visual description: frames are non-empty runs of
// one positive number, values lie in their ranges, paths stay bounded.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "media/visual_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const media::Visual v = media::parse_visual(text, "/program/folder");
  size_t parts = 0;
  for (const media::VisualFrame& f : v.frames) {
    if (f.number <= 0 || f.parts.empty()) abort();
    for (const media::VisualPart& p : f.parts) {
      ++parts;
      if (p.frame != f.number || p.source.empty()) abort();
      if (p.texture_mode < 0 || p.texture_mode > 3 || p.quality < 0 || p.quality > 3) abort();
      if (p.material < 0 || p.material > 1 || p.wrap_direction < 1 || p.wrap_direction > 6) abort();
      if (p.morph_percent < 0 || p.morph_percent > 100) abort();
      if (p.texture.size() > media::kMaxVisualLineBytes || p.target.size() > media::kMaxVisualLineBytes) abort();
    }
  }
  if (parts > size_t(media::kMaxVisualLines)) abort();
  return 0;
}
