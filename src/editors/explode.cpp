#include "editors/explode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/angles.h"
#include "core/files.h"
#include "core/text.h"

namespace editors {

namespace {

// Vertices are moved as integers in 1/1000 world unit, kept well inside
// 32 bits so that the products of the rotation and the drag fit 64 bits.
constexpr float kScale = 1000.0f;
constexpr int32_t kLimit = 1 << 28;
constexpr int32_t kAngleUnitsPerDegree = 512;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// xorshift32: a repeatable source for the per-triangle draws.
struct Random {
  uint32_t x;
  explicit Random(uint32_t seed) : x(seed ? seed : 0x9E3779B9u) {}
  uint32_t next() {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  }
  int32_t in(ExplodeRange r) {
    if (r.min >= r.max) return r.min;
    const uint64_t n = static_cast<uint64_t>(int64_t{r.max} - r.min) + 1;
    return static_cast<int32_t>(r.min + static_cast<int64_t>(next() % n));
  }
};

int32_t to_units(float v) {
  if (!std::isfinite(v)) return 0;
  const float s = v * kScale;
  if (s > static_cast<float>(kLimit)) return kLimit;
  if (s < -static_cast<float>(kLimit)) return -kLimit;
  return static_cast<int32_t>(std::lround(s));
}

int32_t clamp_units(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -kLimit, kLimit)); }

// (a, b) turned by the angle whose coarse sine is `t` (15 fraction bits).
void turn(int32_t& a, int32_t& b, const core::CoarseSine& t) {
  if (t.k == 0) return;
  const int64_t na = (int64_t{a} * t.cos - int64_t{b} * t.sin) >> 15;
  const int64_t nb = (int64_t{a} * t.sin + int64_t{b} * t.cos) >> 15;
  a = clamp_units(na);
  b = clamp_units(nb);
}

int32_t drag_step(int32_t v, int32_t drag) {
  if (drag <= 0) return v;
  return clamp_units(int64_t{v} - int64_t{v} * (v < 0 ? -int64_t{v} : int64_t{v}) / drag);
}

struct Piece {
  int32_t velocity[3];
  core::CoarseSine spin[3];
  int32_t drag;
  int32_t gravity;
};

}  // namespace

ExplodeScript parse_explode_script(std::string_view text, std::vector<std::string>* notes) {
  ExplodeScript s;
  struct Label {
    std::string_view name;
    ExplodeRange* range;
  };
  const Label labels[] = {{"velocity", &s.velocity}, {"air density", &s.air_density},
                          {"spin", &s.spin},         {"dummy", nullptr},
                          {"gravity", &s.gravity},   {"x angle", &s.x_angle},
                          {"z angle", &s.z_angle},   {"frames", &s.frames}};
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view name = trim(line.substr(0, eq));
    const std::string_view value = line.substr(eq + 1);
    for (const Label& l : labels) {
      if (!core::equals_ignore_case(name, l.name) || !l.range) continue;
      const size_t slash = value.find('/');
      ExplodeRange r{core::text_to_int(trim(value.substr(0, slash))), 0};
      if (slash != std::string_view::npos) r.max = core::text_to_int(trim(value.substr(slash + 1)));
      if (slash == std::string_view::npos || r.min > r.max) {
        if (notes) notes->push_back(std::string(l.name) + " keeps its default range");
      } else {
        *l.range = r;
      }
    }
  }
  return s;
}

std::string default_explode_script() {
  return "velocity = 20 / 80\r\n"
         "air density = 0 / 0\r\n"
         "spin = -10 / 10\r\n"
         "dummy = 0 / 0\r\n"
         "gravity = -4 / -4\r\n"
         "x angle = -60 / 60\r\n"
         "z angle = -60 / 60\r\n"
         "frames = 1 / 30\r\n";
}

std::string explode_frame_name(std::string_view source, int32_t frame) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(std::clamp(frame, 0, 999)));
  const std::string_view stem = source.substr(0, source.size() > 4 ? source.size() - 4 : 0);
  return std::string(stem) + digits + ".3ds";
}

void explode_triangles(std::span<const media::Triangle> mesh, const ExplodeScript& script, uint32_t seed,
                       const std::function<void(int32_t, std::span<const media::Triangle>)>& frame) {
  if (!script.frames_ok()) return;
  std::vector<media::Triangle> tris(mesh.begin(), mesh.end());
  std::vector<Piece> pieces(tris.size());
  Random random(seed);
  for (Piece& p : pieces) {
    const int32_t speed = random.in(script.velocity);
    const int32_t ax = random.in(script.x_angle) * kAngleUnitsPerDegree;
    const int32_t az = random.in(script.z_angle) * kAngleUnitsPerDegree;
    // (0, speed, 0) turned about z, then about x.
    int32_t v[3] = {0, speed, 0};
    turn(v[0], v[1], core::coarse_sine(az));
    turn(v[1], v[2], core::coarse_sine(ax));
    std::copy(v, v + 3, p.velocity);
    for (core::CoarseSine& s : p.spin) s = core::coarse_sine(random.in(script.spin) * kAngleUnitsPerDegree);
    p.drag = 50000 - random.in(script.air_density);
    p.gravity = random.in(script.gravity);
  }

  for (int32_t f = script.frames.min; f <= script.frames.max; ++f) {
    frame(f, tris);
    if (f == script.frames.max) break;
    for (size_t t = 0; t < tris.size(); ++t) {
      Piece& p = pieces[t];
      int32_t v[3][3];
      int64_t sum[3] = {0, 0, 0};
      for (int i = 0; i < 3; ++i) {
        v[i][0] = to_units(tris[t].v[i].x);
        v[i][1] = to_units(tris[t].v[i].y);
        v[i][2] = to_units(tris[t].v[i].z);
        for (int k = 0; k < 3; ++k) sum[k] += v[i][k];
      }
      int32_t c[3];
      for (int k = 0; k < 3; ++k) c[k] = static_cast<int32_t>(sum[k] / 3);
      for (auto& q : v) {
        int32_t r[3] = {q[0] - c[0], q[1] - c[1], q[2] - c[2]};
        turn(r[1], r[2], p.spin[0]);  // about x
        turn(r[2], r[0], p.spin[1]);  // about y
        turn(r[0], r[1], p.spin[2]);  // about z
        for (int k = 0; k < 3; ++k) q[k] = clamp_units(int64_t{c[k]} + r[k] + p.velocity[k]);
      }
      for (int i = 0; i < 3; ++i)
        tris[t].v[i] = {static_cast<float>(v[i][0]) / kScale, static_cast<float>(v[i][1]) / kScale,
                        static_cast<float>(v[i][2]) / kScale};
      p.velocity[0] = drag_step(p.velocity[0], p.drag);
      p.velocity[2] = drag_step(p.velocity[2], p.drag);
      p.velocity[1] = clamp_units(int64_t{drag_step(p.velocity[1], p.drag)} + p.gravity);
    }
  }
}

int32_t write_explosion(const std::string& source_path, std::span<const media::Triangle> mesh,
                        const ExplodeScript& script, uint32_t seed) {
  int32_t written = 0;
  explode_triangles(mesh, script, seed, [&](int32_t f, std::span<const media::Triangle> tris) {
    if (media::save_3ds(explode_frame_name(source_path, f), tris, true)) ++written;
  });
  return written;
}

std::string exploded_visual_text(std::string_view visual_text, const ExplodeScript& script) {
  std::string_view first = visual_text.substr(0, visual_text.find('\n'));
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  if (first.empty() || !script.frames_ok()) return {};
  const std::string source(core::field(first, 3));
  const bool morphing = core::text_to_int(core::field(first, 31)) != 0;
  std::string out(first);
  out += "\r\n";
  for (int32_t i = 2; i <= script.frame_count(); ++i) {
    const int32_t f = script.frames.min + i - 1;
    std::string line = core::with_field(first, 1, std::to_string(i));
    if (morphing) {
      line = core::with_field(line, 3, explode_frame_name(source, script.frames.min));
      line = core::with_field(line, 30, explode_frame_name(source, f));
    } else {
      line = core::with_field(line, 3, explode_frame_name(source, f));
    }
    out += line + "\r\n";
  }
  return out;
}

}  // namespace editors
