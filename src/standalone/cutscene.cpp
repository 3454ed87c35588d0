#include "standalone/cutscene.h"

#include "core/files.h"
#include "core/state.h"
#include "media/device.h"
#include "platform/blit.h"
#include "platform/gl_device.h"
#include "platform/movie.h"
#include "platform/platform.h"
#include "platform/scene.h"

namespace standalone {

namespace {

struct Cutscene {
  CutsceneAreaSource area_source = nullptr;
  CutsceneSound sound = nullptr;
  bool playing = false;
  bool have = false;  // `frame` is decoded and not shown yet
  platform::MovieFrame frame;
  double first = 0;    // the first frame's time
  uint32_t start = 0;  // platform::now() when it was shown
  int left = 0, top = 0;
};

Cutscene& cs() {
  static Cutscene c;
  return c;
}

// The sound decoded along with the frames goes to the sound system.
void pass_sound(const Cutscene& c) {
  const platform::MovieSound s = platform::movie_sound();
  if (c.sound && s.frames > 0) c.sound(s.samples, s.frames, s.rate, s.channels);
}

void show(Cutscene& c) {
  const int t = platform::texture_create(c.frame.pixels, c.frame.width, c.frame.height);
  if (t >= 0) {
    const media::DisplayMode mode = media::display_mode_info(media::current_display_mode());
    platform::frame_blit(t, 0, 0, c.frame.width, c.frame.height, c.left, c.top, {0, 0, mode.width - 1, mode.height - 1},
                         false);
    platform::frame_present();
    platform::texture_delete(t);
  }
  c.have = platform::movie_next(c.frame);
  pass_sound(c);
}

}  // namespace

void set_cutscene_area_source(CutsceneAreaSource source) { cs().area_source = source; }
CutsceneArea cutscene_area() { return cs().area_source ? cs().area_source() : CutsceneArea{}; }
void set_cutscene_sound(CutsceneSound sink) { cs().sound = sink; }

bool cutscene_start(const std::string& path, int32_t width, int32_t height) {
  cutscene_stop();
  if (path.empty() || !core::file_exists(path)) return false;
  const media::DisplayMode mode = media::display_mode_info(media::current_display_mode());
  if (width <= 0 || height <= 0) {
    width = mode.width;
    height = mode.height;
  }
  if (!platform::movie_open(path, width, height)) {
    core::file_warning(path, "a video", "no cut-scene");
    return false;
  }
  Cutscene& c = cs();
  c.have = platform::movie_next(c.frame);
  if (!c.have) {
    platform::movie_close();
    return false;
  }
  c.playing = true;
  pass_sound(c);
  c.first = c.frame.seconds;
  c.start = platform::now();
  c.left = (mode.width - c.frame.width) / 2;
  c.top = (mode.height - c.frame.height) / 2;
  media::clear_display();
  show(c);
  return true;
}

// Headless runs show one frame a call, so that they do not hang on the
// clock; otherwise every frame that is due is shown (the last of them is
// what stays on the display).
bool cutscene_update() {
  Cutscene& c = cs();
  if (!c.playing) return false;
  if (platform::headless()) {
    if (c.have) show(c);
  } else {
    const double elapsed = static_cast<double>(platform::now() - c.start) / 4500.0;
    while (c.have && c.frame.seconds - c.first <= elapsed) show(c);
  }
  if (!c.have) cutscene_stop();
  return c.playing;
}

bool cutscene_playing() { return cs().playing; }

void cutscene_stop() {
  Cutscene& c = cs();
  if (c.playing && c.sound) c.sound(nullptr, 0, 0, 0);
  c.playing = false;
  c.have = false;
  c.frame = {};
  platform::movie_close();
}

}  // namespace standalone
