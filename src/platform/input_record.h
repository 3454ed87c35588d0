// Input recording (--record-input FILE): every window message of a run, with
// the message-pump pass it arrived at, written as an input script, so that
// `--headless --input-script FILE` replays the session. The joysticks'
// changes are messages too; a desktop run also records every reading of its
// clock, which a replay answers in order.
//
// The file is written atomically when the run ends, and also when the
// process is ended early by a signal (an interrupt, a termination request,
// or a crash), from the buffer as it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace platform {

// Starts recording into `path` (made absolute against the current folder).
// `header` becomes comment lines at the top of the file. False for an empty
// path.
bool record_start(const std::string& path, std::string_view header);
bool recording();

// One message delivered at pump pass `pump`.
void record_message(uint32_t pump, const Message& m);
// One reading `t` of the engine clock, taken after `pump` pump passes.
void record_clock_reading(uint32_t pump, uint32_t t);

// The recording so far (for tests).
std::string_view recorded_text();

// Writes the file and stops recording; false when it cannot be written.
// Unless the run's input was used up (a headless script with no event
// left), a last event that changes nothing is put at the pump pass after
// the last one, so that a replay never runs out of input where the
// recorded run did not (and takes the headless defaults of Escape and
// Enter only where it did).
bool record_finish(uint32_t next_pump);

}  // namespace platform
