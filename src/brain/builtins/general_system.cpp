// Boxes, programs, files, the screen, dates and the I/O port rows.
#include <sys/wait.h>

#include <ctime>
#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/files.h"
#include "core/process.h"
#include "core/state.h"
#include "core/strings.h"

namespace brain::general {

namespace {

using U = uint32_t;

int32_t msg_box(int32_t text, int32_t buttons) {
  const GeneralServices& g = state().general;
  const std::string message(core::string_arg(text));
  if (g.silence) g.silence(true);
  int32_t result = -1;
  int answer;
  switch (buttons) {
    case 1:  // OK, Cancel
      answer = core::box(message, " OK ", " CANCEL ");
      result = answer == 1 ? 1 : answer == 2 ? 0 : -1;
      break;
    case 2:  // Yes, No
    case 3:  // Yes, No, Cancel: the box offers two buttons, Cancel is not offered
      answer = core::box(message, " YES ", " NO ");
      result = answer == 1 ? 3 : answer == 2 ? 2 : -1;
      break;
    default: answer = core::box(message, " OK ", ""); result = answer == 1 ? 1 : -1;
  }
  if (g.silence) g.silence(false);
  restart_deadline();
  return result;
}

void reap_task() {
  int32_t& pid = state().task_pid;
  if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) != 0) pid = 0;
}

int32_t start(int32_t command, bool wait) {
  reap_task();
  const int32_t pid = core::start_program(core::string_arg(command), wait);
  if (!wait && pid > 0) state().task_pid = pid;
  const GeneralServices& g = state().general;
  if (g.show_window) g.show_window();
  restart_deadline();
  return 0;
}

int32_t run(int32_t command) { return start(command, true); }
int32_t run_task(int32_t command) { return start(command, false); }

int32_t file_exists(int32_t path) {
  std::string file;
  return path_arg(path, file) && core::file_exists(file) ? -1 : 0;
}

int32_t clear() {
  if (state().general.clear_screen) state().general.clear_screen();
  return 0;
}

template <int Field>
int32_t date_part() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  if (!::localtime_r(&now, &t)) return 0;
  switch (Field) {
    case 0: return t.tm_year + 1900;
    case 1: return t.tm_mon + 1;
    case 2: return t.tm_mday;
    case 3: return t.tm_hour;
    case 4: return t.tm_min;
    default: return t.tm_sec;
  }
}

// The platform refuses port access: the port rows do nothing.
int32_t no_port() { return 0; }

}  // namespace

void bind_system() {
  bind<msg_box>("msg_box");
  bind<run>("run");
  bind<run_task>("run_task");
  bind<file_exists>("file_exists");
  bind<clear>("clear");
  bind<date_part<0>>("year");
  bind<date_part<1>>("month");
  bind<date_part<2>>("day");
  bind<date_part<3>>("hour");
  bind<date_part<4>>("minute");
  bind<date_part<5>>("second");
  for (const char* port : {"input_b", "input_w", "input_d", "output_b", "output_w", "output_d"}) bind<no_port>(port);
}

}  // namespace brain::general
