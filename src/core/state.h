// The core subsystem's state: the arena with its pools, the folders, the
// program arguments, the counters that other subsystems share, and the hooks
// through which lower layers show messages.
#pragma once

#include <cstdint>
#include <string>

#include "core/arena.h"
#include "core/pools.h"

namespace core {

constexpr int kMaxProgramArgs = 256;

// The class text: window caption, error-box caption, single-instance lock.
// One array in the executable that everything reads at run time, so that a
// built game's copy of the engine can be given its own name by overwriting
// these 32 bytes (see standalone/engine_copy.h).
constexpr size_t kClassTextBytes = 32;
extern const char kClassText[kClassTextBytes + 1];

// Message services. The shell points them at the tool screen, the platform
// boxes or the headless log; until then they answer as a silent default.
struct Notifier {
  // A modal box with up to two labels; returns 1 or 2 (0 for a notice).
  int (*box)(const std::string& text, const std::string& first, const std::string& second) = nullptr;
  // A notice shown without waiting ("Loading data, please wait...").
  void (*notice)(const std::string& text) = nullptr;
  // The platform error box (caption = class text).
  void (*error)(const std::string& text) = nullptr;
  // A warning that never waits and never shows a box (standard error and
  // the message log).
  void (*warning)(const std::string& text) = nullptr;
};

struct Folders {
  std::string program;    // ends with "/"
  std::string data;       // program + "data/" in a tool installation
  std::string temp_file;  // program + "temp.tmp"
  std::string engine_file;
  std::string error_image;
};

struct State {
  Arena arena;
  Pools pools;
  Folders folders;
  bool tool_installation = false;
  bool no_encryption = false;
  int32_t stand_alone = 0;

  int32_t args[kMaxProgramArgs] = {};
  int32_t arg_count = 0;

  uint32_t pump_count = 0;   // message-pump passes so far
  uint32_t random_pos = 0;   // read offset into random.bin
  int32_t handle_count = 0;  // string and array handles in use (see strings.h)

  Notifier notify;
};

// The one instance, in static storage for the whole process. It is
// initialised before every other static object of the program (so that
// their constructors may use it) and destroyed after them; reading it is a
// plain memory access, with no guard, which matters to the built-ins that
// resolve an element on every call.
extern State g_state;
inline State& state() { return g_state; }

// Reserves the arena and carves the pools (idempotent). False when no low
// mapping can be had.
bool init_memory();

// Message helpers over the notifier.
int box(const std::string& text, const std::string& first, const std::string& second);
void notice(const std::string& text);
void error_box(const std::string& text);
// The system value box: "Value: %g" of the value, a line break, the text.
void value_box(double value, const std::string& text);
// A file that cannot be used and what is taken instead, as a warning once
// per file for the whole process: "Cannot use 'path' (not found); using
// instead instead." or, for a file that is there, "(not <expected>)".
// Paths are shown relative to the program folder.
void file_warning(const std::string& path, const std::string& expected, const std::string& instead);

}  // namespace core
