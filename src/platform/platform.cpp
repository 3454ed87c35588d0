#include "platform/platform.h"

#include "core/state.h"
#include "platform/input_record.h"
#include "platform/state_local.h"

namespace platform {

void set_headless(bool on) { state().headless = on; }
bool headless() { return state().headless; }

void start_clock() { clock_init(state().clock, state().headless); }

uint32_t now() {
  State& s = state();
  if (s.headless) {
    InputScript& script = s.script;
    if (script.next_reading < script.clock_readings.size()) {
      s.clock.virtual_now = script.clock_readings[script.next_reading++];
      // A replay recorded again keeps the readings it was given.
      if (recording()) record_clock_reading(core::state().pump_count, s.clock.virtual_now);
    }
    return s.clock.virtual_now;
  }
  const uint32_t t = clock_now(s.clock);
  if (recording()) record_clock_reading(core::state().pump_count, t);
  return t;
}
uint32_t peek_now() { return clock_now(state().clock); }
void wait_until(uint32_t t) { clock_wait_until(state().clock, t); }
void sleep_ms(uint32_t ms) { clock_sleep_ms(state().clock, ms); }
void advance_clock(uint32_t ticks) { clock_advance(state().clock, ticks); }
void idle_ms(uint32_t ms) { clock_idle_ms(state().clock, ms); }

bool load_input_script(std::string_view text, std::string& error) {
  return parse_input_script(text, state().script, error);
}
void deliver_script(uint32_t pump, MessageQueue& out) { script_deliver(state().script, pump, out); }
bool script_exhausted() { return script_exhausted(state().script); }

}  // namespace platform
