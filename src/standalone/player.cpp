#include "standalone/player.h"

#include <dirent.h>

#include <cstring>
#include <span>
#include <vector>

#include "core/files.h"
#include "core/protect.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/draw.h"
#include "engine/run_loop.h"
#include "engine/state.h"
#include "media/bmp.h"
#include "media/device.h"
#include "media/input.h"
#include "media/sound.h"
#include "platform/platform.h"
#include "project/channel_map.h"
#include "project/project_file.h"
#include "standalone/cutscene.h"
#include "standalone/save_file.h"

namespace standalone {

namespace {

// Headless, levels that keep going to one another would never end.
constexpr int kMaxHeadlessLevels = 1000;

const std::string& program() { return core::state().folders.program; }

std::string three_digits(int32_t n) {
  const uint32_t v = static_cast<uint32_t>(n) % 1000u;
  std::string s = std::to_string(v);
  return std::string(3 - s.size(), '0') + s;
}

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string file_name(const std::string& path) {
  const size_t p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

// Waits until every key and button is up, then for a key or a click.
// Headless, once the input script is used up, Escape answers it.
void wait_any_input() {
  media::flush();
  for (;;) {
    media::pump();
    if (media::key_event_waiting()) {
      media::next_key_event();
      break;
    }
    if (media::input().mouse_buttons != 0) break;
    if (platform::headless() && media::input_exhausted()) media::inject_default_key(false);
    if (!platform::headless()) platform::sleep_ms(5);
  }
  media::flush();
}

// Shows a bitmap over the whole frame; false when it cannot be read or
// decoded (nothing is shown). A protected image is restored in memory.
bool show_image(const std::string& path) {
  std::string bytes;
  if (path.empty() || path.back() == '/' || !core::file_exists(path) || !core::read_resource(path, bytes, 64u << 20))
    return false;
  media::Bitmap bitmap;
  const std::span<const uint8_t> view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (media::decode_bmp(view, bitmap) != media::BmpResult::ok) {
    core::file_warning(path, "a BMP image", "nothing");
    return false;
  }
  engine::show_bitmap(bitmap);
  return true;
}

// Working brain copies are of no use once the brains are compiled.
void remove_working_brains() {
  DIR* d = ::opendir(program().c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() > 4 && lower(name.substr(name.size() - 4)) == ".bra") names.push_back(name);
  }
  ::closedir(d);
  for (const std::string& n : names) core::remove_file(program() + n);
}

void read_globals() {
  const core::Pool& g = core::state().pools.globals;
  std::memset(g.bytes(), 0, g.size);
  core::read_into(program() + "globvars.dat", g.bytes(), core::kGlobalCount * 4);
}

void write_globals() {
  const core::Pool& g = core::state().pools.globals;
  core::write_file_atomic(program() + "globvars.dat", std::string_view(g.as<char>(), core::kGlobalCount * 4));
}

// The loading picture: the cut-scene of the same base name when there is
// one, otherwise the image itself.
void show_loading(const std::string& image) {
  media::clear_display();
  if (image.size() > 4) {
    const std::string video = image.substr(0, image.size() - 4) + ".avi";
    if (core::file_exists(video)) {
      int32_t w = 0, h = 0;
      cutscene_size(video, w, h);
      // Before the first level the sound system has not started; the
      // scene build starts it afresh, and the video's sound goes on after
      // the load.
      if (!media::sound_available()) media::start_sound_system();
      if (cutscene_start(video, w, h)) return;
    }
  }
  show_image(image);
}

void show_load_complete(const std::string& image) {
  if (lower(file_name(image)) == "black_.bmp") return;
  // The cut-scene plays on until it ends or a key or button is pressed.
  while (cutscene_update()) {
    media::pump();
    if (media::any_key() != 0 || media::input().mouse_buttons != 0 || media::key_event_waiting()) break;
    if (platform::headless() && media::input_exhausted()) break;
    if (!platform::headless()) platform::sleep_ms(5);
  }
  cutscene_stop();
  if (!show_image(image)) return;
  wait_any_input();
  media::clear_display();
}

// The level file restored into the temporary file and loaded from there;
// false (after a message) when it does not hold a project.
bool load_level(const std::string& path) {
  const std::string& temp = core::state().folders.temp_file;
  std::string description;
  bool ok = core::unprotected_copy(path, temp);
  std::string text;
  if (ok) ok = core::read_file(temp, text, 16) && !text.empty();
  if (ok) ok = project::load_project(temp, description);
  core::remove_file(temp);
  if (!ok) {
    core::box("The level file '" + file_name(path) + "' is damaged, the game ends.", " OK ", " OK ");
    return false;
  }
  project::load_col(project::col_path(path));
  return true;
}

}  // namespace

Player& player() {
  static Player p;
  return p;
}

std::string level_path(int32_t level) { return program() + "level" + three_digits(level) + ".prj"; }

void level_images(int32_t level, std::string& loading, std::string& complete) {
  loading = complete = program();
  std::string text;
  if (level < 1 || !core::read_file(program() + "multilev.ini", text, 1u << 20)) return;
  core::LineReader lines(text);
  std::string_view line;
  for (int32_t i = 0; i < level; ++i) line = lines.next();
  if (lines.at_end()) return;
  // The build writes bare file names; any folder part is dropped, so that
  // a list cannot point outside the game's folder.
  loading += file_name(core::slashes_forward(core::field(line, 1)));
  complete += file_name(core::slashes_forward(core::field(line, 2)));
}

void cutscene_size(const std::string& path, int32_t& width, int32_t& height) {
  width = height = 0;
  const std::string name = file_name(path);
  const size_t bar = name.find('_');
  if (bar == std::string::npos) return;
  const std::string rest = name.substr(bar + 1);
  const size_t x = rest.find_first_of("xX");
  if (x == std::string::npos) return;
  const int32_t w = core::text_to_int(rest.substr(0, x));
  const int32_t h = core::text_to_int(rest.substr(x + 1));
  if (w > 0 && h > 0) {
    width = w;
    height = h;
  }
}

void run_level(const std::string& path) {
  Player& p = player();
  media::flush();
  media::wait_release();
  read_globals();

  std::string loading, complete;
  if (p.resuming) {
    loading = program() + "resume_.bmp";
  } else {
    level_images(p.level, loading, complete);
  }
  show_loading(loading);

  if (!load_level(path)) {
    cutscene_stop();
    p.resuming = false;
    p.exit_code = kExitEndScreen;
    return;
  }
  engine::run_begin();
  const bool loaded = engine::run_load(false);
  remove_working_brains();

  std::string saved;
  if (p.resuming) {
    core::read_file(save_path(p.slot), saved, kSaveBytes);
    int32_t level = 0;
    save_header(saved, level, p.hearer);
  } else {
    show_load_complete(complete);
  }
  cutscene_stop();
  engine::set_exit_code(kExitNone);
  core::remove_file(core::state().folders.temp_file);
  if (p.resuming) {
    if (!apply_save(saved))
      core::box("The saved game is damaged and was not resumed.", " OK ", " OK ");
    else if (p.set_hearer_of_sound)
      p.set_hearer_of_sound(p.hearer);
    engine::set_tick_count(10000);
    p.resuming = false;
  }
  if (loaded) engine::run_loop();
  p.exit_code = engine::run_end();
  write_globals();
  media::flush();
  media::wait_release();
}

int32_t play() {
  Player& p = player();
  p.level = -1;
  p.exit_code = 1;
  for (int played = 0;; ++played) {
    if (platform::headless() && played == kMaxHeadlessLevels) {
      if (auto* warn = core::state().notify.warning)
        warn("A headless game ends after " + std::to_string(kMaxHeadlessLevels) + " levels.");
      p.exit_code = kExitEndScreen;
      break;
    }
    const std::string path = level_path(p.exit_code);
    if (!core::file_exists(path)) {
      if (p.exit_code > 0) core::box("Sub-project " + three_digits(p.exit_code) + " not found, error!", " OK ", " OK ");
      break;
    }
    p.level_path = path;
    p.level = p.exit_code;
    run_level(path);
    if (p.exit_code == kExitResume) {
      std::string saved;
      int32_t level = 0, hearer = 0;
      core::read_file(save_path(p.slot), saved, kSaveBytes);
      if (!save_header(saved, level, hearer)) {
        core::box("The saved game 'curr" + std::to_string(p.slot) + ".dat' is damaged and was not resumed.", " OK ",
                  " OK ");
        p.exit_code = kExitEndScreen;
        break;
      }
      p.exit_code = level;
      p.resuming = true;
      continue;
    }
    if (p.exit_code == kExitDesktop || p.exit_code == kExitEndScreen || p.exit_code == kExitNone ||
        p.exit_code == kExitPlain)
      break;
  }
  if (p.exit_code != kExitDesktop) {
    media::clear_display();
    if (show_image(core::state().folders.data + "end_.bmp")) wait_any_input();
  }
  cutscene_stop();
  return p.exit_code;
}

}  // namespace standalone
