#include "platform/sandbox.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "core/files.h"
#include "core/text.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILL_SANDBOX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILL_SANDBOX_ASAN 1
#endif
#endif

namespace platform {

namespace {

void limit_child(const SandboxLimits& limits) {
  struct rlimit none = {0, 0};
  setrlimit(RLIMIT_CORE, &none);
  const auto seconds = static_cast<rlim_t>(std::max(limits.seconds, 1));
  struct rlimit cpu = {seconds, seconds + 1};
  setrlimit(RLIMIT_CPU, &cpu);
#ifndef QUILL_SANDBOX_ASAN  // AddressSanitizer maps terabytes of shadow memory up front
  std::string statm;
  if (core::read_file("/proc/self/statm", statm, 256)) {
    const uint64_t mapped = static_cast<uint64_t>(core::text_to_int(statm)) *
                            static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    struct rlimit as = {mapped + limits.memory_bytes, mapped + limits.memory_bytes};
    setrlimit(RLIMIT_AS, &as);
  }
#endif
  // A crash of the job is expected for hostile input; its report would only
  // be noise in the engine's output.
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) ::dup2(null, STDERR_FILENO);
}

[[noreturn]] void child_main(int fd, const SandboxJob& job, std::string_view request, const SandboxLimits& limits) {
  limit_child(limits);
  std::string reply;
  try {
    reply = job(request);
  } catch (...) {
    ::_exit(1);
  }
  size_t done = 0;
  while (done < reply.size()) {
    const ssize_t n = ::write(fd, reply.data() + done, reply.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::_exit(0);
}

}  // namespace

SandboxOutcome sandbox_run(const SandboxJob& job, std::string_view request, const SandboxLimits& limits) {
  SandboxOutcome out;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return out;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return out;
  }
  if (pid == 0) {
    ::close(fds[0]);
    child_main(fds[1], job, request, limits);
  }
  ::close(fds[1]);

  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limits.seconds);
  out.result = SandboxResult::kDone;
  std::vector<char> buffer(size_t{1} << 16);
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      out.result = SandboxResult::kTimedOut;
      break;
    }
    pollfd p = {fds[0], POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
    if (r < 0 && errno != EINTR) {
      out.result = SandboxResult::kLostChild;
      break;
    }
    if (r <= 0) continue;
    const ssize_t n = ::read(fds[0], buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;  // the child closed its end
    if (out.reply.size() + static_cast<size_t>(n) > limits.reply_bytes) {
      out.result = SandboxResult::kReplyTooLong;
      break;
    }
    out.reply.append(buffer.data(), static_cast<size_t>(n));
  }
  ::close(fds[0]);
  if (out.result != SandboxResult::kDone) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (out.result == SandboxResult::kDone && WIFSIGNALED(status)) {
    out.result = SandboxResult::kSignalled;
    out.signal = WTERMSIG(status);
  }
  if (out.result != SandboxResult::kDone) out.reply.clear();
  return out;
}

}  // namespace platform
