// The compiler's working memory for one brain, kept between brains so that
// a project compile reuses its buffers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "brain/ir.h"
#include "brain/variables.h"

namespace brain {

constexpr int kLabelLength = 16;
constexpr int kMaxLabels = 102;
constexpr int kControlDepth = 1024;  // including the bottom marker
constexpr uint32_t kControlMarker = 0xF1CAAC1Fu;
constexpr int kTempSlots = 1024;

struct Label {
  char name[kLabelLength];  // lower case, padded with blanks
  uint32_t insn;            // index of the instruction it names
};

// A goto or gosub waiting for its label.
// Its line is kept as the brain text has it, so that the message of a
// missing label is built only when it is needed.
struct PendingJump {
  uint32_t insn;
  char name[kLabelLength];
  std::string_view physical;  // the jump's line in the brain text
  int32_t number;             // its line number
  uint32_t label_at;          // the label as written: its place in the prepared line
  uint32_t label_size;
};

// The first instruction of a line that produced code (for listings).
struct LineMark {
  uint32_t insn;
  int32_t line;  // physical line number, from 1
};

struct Workspace {
  std::vector<Insn> ir;
  std::vector<LineMark> lines;
  std::vector<Variable> vars;
  std::array<Label, kMaxLabels> labels;
  int label_count = 0;
  std::array<uint32_t, kControlDepth> control;
  int control_count = 0;
  std::vector<PendingJump> pending;
  bool picks = false;                         // the brain calls visual_picked
  std::array<uint32_t, kTempSlots> producer;  // while settling a statement's temporaries
  std::string last_prefix;                    // line prefix of the last line (for late errors)
};

}  // namespace brain
