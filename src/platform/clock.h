// The engine clock: ticks of 1/4500 s as a wrapping 32-bit value. Headless
// runs use a virtual clock that moves only when the engine waits, so they are
// deterministic and as fast as the machine allows.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

struct Clock {
  bool virtual_time = false;
  uint64_t divisor = 1;  // counter units per tick
  uint32_t virtual_now = 0;
};

void clock_init(Clock& clock, bool virtual_time);
uint32_t clock_now(const Clock& clock);
// Waits until the (wrapping) tick `t`; the virtual clock jumps there.
void clock_wait_until(Clock& clock, uint32_t t);
// Waits `ms` milliseconds (virtual clock: advances by that many ticks).
void clock_sleep_ms(Clock& clock, uint32_t ms);
// Moves the virtual clock forward (no effect on the real clock).
void clock_advance(Clock& clock, uint32_t ticks);
// Waits `ms` milliseconds of real time; a virtual clock neither waits nor
// moves (a desktop pause while waiting for the user).
void clock_idle_ms(const Clock& clock, uint32_t ms);

}  // namespace platform
