#include "core/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace core {

namespace {

constexpr int kMaxCommandBytes = 4096;
constexpr int kMaxCommandArgs = 64;

// Splits a command line at blanks ("..." keeps blanks) into `argv` inside
// `buf`; the number of arguments.
int split_command(std::string_view cmd, char (&buf)[kMaxCommandBytes], char* (&argv)[kMaxCommandArgs + 1]) {
  int argc = 0;
  size_t out = 0, i = 0;
  while (i < cmd.size() && argc < kMaxCommandArgs) {
    while (i < cmd.size() && (cmd[i] == ' ' || cmd[i] == '\t')) ++i;
    if (i >= cmd.size()) break;
    if (out + 1 >= sizeof buf) break;
    argv[argc++] = buf + out;
    bool quoted = false;
    for (; i < cmd.size(); ++i) {
      const char c = cmd[i];
      if (c == '"') {
        quoted = !quoted;
        continue;
      }
      if (!quoted && (c == ' ' || c == '\t')) break;
      if (c == 0 || out + 1 >= sizeof buf) continue;
      buf[out++] = c;
    }
    buf[out++] = 0;
  }
  argv[argc] = nullptr;
  return argc;
}

}  // namespace

int32_t start_program(std::string_view command, bool wait) {
  char buf[kMaxCommandBytes];
  char* argv[kMaxCommandArgs + 1];
  if (split_command(command, buf, argv) == 0) return -1;
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return -1;
  if (!wait) return pid;
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  return 0;
}

}  // namespace core
