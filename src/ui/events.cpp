#include "ui/events.h"

#include "media/input.h"
#include "platform/minimise.h"
#include "platform/platform.h"
#include "ui/screen.h"
#include "ui/state_local.h"

namespace ui {

namespace {

// The pause of a pass with a display, so that a waiting tool leaves the
// processor alone.
constexpr uint32_t kIdleMs = 5;
constexpr uint32_t kMinimiseGraceTicks = platform::kTicksPerSecond;

void idle() {
  if (!platform::headless()) platform::sleep_ms(kIdleMs);
}

}  // namespace

void mark_dirty() { state().dirty = true; }

void wait_begin(bool stretched) {
  State& u = state();
  u.stretched = stretched;
  media::flush();
  u.last_buttons = media::input().mouse_buttons;
  present();
}

Event wait_event(bool box) {
  State& u = state();
  const media::Input& in = media::input();
  if (u.dirty || in.mouse_x != u.shown_x || in.mouse_y != u.shown_y) present();
  idle();
  media::pump();
  if (media::input_exhausted() && !media::key_event_waiting()) media::inject_default_key(box);
  Event e;
  e.ch = media::next_key_event();
  e.scancode = in.current_scancode;
  e.x = in.mouse_x;
  e.y = in.mouse_y;
  e.buttons = in.mouse_buttons;
  // A press seen in this pass counts even when the button is up again.
  e.pressed = (in.mouse_buttons | media::take_button_presses()) & ~u.last_buttons;
  u.last_buttons = in.mouse_buttons;
  return e;
}

int32_t modifiers() { return media::modifiers(); }

void minimise_and_wait() {
  media::Input& in = media::input();
  // The activation flag belongs to the tool screen's minimise handling: it
  // is cleared here and set again by the window procedure.
  in.activated = 0;
  platform::window_minimise();
  const uint32_t start = platform::now();
  bool seen_inactive = false;
  while (true) {
    // Headless too, so that a script that never minimises the window ends
    // the wait after its second of virtual time.
    platform::sleep_ms(kIdleMs);
    media::pump();
    if (!media::window_active()) seen_inactive = true;
    if (in.activated && media::window_active()) break;
    if (!seen_inactive && platform::now() - start > kMinimiseGraceTicks) break;
    if (media::input_exhausted()) break;
  }
  state().last_buttons = in.mouse_buttons;
  media::take_button_presses();
  present();
}

}  // namespace ui
