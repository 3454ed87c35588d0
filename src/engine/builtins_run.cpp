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

// Shows the current frame, waits for a fresh key or button with the sound
// silenced, and does not catch up the paused time.
int32_t pause() {
  State& s = state();
  if (hooks().draw_frame) hooks().draw_frame();
  media::sound_silence(true);
  platform::sleep_ms(500);
  media::flush();
  while (true) {
    media::pump();
    if (media::key_event_waiting() || media::any_key() != 0 || media::input().mouse_buttons != 0) break;
    if (media::input_exhausted()) media::inject_default_key(false);
    if (!platform::headless()) platform::sleep_ms(5);
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
