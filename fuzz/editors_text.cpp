// Arbitrary text as an explode script and as a visual: the script's ranges
// are ordered, the rewritten visual has one record per frame, and the
// visual editor's edits keep every record and never leave a frame behind.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text.h"
#include "editors/explode.h"
#include "editors/visual_editor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const editors::ExplodeScript s = editors::parse_explode_script(text);
  for (const editors::ExplodeRange& r : {s.velocity, s.air_density, s.spin, s.gravity, s.x_angle, s.z_angle, s.frames})
    if (r.min > r.max) abort();
  const std::string exploded = editors::exploded_visual_text(text, s);
  if (!exploded.empty()) {
    size_t lines = 0;
    for (size_t p = 0; (p = exploded.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
    if (!s.frames_ok() || lines != static_cast<size_t>(s.frame_count())) abort();
  }

  std::vector<std::string> records = editors::visual_records(text);
  const size_t count = records.size();
  const int32_t frames = editors::visual_frame_count(records);
  for (int32_t f = 0; f < frames && f < 4; ++f) {
    if (editors::frame_records(records, f).empty()) abort();
    if (editors::part_field_lines(records, f, 0, "v").size() != 15) abort();
  }
  if (editors::rearrange_frames(records, text.substr(0, 64))) {
    if (records.size() != count || editors::visual_frame_count(records) > frames) abort();
  }
  if (editors::insert_part(records, frames > 0 ? frames - 1 : 0) >= 0 && records.size() != count + 1) abort();
  return 0;
}
