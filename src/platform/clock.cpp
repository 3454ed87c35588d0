#include "platform/clock.h"

#include <time.h>

namespace platform {

namespace {

constexpr uint64_t kCounterFrequency = 1000000000ull;  // nanoseconds

uint64_t counter() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * kCounterFrequency + static_cast<uint64_t>(ts.tv_nsec);
}

void sleep_ns(uint64_t ns) {
  timespec ts{static_cast<time_t>(ns / kCounterFrequency), static_cast<long>(ns % kCounterFrequency)};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace

void clock_init(Clock& clock, bool virtual_time) {
  clock.virtual_time = virtual_time;
  clock.divisor = kCounterFrequency / kTicksPerSecond;
  clock.virtual_now = 0;
}

uint32_t clock_now(const Clock& clock) {
  if (clock.virtual_time) return clock.virtual_now;
  return static_cast<uint32_t>(counter() / clock.divisor);
}

void clock_wait_until(Clock& clock, uint32_t t) {
  if (clock.virtual_time) {
    if (static_cast<int32_t>(t - clock.virtual_now) > 0) clock.virtual_now = t;
    return;
  }
  while (true) {
    int32_t left = static_cast<int32_t>(t - clock_now(clock));
    if (left <= 0) return;
    sleep_ns(static_cast<uint64_t>(left) * clock.divisor);
  }
}

void clock_sleep_ms(Clock& clock, uint32_t ms) {
  if (clock.virtual_time) {
    clock.virtual_now += ms * kTicksPerSecond / 1000;
    return;
  }
  sleep_ns(static_cast<uint64_t>(ms) * 1000000ull);
}

void clock_advance(Clock& clock, uint32_t ticks) {
  if (clock.virtual_time) clock.virtual_now += ticks;
}

void clock_idle_ms(const Clock& clock, uint32_t ms) {
  if (!clock.virtual_time) sleep_ns(static_cast<uint64_t>(ms) * 1000000ull);
}

}  // namespace platform
