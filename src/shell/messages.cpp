#include "shell/messages.h"

#include <cstdio>

#include "core/state.h"
#include "core/text.h"
#include "media/input.h"
#include "platform/gl_device.h"
#include "platform/platform.h"
#include "platform/video.h"
#include "shell/state.h"
#include "ui/boxes.h"

namespace shell {

namespace {

void log(std::string_view kind, const std::string& text, const std::vector<std::string>& buttons, int answer) {
  std::FILE* f = state().messages;
  if (!f) return;
  std::string line = message_json(kind, text, buttons, answer);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), f);
  std::fflush(f);
}

std::string trimmed(const std::string& label) {
  size_t b = label.find_first_not_of(' ');
  if (b == std::string::npos) return label;
  size_t e = label.find_last_not_of(' ');
  return label.substr(b, e - b + 1);
}

// Before the device exists (start-up), headless: the box takes Enter (1) or
// Delete (2) from the script; when the script is used up it takes Enter.
int headless_answer() {
  media::flush();
  while (true) {
    media::pump();
    while (media::key_event_waiting()) {
      media::next_key_event();
      int code = media::input().current_scancode;
      if (code == 28) return 1;
      if (code == 83) return 2;
    }
    if (media::input_exhausted()) media::inject_default_key(true);
  }
}

}  // namespace

int message_box(const std::string& text, const std::string& first, const std::string& second) {
  // Once the device exists every box and notice is drawn on the tool screen,
  // headless too; before it, a box is the desktop's (or, headless, answered
  // from the script) and a notice is only logged.
  const bool tool_screen = platform::device_exists();
  if (first.empty() && second.empty()) {
    if (!text.empty()) log("notice", text, {}, 0);
    if (tool_screen) ui::message_box(text, "", "");
    return 0;
  }
  std::vector<std::string> labels{first, second};
  int answer = 1;
  if (tool_screen) {
    answer = ui::message_box(text, first, second);
    // On a desktop the box also goes to standard error with the answer
    // taken, so that a run started from a terminal, or on a virtual desktop
    // nobody looks at, keeps a record of it.
    if (!platform::headless()) {
      std::string shown = text;
      for (char& c : shown)
        if (c == '|') c = '\n';
      const std::string& chosen = answer == 2 && !second.empty() ? second : first;
      std::fprintf(stderr, "quill: %s\n(answered: %s)\n", shown.c_str(), trimmed(chosen).c_str());
    }
  } else if (platform::headless()) {
    answer = headless_answer();
  } else {
    std::string shown = text;
    for (char& c : shown)
      if (c == '|') c = '\n';
    std::string a = trimmed(first), b = trimmed(second);
    const char* buttons[2] = {a.c_str(), b.c_str()};
    int chosen = platform::message_box(core::kClassText, shown, buttons, a == b || b.empty() ? 1 : 2, false);
    answer = chosen == 1 ? 2 : 1;
    // A box the desktop cannot show is not lost: its text and the answer
    // taken go to standard error.
    if (chosen < 0) std::fprintf(stderr, "quill: %s\n(answered: %s)\n", shown.c_str(), a.c_str());
  }
  log("box", text, labels, answer);
  return answer;
}

void message_notice(const std::string& text) { message_box(text, "", ""); }

void message_warning(const std::string& text) {
  log("warning", text, {}, 0);
  std::fprintf(stderr, "quill: %s\n", text.c_str());
}

void message_error(const std::string& text) {
  log("error", text, {"OK"}, 1);
  if (platform::headless()) return;
  static const char* const kOk[] = {"OK"};
  if (platform::message_box(core::kClassText, text + "\r\n", kOk, 1, true) < 0)
    std::fprintf(stderr, "%s\n", text.c_str());
}

bool open_message_log(const std::string& path) {
  close_message_log();
  state().messages = std::fopen(path.c_str(), "ab");
  return state().messages != nullptr;
}

void close_message_log() {
  if (state().messages) std::fclose(state().messages);
  state().messages = nullptr;
}

std::string message_json(std::string_view kind, std::string_view text, const std::vector<std::string>& buttons,
                         int answer) {
  std::string out = "{\"kind\":" + core::json_string(kind) + ",\"text\":" + core::json_string(text) + ",\"buttons\":[";
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (i) out += ',';
    out += core::json_string(buttons[i]);
  }
  out += "],\"answer\":" + std::to_string(answer) + "}";
  return out;
}

}  // namespace shell
