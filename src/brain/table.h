// The built-in table: the 488 names a brain may call, with their argument
// counts and the family that owns their behaviour. Handlers are bound
// separately (bind.h); the table itself never changes.
#pragma once

#include <cstdint>
#include <string_view>

namespace brain {

// Which engine subsystem implements a built-in.
enum class Family : uint8_t {
  kStartup,  // program arguments and run mode
  kAngles,   // the 512-scaled mathematics
  kGeneral,  // integers, element stores, strings, arrays, dialogs, time
  kRunLoop,
  kMotion,
  kCollisions,  // collisions, ground and boundaries
  kRendering,
  kTracks,  // tracks and races
  kDisplay,
  kInput,
  kSound,
  kImages,  // images and fonts
  kNetwork,
};
std::string_view family_name(Family f);

struct Row {
  std::string_view name;
  uint8_t argc;
  Family family;
};

constexpr int kRowCount = 488;
constexpr int kMaxArgs = 5;

const Row& row(int index);
// Row index of a name (names are compared exactly), or -1.
int find_row(std::string_view name);
// Rows that share one handler (aliases) have the same leader: the first row
// of the group in table order. A row without aliases leads itself.
int alias_leader(int index);

}  // namespace brain
