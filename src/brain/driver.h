// Compiling every brain of a project: the engine fills a CompileRequest
// from its element records and gets each element's brain entry written
// into its ElementState.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "brain/state.h"

namespace brain {

struct BrainSource {
  std::string name;                 // element name (record field 1)
  std::string path;                 // brain file (record field 4), as the engine resolved it
  std::optional<std::string> text;  // the file's bytes when the engine already has them
};

struct CompileRequest {
  std::vector<BrainSource> elements;  // in element order; at most 256 are used
  bool editor_mode = false;
  uint32_t strings_used = 0;  // bytes of the string pool the loader has filled
  Backend backend = state().backend;
};

struct CompileReport {
  std::vector<int> share;           // index of the element whose compiled brain each one runs
  std::vector<std::string> errors;  // the error of each element that compiled its own, or ""
  bool brain_error = false;         // some brain failed
  bool picking_needed = false;      // some brain calls visual_picked
  uint32_t strings_used = 0;        // the string pool's new fill
};

// Largest brain file read.
constexpr size_t kMaxBrainBytes = 4u << 20;

// The checksum that decides sharing: the wrapping sum of the file's
// little-endian 32-bit words (a trailing 1 to 3 bytes do not count); a file
// of 0 to 3 bytes has its length as checksum.
uint32_t brain_checksum(std::string_view bytes);

// Compiles all brains (element i's entry goes to ElementState word 21 of
// element i); failures show the compile error box, set the brain-error
// flag and leave an empty brain.
CompileReport compile_project(const CompileRequest& request);

}  // namespace brain
