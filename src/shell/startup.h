// Process start-up: the steps from the command line to the dispatcher and
// the release of everything afterwards.
#pragma once

namespace shell {

// Runs the engine for this process; returns the process exit status.
int run_engine(int argc, const char* const* argv);

}  // namespace shell
