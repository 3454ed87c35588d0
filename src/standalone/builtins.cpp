#include "standalone/builtins.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/files.h"
#include "core/state.h"
#include "core/strings.h"
#include "engine/hooks.h"
#include "media/input.h"
#include "platform/platform.h"
#include "standalone/cutscene.h"
#include "standalone/player.h"
#include "standalone/save_file.h"

extern char** environ;

namespace standalone {

namespace {

bool in_player() { return core::state().stand_alone == 1; }

void silence(bool on) {
  if (auto* f = brain::state().general.silence) f(on);
}

void set_exit(int32_t code) {
  if (int32_t* e = brain::state().general.exit_code) *e = code;
}

// The current frame is drawn, then the game written with the sound
// silenced; the time spent writing is not caught up afterwards.
int32_t save_to(int32_t slot) {
  if (!in_player()) return 0;
  Player& p = player();
  p.slot = slot;
  if (auto* draw = engine::hooks().draw_frame) draw();
  silence(true);
  const int32_t hearer = p.hearer_of_sound ? p.hearer_of_sound() : 0;
  if (!core::write_file_atomic(save_path(slot), save_image(p.level, hearer)))
    core::file_warning(save_path(slot), "a writable file", "no saved game");
  silence(false);
  brain::general::restart_deadline();
  return 0;
}

int32_t resume_from(int32_t slot) {
  if (!in_player()) return 0;
  if (!core::file_exists(save_path(slot))) return 0;
  player().slot = slot;
  set_exit(kExitResume);
  return 0;
}

int32_t save() { return save_to(0); }
int32_t save_x(int32_t slot) { return save_to(slot); }
int32_t resume() { return resume_from(0); }
int32_t resume_x(int32_t slot) { return resume_from(slot); }

// A new copy of the game starts with the arguments this one was given; a
// headless run starts none (it would run on unseen), it only ends.
int32_t reset() {
  if (!in_player()) return 0;
  if (!platform::headless()) {
    std::string cmdline;
    core::read_file("/proc/self/cmdline", cmdline, 1u << 16);
    std::vector<char*> argv;
    for (size_t at = 0; at < cmdline.size(); at = cmdline.find('\0', at) + 1) {
      argv.push_back(cmdline.data() + at);
      if (cmdline.find('\0', at) == std::string::npos) break;
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (argv.size() > 1) ::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ);
  }
  set_exit(kExitDesktop);
  return 0;
}

// The video of a path argument in the play_set area.
bool start_video(int32_t a1) {
  std::string path;
  if (!brain::general::path_arg(a1, path)) return false;
  const CutsceneArea area = cutscene_area();
  return cutscene_start(path, area.width, area.height);
}

// play: shows the video to its end; a key press or click ends it early.
int32_t play_video(int32_t a1) {
  if (!start_video(a1)) return 0;
  media::flush();
  while (cutscene_update()) {
    media::pump();
    if (media::key_event_waiting() || media::input().mouse_buttons != 0) break;
    if (!platform::headless()) platform::sleep_ms(5);
  }
  cutscene_stop();
  media::flush();
  brain::general::restart_deadline();
  return 0;
}

int32_t play_task(int32_t a1) {
  start_video(a1);
  return 0;
}

int32_t play_task_status() { return cutscene_update() ? -1 : 0; }

int32_t stop_task() {
  cutscene_stop();
  return 0;
}

}  // namespace

void bind_builtins() {
  brain::bind<save>("save");
  brain::bind<save_x>("save_x");
  brain::bind<resume>("resume");
  brain::bind<resume_x>("resume_x");
  brain::bind<reset>("reset");
  brain::bind<play_video>("play");
  brain::bind<play_task>("play_task");
  brain::bind<play_task_status>("play_task_status");
  brain::bind<stop_task>("stop_task");
}

}  // namespace standalone
