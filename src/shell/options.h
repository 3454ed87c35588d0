// The command line: this program's own long options, and the "/n" integer
// arguments that brains read with par_count and par_get.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

struct Options {
  bool help = false;
  bool version = false;
  bool headless = false;
  bool windowed = false;
  std::string init_install;   // --init-install DIR
  std::string messages;       // --messages FILE
  std::string input_script;   // --input-script FILE
  std::string record_input;   // --record-input FILE
  std::string dump;           // --dump FILE
  std::string screenshot;     // --screenshot FILE.png
  std::string record_audio;   // --record-audio FILE.wav
  int64_t ticks = -1;         // --ticks N
  std::string builtins;       // --builtins[=text|json]: "text" or "json"
  std::string brain_listing;  // --brain-listing FILE.brn
  std::string command_line;   // everything else, joined by blanks
  std::string error;          // a malformed option
};

Options parse_options(int argc, const char* const* argv);
std::string usage();

// The "/n" parser: at most `capacity` values are kept. Returns the count.
int parse_program_args(std::string_view command_line, int32_t* values, int capacity);

}  // namespace shell
