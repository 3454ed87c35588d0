// The project model's state: the element table, the load range, the scene
// settings kept with the project, and the counter of working brain copies.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/pools.h"

namespace project {


// Settings stored with the project: the background line of the project file
// and the words of the ".col" companion, plus the fog that every load resets.
struct Scene {
  std::string background;   // image path, program folder spelled out
  int32_t repetitions = 1;  // a power of two
  std::string shared_vars;  // "N" or "N(M)" entries separated by ","
  int32_t clip_distance = 30;
  int32_t band_upper = 0;  // background band rows on the 640 x 480 screen
  int32_t band_lower = 479;
  int32_t preview = 0;        // background preview index, 0 to 4
  int32_t field_scale = 100;  // field of view, percent
  int32_t fog_start = 10240;
  int32_t fog_end = 15360;
  uint32_t fog_colour = 0xFF000000u;
};

struct State {
  // One ElementRecord per element, `|`-separated fields numbered from 1.
  std::array<std::string, core::kElementCount> records;
  int32_t last = -1;        // index of the last element; -1 when empty
  int32_t range_first = 0;  // load range: where the loader puts records
  int32_t range_last = 0;   // and which records a range save writes
  int32_t current = 0;      // current element number (runmode.ini line 3)
  std::string description;  // the project file's comment line
  Scene scene;

  // Working brain copies named so far; the next one is counter + 1.
  uint32_t brain_counter = 0;

  // The path of the last project whose whole load was refused; saving over
  // it is refused too, so a damaged project is never overwritten.
  std::string refused_path;

  // The stand-alone player's data-file protection, applied to the text of
  // each working brain copy before it is written. Null writes it plain.
  void (*protect)(std::string& bytes) = nullptr;
};

State& state();

}  // namespace project
