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

// Rows that the native back end may write as machine code, when their
// routine was bound with bind_inline (bind.h); the interpreter calls the
// handler all the same, and the differential tests hold the two together.
enum class InlineKind : uint8_t {
  kNone,
  // Pure: the value depends on the arguments alone and nothing changes.
  kAbs,
  kSum,
  kSubtract,
  kMultiply,
  kDivide,
  kLimit,
  kBetween,
  kWrap,
  kFactor512,
  kSqrt512,
  // random: also advances the random source; touches nothing else.
  kRandom,
  // One word of the element that argument 1 names, in line only when that
  // is the running element (`element`): read it; set it to argument 2; add
  // argument 2 to it (32-bit wrapping). Set and add answer 0. The words lie
  // below the brain variables.
  kWordGet,
  kWordSet,
  kWordAdd,
};
struct InlineForm {
  InlineKind kind = InlineKind::kNone;
  uint8_t word = 0;  // the word of a word form
};
constexpr bool is_word_form(InlineKind k) { return k >= InlineKind::kWordGet; }

const Row& row(int index);
InlineForm inline_form(int index);
// Row index of a name (names are compared exactly), or -1. Row names hold
// only lower-case letters, digits and underscores.
int find_row(std::string_view name);
// Rows that share one handler (aliases) have the same leader: the first row
// of the group in table order. A row without aliases leads itself.
int alias_leader(int index);

}  // namespace brain
