#include "shell/startup.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "core/angles.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/config.h"
#include "media/input.h"
#include "media/state.h"
#include "platform/single_instance.h"
#include "platform/state.h"
#include "platform/video.h"
#include "shell/bindings.h"
#include "shell/dispatcher.h"
#include "shell/install.h"
#include "shell/messages.h"
#include "shell/state.h"

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

void set_folders() {
  core::State& c = core::state();
  c.folders.program = current_folder();
  c.tool_installation = core::file_exists(c.folders.program + "runmode.ini");
  c.folders.data = c.tool_installation ? c.folders.program + "data/" : c.folders.program;
  c.folders.temp_file = c.folders.program + "temp.tmp";
  if (c.tool_installation) c.folders.engine_file = "engine.dll";
}

// Display drivers, the rendering-device clamp and the display mode; false
// when start-up must end.
bool choose_device(media::EngineSettings& s, const std::string& config) {
  const bool headless = platform::state().headless;
  int drivers = headless ? 1 : platform::display_count();
  if (drivers == 0) {
    s.rendering_device = 0;
    s.available_rendering_devices = 0;
    media::write_config(config, s);
    core::error_box(
        "Value: 0\nCouldn't find a hardware rendering device.\nWhen run again, a software emulation device "
        "will be used instead");
    return false;
  }
  if (s.rendering_device > drivers) s.rendering_device = drivers;
  if (s.rendering_device < 0) s.rendering_device = 0;
  s.available_rendering_devices = drivers;
  // Every mode of the table can be rendered (the frame is scaled to the
  // desktop), so availability is what the installation allows.
  s.available_display_modes = 63 & s.legal_display_modes;
  s.display_mode = media::choose_display_mode(s.display_mode, s.available_display_modes);
  media::write_config(config, s);
  return true;
}

void mode_size(int32_t mode, int& w, int& h) {
  w = mode >= 16 ? 1024 : mode >= 4 ? 800 : 640;
  h = mode >= 16 ? 768 : mode >= 4 ? 600 : 480;
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
  platform::State& p = platform::state();

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
  if (!s.options.init_install.empty()) {
    std::string error;
    if (!init_install(s.options.init_install, error)) {
      std::fprintf(stderr, "quill: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }

  p.headless = s.options.headless;
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
    if (!platform::parse_input_script(text, p.script, error)) {
      std::fprintf(stderr, "quill: %s\n", error.c_str());
      return 2;
    }
  }
  install_message_services();

  // 1. The program arguments.
  c.arg_count = parse_program_args(s.options.command_line, c.args, core::kMaxProgramArgs);
  // 2. The tick unit.
  platform::clock_init(p.clock, p.headless);
  // 3. The typed-text buffer starts empty.
  media::Input& in = media::input();
  in.typed_length = 0;
  in.typed[0] = 0;
  // 5. Folders and tables.
  set_folders();
  core::load_tables(c.folders.data);
  bind_builtins();
  // 6. Networking starts here when netmode.ini is present (network play).
  // 7. Engine settings.
  const std::string config = media::config_path();
  media::EngineSettings& settings = media::state().settings;
  settings = media::read_config(config);

  // 8. The window and the device.
  bool started = platform::single_instance_acquire(c.folders.program, core::kClassText, kInstanceLooks,
                                                   kInstancePauseMs);
  if (started && !p.headless) {
    if (!platform::video_init()) {
      std::fprintf(stderr, "quill: no display; use --headless\n");
      started = false;
    }
  }
  if (started) started = choose_device(settings, config);
  if (started && !p.headless) {
    int w = 640, h = 480;
    mode_size(settings.display_mode, w, h);
    started = platform::window_create(core::kClassText, s.options.windowed, w, h);
  }
  if (started) {
    // 10. config.ini is written back on every start.
    media::write_config(config, settings);
    // 11. The dispatcher.
    run_dispatcher();
  }

  // 12-14. Release and end.
  platform::window_hide();
  platform::video_quit();
  platform::single_instance_release();
  close_message_log();
  return 0;
}

}  // namespace shell
