// The compiler's working memory for one brain, kept between brains so that
// a project compile reuses its buffers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
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
struct PendingJump {
  uint32_t insn;
  char name[kLabelLength];
  std::string label;   // as written, for the message
  std::string prefix;  // line prefix of the jump
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
