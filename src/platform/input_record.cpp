#include "platform/input_record.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/state.h"
#include "platform/input_script.h"
#include "platform/platform.h"

namespace platform {

namespace {

constexpr size_t kPathBytes = 4096;
constexpr size_t kFirstCapacity = 1u << 20;

// The text so far lives in a buffer that a signal handler may read at any
// moment: the bytes are written before the length that covers them, and a
// grown buffer is published before the old one is freed.
struct Recorder {
  bool active = false;
  pid_t owner = 0;  // a forked child (the sandbox) writes nothing
  std::atomic<char*> data{nullptr};
  std::atomic<size_t> length{0};
  size_t capacity = 0;
  char path[kPathBytes] = {};
  char temp[kPathBytes + 32] = {};
  std::string line;  // scratch for one event
};

Recorder& recorder() {
  static Recorder r;
  return r;
}

void append(std::string_view text) {
  Recorder& r = recorder();
  const size_t used = r.length.load(std::memory_order_relaxed);
  if (used + text.size() > r.capacity) {
    size_t grown = r.capacity ? r.capacity * 2 : kFirstCapacity;
    while (grown < used + text.size()) grown *= 2;
    char* fresh = new char[grown];
    char* old = r.data.load(std::memory_order_relaxed);
    if (used) std::memcpy(fresh, old, used);
    r.data.store(fresh, std::memory_order_release);
    r.capacity = grown;
    delete[] old;
  }
  std::memcpy(r.data.load(std::memory_order_relaxed) + used, text.data(), text.size());
  r.length.store(used + text.size(), std::memory_order_release);
}

// Async-signal-safe pieces: raw writes and a decimal number.
bool write_all(int fd, const char* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

size_t decimal(uint32_t v, char* out) {
  char digits[10];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  for (size_t i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  return n;
}

// Writes the buffer and, unless the input was used up, the closing event
// at `next_pump` to the temporary name, then renames it. Safe in a signal
// handler.
bool write_recording(uint32_t next_pump) {
  Recorder& r = recorder();
  const int fd = ::open(r.temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = write_all(fd, r.data.load(std::memory_order_acquire), r.length.load(std::memory_order_acquire));
  if (ok && !(headless() && script_exhausted())) {
    static constexpr char kNote[] = "# the input went on: nothing changes at the next pump\n";
    static constexpr char kEnd[] = " stall 0\n";
    char pump[12];
    const size_t n = decimal(next_pump, pump);
    ok = write_all(fd, kNote, sizeof kNote - 1) && write_all(fd, pump, n) && write_all(fd, kEnd, sizeof kEnd - 1);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(r.temp, r.path) != 0) ok = false;
  if (!ok) ::unlink(r.temp);
  return ok;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// An early end: the recording is written, and the signal then does what it
// would have done. The first ending signal writes; one that another thread
// takes meanwhile (a supervisor often signals the process and its group)
// waits for the process to end rather than ending it half-written.
std::atomic<int> g_ending{0};

void on_signal(int sig) {
  int expected = 0;
  if (!g_ending.compare_exchange_strong(expected, 1)) {
    for (;;) ::pause();
  }
  if (recorder().active && ::getpid() == recorder().owner) {
    recorder().active = false;
    write_recording(core::state().pump_count);
  }
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  // Blocked while the handler runs: arrives, with its default action, on return.
  ::raise(sig);
}

constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction before[kSignalCount];

// Installs the handler, or puts back what was there before it.
void catch_signals(bool on) {
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sa.sa_flags = 0;
  sigemptyset(&sa.sa_mask);
  for (int sig : kSignals) sigaddset(&sa.sa_mask, sig);
  for (int i = 0; i < kSignalCount; ++i) {
    if (on)
      ::sigaction(kSignals[i], &sa, &before[i]);
    else
      ::sigaction(kSignals[i], &before[i], nullptr);
  }
}

}  // namespace

bool record_start(const std::string& path, std::string_view header) {
  Recorder& r = recorder();
  if (path.empty()) return false;
  std::string full = path;
  if (full[0] != '/') {
    char cwd[kPathBytes];
    if (!::getcwd(cwd, sizeof cwd)) return false;
    full = std::string(cwd) + "/" + full;
  }
  const std::string temp = full + ".tmp" + std::to_string(::getpid());
  if (temp.size() >= sizeof r.temp) return false;
  std::memcpy(r.path, full.c_str(), full.size() + 1);
  std::memcpy(r.temp, temp.c_str(), temp.size() + 1);
  r.length.store(0);
  r.line.reserve(128);
  size_t at = 0;
  while (at < header.size()) {
    size_t nl = header.find('\n', at);
    if (nl == std::string_view::npos) nl = header.size();
    append("# ");
    append(header.substr(at, nl - at));
    append("\n");
    at = nl + 1;
  }
  r.active = true;
  r.owner = ::getpid();
  catch_signals(true);
  return true;
}

bool recording() { return recorder().active; }

void record_message(uint32_t pump, const Message& m) {
  Recorder& r = recorder();
  if (!r.active) return;
  r.line.clear();
  format_script_event(pump, m, r.line);
  append(r.line);
}

void record_clock_reading(uint32_t pump, uint32_t t) {
  Recorder& r = recorder();
  if (!r.active) return;
  r.line.clear();
  format_clock_reading(pump, t, r.line);
  append(r.line);
}

std::string_view recorded_text() {
  const Recorder& r = recorder();
  const char* data = r.data.load();
  return data ? std::string_view(data, r.length.load()) : std::string_view();
}

bool record_finish(uint32_t next_pump) {
  Recorder& r = recorder();
  if (!r.active) return false;
  r.active = false;
  catch_signals(false);
  return write_recording(next_pump);
}

}  // namespace platform
