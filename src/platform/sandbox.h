// Running untrusted work (third-party parsers and decoders fed with files a
// project brings) in a child process, so that a hostile input can at worst
// kill the child. The child is a fork of the engine: the job runs on the
// request bytes with a CPU limit, a memory limit and no core dump or error
// output, and its reply comes back through a pipe. The parent waits until a
// wall-clock deadline, and kills the child when it overruns or replies too
// much.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

struct SandboxLimits {
  int seconds = 30;                           // wall-clock deadline and CPU time
  uint64_t memory_bytes = uint64_t{2} << 30;  // address space on top of what is mapped at the fork
  size_t reply_bytes = size_t{1} << 30;       // longest reply taken
};

enum class SandboxResult {
  kDone,          // the child finished; the reply is whatever it wrote
  kNoChild,       // no pipe or no process
  kTimedOut,      // the deadline passed
  kLostChild,     // waiting on the pipe failed
  kReplyTooLong,  // the reply went over SandboxLimits::reply_bytes
  kSignalled,     // the child died of a signal (its reply is not to be trusted)
};

struct SandboxOutcome {
  SandboxResult result = SandboxResult::kNoChild;
  int signal = 0;     // with kSignalled
  std::string reply;  // with kDone
};

// The work of the child: the request bytes in, the reply bytes out. It runs
// in the child only; what it changes there stays there. An exception that
// leaves it ends the child with an empty reply.
using SandboxJob = std::function<std::string(std::string_view request)>;

SandboxOutcome sandbox_run(const SandboxJob& job, std::string_view request, const SandboxLimits& limits);

}  // namespace platform
