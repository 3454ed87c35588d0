// The explode tool's generator: a mesh broken into its triangles, which fly
// apart under a small physics model over a range of frames, one .3ds file per
// frame, and the visual rewritten to play them.
//
// Explode scripts (.exp) are text lines "label = minimum / maximum"; labels
// are matched without regard to letter case and surrounding blanks. Each
// triangle draws every value uniformly from its range. Units, with vertices
// taken as integers in 1/1000 of a world unit:
//
//   velocity     launch speed, 1/1000 world unit per frame       default 20/80
//   air density  drag divisor = 50,000 - value (no drag at <= 0) default 0/0
//   spin         rotation per frame about each axis, degrees     default -10/10
//   gravity      added to the vertical speed every frame         default -4/-4
//   x angle      tilt of the launch direction about x, degrees   default -60/60
//   z angle      tilt of the launch direction about z, degrees   default -60/60
//   frames       first and last frame number                     default 1/30
//   dummy        read and not used
//
// A missing label, a line without "/" or a minimum above its maximum keeps
// that label's default. Frame numbers become three-digit file names, so a
// range outside 1..999 is refused (ExplodeScript::frames_ok is false).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "media/model3ds.h"

namespace editors {

struct ExplodeRange {
  int32_t min = 0, max = 0;
};

struct ExplodeScript {
  ExplodeRange velocity{20, 80};
  ExplodeRange air_density{0, 0};
  ExplodeRange spin{-10, 10};
  ExplodeRange gravity{-4, -4};
  ExplodeRange x_angle{-60, 60};
  ExplodeRange z_angle{-60, 60};
  ExplodeRange frames{1, 30};
  // The frame range fits the three-digit names (1..999, first <= last).
  bool frames_ok() const { return frames.min >= 1 && frames.max <= 999 && frames.min <= frames.max; }
  int32_t frame_count() const { return frames.max - frames.min + 1; }
};

// Reads a script; `notes` (when given) receives one line per label that kept
// its default because its line was unusable.
ExplodeScript parse_explode_script(std::string_view text, std::vector<std::string>* notes = nullptr);

// The default script of the installation (data/current.exp).
std::string default_explode_script();

// One frame file's name: the source without its last 4 characters, the
// three-digit frame number and ".3ds".
std::string explode_frame_name(std::string_view source, int32_t frame);

// The explosion itself. Calls `frame` once per frame, first to last, with the
// frame number and the triangles of that frame (the first frame is the mesh
// as given). `seed` fixes the random draws, so a run is repeatable.
void explode_triangles(std::span<const media::Triangle> mesh, const ExplodeScript& script, uint32_t seed,
                       const std::function<void(int32_t, std::span<const media::Triangle>)>& frame);

// Writes every frame of the exploded `mesh` beside `source_path` (both
// windings of every triangle). Answers the number of frame files written;
// a file that cannot be created is skipped.
int32_t write_explosion(const std::string& source_path, std::span<const media::Triangle> mesh,
                        const ExplodeScript& script, uint32_t seed = 1);

// The visual's text rewritten to play the frames: the first record as it
// stands, then one copy per further frame (field 1 = 2, 3, ...), whose part
// source (or, when the record morphs, whose morph target, with the source
// the first frame's file) names that frame's file. Empty when the text has
// no record. Lines end in CR LF.
std::string exploded_visual_text(std::string_view visual_text, const ExplodeScript& script);

}  // namespace editors
