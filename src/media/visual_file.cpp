#include "media/visual_file.h"

#include <algorithm>

#include "core/protect.h"
#include "core/files.h"
#include "core/text.h"

namespace media {

namespace {

int32_t number(std::string_view line, int k, int32_t lo, int32_t hi, int32_t when_empty) {
  std::string_view f = core::field(line, k);
  return f.empty() ? when_empty : std::clamp(core::text_to_int(f), lo, hi);
}

VisualPart read_part(std::string_view line, std::string_view folder) {
  VisualPart p;
  for (int k = 1; k <= kVisualFields; ++k) p.numbers[k - 1] = core::text_to_int(core::field(line, k));
  p.frame = p.numbers[0];
  p.texture = core::field(line, 2);
  p.source = core::field(line, 3);
  if (p.source.empty()) p.source = std::string(folder) + std::string(kDefault3dsFile);
  p.texture_mode = number(line, 4, 0, 3, 0);
  p.quality = number(line, 5, 0, 3, 3);
  p.material = number(line, 6, 0, 1, 0);
  p.faces_flip = p.numbers[6] != 0;
  p.translucent = p.numbers[9] != 0;
  p.transparent = p.numbers[10] != 0;
  p.red = static_cast<uint8_t>(number(line, 25, 0, 255, 255));
  p.green = static_cast<uint8_t>(number(line, 26, 0, 255, 255));
  p.blue = static_cast<uint8_t>(number(line, 27, 0, 255, 255));
  p.wrap_shape = number(line, 28, 0, 3, 0);
  p.wrap_direction = number(line, 29, 1, 6, 1);
  p.target = core::field(line, 30);
  p.morph_percent = number(line, 31, 0, 100, 0);
  return p;
}

std::string folder_with_slash(std::string_view folder) {
  std::string f(folder);
  if (!f.empty() && f.back() != '/') f.push_back('/');
  return f;
}

}  // namespace

std::string fix_visual_line(std::string_view line, std::string_view program_folder) {
  const std::string folder = folder_with_slash(core::slashes_forward(program_folder));
  const std::string in = core::slashes_forward(line);
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    const bool field_start = i == 0 || in[i - 1] == '|';
    if (field_start && in.compare(i, 2, "./") == 0) {
      out += folder;
      ++i;
    } else {
      out.push_back(in[i]);
    }
    if (out.size() > kMaxVisualLineBytes) return {};
  }
  return out;
}

Visual parse_visual(std::string_view text, std::string_view program_folder) {
  const std::string folder = folder_with_slash(core::slashes_forward(program_folder));
  Visual v;
  core::LineReader lines(text.substr(0, std::min(text.size(), kMaxVisualFileBytes)));
  bool in_run = false;
  for (int n = 0; n < kMaxVisualLines; ++n) {
    std::string_view raw = lines.next();
    if (raw.empty()) break;  // the first empty line (or the end) ends the description
    const std::string line = fix_visual_line(raw, folder);
    if (line.empty()) continue;  // too long: skipped
    VisualPart part = read_part(line, folder);
    if (part.frame <= 0) {
      in_run = false;
      continue;
    }
    if (!in_run || v.frames.back().number != part.frame) {
      v.frames.push_back(VisualFrame{part.frame, {}});
      in_run = true;
    }
    v.frames.back().parts.push_back(std::move(part));
  }
  return v;
}

bool read_visual(const std::string& path, std::string_view program_folder, Visual& out) {
  out = Visual{};
  std::string text;
  bool truncated = false;
  if (!core::read_resource(path, text, kMaxVisualFileBytes, &truncated) || truncated) return false;
  out = parse_visual(text, program_folder);
  return true;
}

}  // namespace media
