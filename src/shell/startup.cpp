#include "shell/startup.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brain/driver.h"
#include "brain/errors.h"
#include "brain/listing.h"
#include "core/angles.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/config.h"
#include "media/device.h"
#include "media/font.h"
#include "media/input.h"
#include "platform/input_record.h"
#include "platform/joystick.h"
#include "media/sound.h"
#include "media/pcx.h"
#include "net/session.h"
#include "platform/single_instance.h"
#include "platform/platform.h"
#include "platform/video.h"
#include "shell/bindings.h"
#include "shell/builtin_list.h"
#include "shell/defaults.h"
#include "shell/dispatcher.h"
#include "shell/install.h"
#include "shell/messages.h"
#include "shell/state.h"
#include "ui/panels.h"

namespace shell {

namespace {

constexpr char kVersion[] = "quill 0.1.0";
constexpr int kInstanceLooks = 11;
constexpr int kInstancePauseMs = 500;

std::string current_folder() {
  char buf[4096];
  std::string f = ::getcwd(buf, sizeof buf) ? core::slashes_forward(buf) : std::string(".");
  if (f.empty() || f.back() != '/') f += '/';
  return f;
}

// The comment at the top of an input recording: how to replay it.
std::string recording_header(const Options& o) {
  std::string replay = "quill --headless --input-script FILE";
  if (o.ticks >= 0) replay += " --ticks " + std::to_string(o.ticks);
  if (!o.command_line.empty()) replay += " " + o.command_line;
  std::string h = "input recorded by " + std::string(kVersion) + (o.headless ? " (headless run)" : " (desktop run)");
  return h + "\nreplay: " + replay;
}

void finish_recording() {
  if (!platform::recording()) return;
  const std::string& path = state().options.record_input;
  if (!platform::record_finish(core::state().pump_count))
    std::fprintf(stderr, "quill: cannot write %s\n", path.c_str());
}

void set_folders() {
  core::State& c = core::state();
  c.folders.program = current_folder();
  c.tool_installation = core::file_exists(c.folders.program + "runmode.ini");
  c.folders.data = c.tool_installation ? c.folders.program + "data/" : c.folders.program;
  c.folders.temp_file = c.folders.program + "temp.tmp";
  if (c.tool_installation) c.folders.engine_file = "engine.dll";
}

// The interface image: data folder + "panels.pcx", or the one generated for
// new installations when that is missing or unusable.
void load_interface_image() {
  const std::string path = core::state().folders.data + "panels.pcx";
  if (ui::load_panels(path)) return;
  core::file_warning(path, "an interface image 128 pixels wide", "the built-in one");
  const std::string fallback = default_panels_pcx(false);
  ui::use_panels(media::as_bytes(fallback));
}

// --brain-listing FILE: the compiled form of one brain file, with the built-ins
// this build binds (rows written in line show as machine code). Exit status 1
// when the file cannot be read or does not compile.
int print_brain_listing(const std::string& path) {
  std::string text;
  bool truncated = false;
  if (!core::read_file(path, text, brain::kMaxBrainBytes, &truncated)) {
    std::fprintf(stderr, "quill: %s\n", brain::msg::brain_not_found(path).c_str());
    return 1;
  }
  if (truncated) {
    std::fprintf(stderr, "quill: %s: %s\n", path.c_str(), std::string(brain::msg::kFileTooLarge).c_str());
    return 1;
  }
  bind_builtins();
  const std::string list = brain::listing(text, brain::kDefaultBackend);
  std::fputs(list.c_str(), stdout);
  return list.rfind("error: ", 0) == 0 ? 1 : 0;
}

}  // namespace

int run_engine(int argc, const char* const* argv) {
  // The low arena comes before anything else, so every pool lies below 2 GiB.
  if (!core::init_memory()) {
    std::fprintf(stderr, "quill: cannot reserve working memory below 2 GiB\n");
    return 1;
  }
  State& s = state();
  core::State& c = core::state();

  s.options = parse_options(argc, argv);
  if (!s.options.error.empty()) {
    std::fprintf(stderr, "quill: %s\n%s", s.options.error.c_str(), usage().c_str());
    return 2;
  }
  if (s.options.help) {
    std::fputs(usage().c_str(), stdout);
    return 0;
  }
  if (s.options.version) {
    std::printf("%s\n", kVersion);
    return 0;
  }
  // --builtins: the built-in table with what this build binds, and nothing else.
  if (!s.options.builtins.empty()) {
    bind_builtins();
    const std::string list = s.options.builtins == "json" ? builtin_list_json() : builtin_list_text();
    std::fputs(list.c_str(), stdout);
    return 0;
  }
  if (!s.options.brain_listing.empty()) return print_brain_listing(s.options.brain_listing);
  if (!s.options.init_install.empty()) {
    std::string error;
    if (!init_install(s.options.init_install, error)) {
      std::fprintf(stderr, "quill: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }

  platform::set_headless(s.options.headless);
  if (!s.options.messages.empty() && !open_message_log(s.options.messages)) {
    std::fprintf(stderr, "quill: cannot open %s\n", s.options.messages.c_str());
    return 2;
  }
  if (!s.options.input_script.empty()) {
    std::string text, error;
    if (!core::read_file(s.options.input_script, text, 16u << 20)) {
      std::fprintf(stderr, "quill: cannot read %s\n", s.options.input_script.c_str());
      return 2;
    }
    if (!platform::load_input_script(text, error)) {
      std::fprintf(stderr, "quill: %s\n", error.c_str());
      return 2;
    }
  }
  if (!s.options.record_input.empty()) {
    // Before the clock starts: a desktop run that records reads it in steps.
    if (!platform::record_start(s.options.record_input, recording_header(s.options))) {
      std::fprintf(stderr, "quill: cannot record input into %s\n", s.options.record_input.c_str());
      return 2;
    }
    std::atexit(finish_recording);
  }
  bind_message_services();

  // 1. The program arguments.
  c.arg_count = parse_program_args(s.options.command_line, c.args, core::kMaxProgramArgs);
  // 2. The tick unit.
  platform::start_clock();
  // 3. The typed-text buffer starts empty.
  media::Input& in = media::input();
  in.typed_length = 0;
  in.typed[0] = 0;
  // 5. Folders, the tool font, the tables and the interface image.
  set_folders();
  media::select_tool_font(c.folders.data, false);
  core::load_tables(c.folders.data);
  load_interface_image();
  bind_builtins();
  // 6. Networking when netmode.ini is present; declining to run alone
  // after a failed connection ends the program.
  // The connection dialog waits for the tool screen (after step 8).
  const bool net_dialog = net::needs_dialog(c.folders.program);
  if (!net_dialog && !net::start(c.folders.program)) {
    close_message_log();
    return 0;
  }
  // 7. Engine settings.
  const std::string config = media::config_path();
  media::EngineSettings& settings = media::settings();
  settings = media::read_config(config);
  // Sound: mixed in memory when headless or recording, following the clock.
  std::string sound_error;
  if (!media::start_sound_output({platform::headless(), s.options.record_audio}, sound_error)) {
    std::fprintf(stderr, "quill: %s\n", sound_error.c_str());
    close_message_log();
    return 2;
  }

  // 8. The window and the device.
  bool started = platform::single_instance_acquire(c.folders.program, core::kClassText, kInstanceLooks,
                                                   kInstancePauseMs);
  if (started && !platform::video_init(platform::headless())) {
    std::fprintf(stderr, "quill: no display%s\n", platform::headless() ? "" : "; use --headless");
    started = false;
  }
  if (started) started = media::start_device(settings, config, s.options.windowed);
  // 8.8. The joysticks; a headless run has none but those of its script.
  if (started && !platform::headless()) platform::joysticks_start();
  // 8.9. The connection dialog; declining to run alone ends the program.
  const bool declined = started && net_dialog && !net::start(c.folders.program);
  if (started && !declined) {
    // 10. config.ini is written back on every start.
    media::write_config(config, settings);
    // 11. The dispatcher.
    run_dispatcher();
  }

  if (started && !s.options.screenshot.empty() && !s.screenshot_taken && !media::save_screenshot(s.options.screenshot))
    std::fprintf(stderr, "quill: cannot write %s\n", s.options.screenshot.c_str());

  finish_recording();

  // 12. The session ends; 13-14. release and end.
  net::stop();
  platform::joysticks_stop();
  if (!media::end_sound_output()) std::fprintf(stderr, "quill: cannot write %s\n", s.options.record_audio.c_str());
  media::stop_device();
  platform::window_hide();
  platform::video_quit();
  platform::single_instance_release();
  close_message_log();
  return 0;
}

}  // namespace shell
