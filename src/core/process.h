// Starting another program from a command line: the `run` built-ins and
// the brain editor's outside editor share it.
#pragma once

#include <cstdint>
#include <string_view>

namespace core {

// Splits the command line at blanks ("..." keeps blanks; at most 64
// arguments and 4,096 bytes) and starts the program found on the search
// path. With `wait` it answers once the program has ended (0, or -1 when it
// could not be started); otherwise it answers the process id (-1 when it
// could not be started). An empty command starts nothing and answers -1.
int32_t start_program(std::string_view command, bool wait);

}  // namespace core
