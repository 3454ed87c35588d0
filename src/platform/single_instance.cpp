#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/state_local.h"

namespace platform {

bool single_instance_acquire(const std::string& folder, const char* class_text, int looks, int pause_ms) {
  State& s = state();
  if (s.lock_fd >= 0) return true;
  std::string name(class_text);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  std::string path = folder + "." + name + ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return true;  // a read-only folder cannot hold a lock: run anyway
  for (int look = 0; look < looks; ++look) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      s.lock_fd = fd;
      return true;
    }
    if (look + 1 < looks) clock_sleep_ms(s.clock, static_cast<uint32_t>(pause_ms));
  }
  ::close(fd);
  return false;
}

void single_instance_release() {
  State& s = state();
  if (s.lock_fd >= 0) ::close(s.lock_fd);
  s.lock_fd = -1;
}

}  // namespace platform
