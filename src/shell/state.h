// The shell's state: the options of this process, the request it serves and
// the editor state it carries between the front end and the modes.
#pragma once

#include <cstdio>
#include <string>

#include "shell/options.h"
#include "shell/settings.h"

namespace shell {

struct State {
  Options options;
  RunRequest request;
  EditorState editor;
  std::FILE* messages = nullptr;  // --messages log, one JSON object a line
  int32_t exit_code = -1;         // of the last test run
  bool screenshot_taken = false;  // --screenshot was written when a test run ended
};

State& state();

}  // namespace shell
