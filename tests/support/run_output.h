// What a headless run leaves behind, read through the JSON reader: the state
// dump of --dump (engine counters, the 2048 globals, every element's name
// and 256 words) and the message log of --messages (one JSON object a line).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/json.h"

namespace testing_support {

class Dump {
 public:
  // An unreadable or malformed dump gives a Dump whose ok() is false and
  // whose error() says why; its look-ups all answer nullopt.
  static Dump read(const std::string& path);
  static Dump parse(std::string_view text);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const Json& json() const { return root_; }

  // A top-level counter: "tick_count", "frames_drawn", "exit_code",
  // "fog_start", "fog_end", "scene_colour", "sprite_clipping".
  std::optional<int64_t> value(std::string_view key) const;
  std::optional<int64_t> global(int index) const;

  int element_count() const;
  std::optional<std::string> name(int element) const;
  // The index of the first element with that name.
  std::optional<int> element_named(std::string_view name) const;
  std::optional<int64_t> word(int element, int word) const;
  // Brain variable n (1-based, in declaration order) lives in word 256 - n.
  std::optional<int64_t> variable(int element, int n) const;

 private:
  Json root_;
  std::string error_;
};

struct Message {
  std::string kind;  // "notice", "box" or "error"
  std::string text;
  std::vector<std::string> buttons;
  int64_t answer = 0;
};

// The lines of a message log; false (with the fault in *error) when a line
// is not a message object. A missing file reads as no messages.
bool read_messages(const std::string& path, std::vector<Message>& out, std::string* error = nullptr);
bool parse_messages(std::string_view text, std::vector<Message>& out, std::string* error = nullptr);

}  // namespace testing_support
