// The run loop's built-ins: exit, max_framerate, max_framerate_set, pause.
#include "brain/bind.h"
#include "engine/builtins.h"
#include "engine/hooks.h"
#include "engine/run_loop.h"
#include "engine/state.h"
#include "media/input.h"
#include "media/sound.h"
#include "platform/platform.h"

namespace engine {

namespace {

int32_t exit_run(int32_t code) {
  state().loop.exit_code = code;
  return code;
}

int32_t max_framerate() { return state().loop.max_framerate; }

int32_t max_framerate_set(int32_t n) {
  set_max_framerate(n);
  return state().loop.max_framerate;
}

// Shows the current frame, waits for a fresh key, mouse button or joystick
// button with the sound silenced, and does not catch up the paused time.
int32_t pause() {
  State& s = state();
  if (hooks().draw_frame) hooks().draw_frame();
  media::sound_silence(true);
  platform::sleep_ms(500);
  media::flush();
  // A joystick button counts once it has been up since the pause began.
  bool joystick_fresh = false;
  while (true) {
    media::pump();
    if (hooks().poll_joysticks) hooks().poll_joysticks();
    if (media::key_event_waiting() || media::any_key() != 0 || media::input().mouse_buttons != 0) break;
    bool joystick_down = false;
    for (const platform::JoystickState& j : media::input().joy) joystick_down |= j.present && j.buttons != 0;
    if (joystick_down && joystick_fresh) break;
    if (!joystick_down) joystick_fresh = true;
    if (media::input_exhausted()) media::inject_default_key(false);
    platform::idle_ms(5);
  }
  media::next_key_event();
  media::sound_silence(false);
  s.loop.next_deadline = platform::now() + static_cast<uint32_t>(s.loop.tick_length);
  return 0;
}

}  // namespace

void bind_run_builtins() {
  brain::bind<exit_run>("exit");
  brain::bind<max_framerate>("max_framerate");
  brain::bind<max_framerate_set>("max_framerate_set");
  brain::bind<pause>("pause");
}

}  // namespace engine
