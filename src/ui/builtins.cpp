// input_box, list_box and file_box: the tool screen's dialogs for brains.
// Each shows its screen with the sound silenced and restarts the run loop's
// deadline afterwards, as the message box does.
#include "ui/builtins.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/arena.h"
#include "core/state.h"
#include "core/strings.h"
#include "ui/dialogs.h"
#include "ui/files.h"

namespace ui {

namespace {

constexpr int32_t kInputBoxWidth = 400;
constexpr int32_t kSaveBoxWidth = 600;

// Brackets a dialog: sound silenced (and the cursor shown) while it is up,
// the deadline restarted after it.
struct Modal {
  Modal() {
    if (auto* f = brain::state().general.silence) f(true);
  }
  ~Modal() {
    if (auto* f = brain::state().general.silence) f(false);
    brain::general::restart_deadline();
  }
  Modal(const Modal&) = delete;
  Modal& operator=(const Modal&) = delete;
};

bool is_literal(int32_t s) { return s >= static_cast<int32_t>(core::kHandleCount) || s < 0; }

// Writes `text` into a string variable, cut to its memory.
void assign(core::HandleEntry* h, std::string_view text) {
  if (!h || h->size == 0) return;
  char* p = core::at<char>(h->addr);
  const size_t n = std::min<size_t>(text.size(), h->size - 1);
  std::memmove(p, text.data(), n);
  p[n] = 0;
}

// The string variable a routine writes, or null; a literal shows the
// runtime error box naming the routine and the parameter.
core::HandleEntry* variable(int32_t s, const char* routine, const char* which) {
  if (is_literal(s) && s >= 0) {
    brain::runtime_error_box(std::string(which) + " parameter of " + routine +
                             "() instruction must be a string variable, not a constant string.");
    return nullptr;
  }
  return core::handle_entry(s);
}

std::vector<std::string> split(std::string_view text) {
  std::vector<std::string> out;
  if (text.empty()) return out;
  size_t at = 0;
  while (true) {
    const size_t bar = text.find('|', at);
    out.emplace_back(text.substr(at, bar == std::string_view::npos ? bar : bar - at));
    if (bar == std::string_view::npos) break;
    at = bar + 1;
  }
  return out;
}

int32_t input_box_routine(int32_t prompt, int32_t s, int32_t style) {
  core::HandleEntry* h = variable(s, "INPUT_BOX", "Second");
  if (!h) return 0;
  const InputStyle st = style >= 0 && style <= 3 ? static_cast<InputStyle>(style) : InputStyle::text;
  Modal modal;
  bool confirmed = false;
  const std::string text = input_box(kInputBoxWidth, core::string_arg(s), core::string_arg(prompt), st, &confirmed);
  if (!confirmed) return 0;
  assign(h, text);
  return 1;
}

int32_t list_box_routine(int32_t items, int32_t title, int32_t selected, int32_t chosen, int32_t style) {
  std::vector<std::string> entries = split(core::string_arg(items));
  if (entries.empty()) return -1;
  Modal modal;
  int32_t answer = -1;
  if (style == 1) {
    const int32_t n = menu(core::string_arg(items));
    answer = n >= 1 && n <= static_cast<int32_t>(entries.size()) ? n - 1 : -1;
  } else {
    std::vector<int32_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
    std::vector<std::string> shown = entries;
    if (style == 2) {
      std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return entries[static_cast<size_t>(a)] < entries[static_cast<size_t>(b)];
      });
      for (size_t i = 0; i < order.size(); ++i) shown[i] = entries[static_cast<size_t>(order[i])];
    } else if (style == 3) {
      for (size_t i = 0; i < shown.size(); ++i) shown[i] = std::to_string(i + 1) + ". " + entries[i];
    }
    int32_t start = 0;
    for (size_t i = 0; i < order.size(); ++i)
      if (order[i] == selected) start = static_cast<int32_t>(i);
    const int32_t k = list_choice(core::string_arg(title), shown, start);
    answer = k >= 0 ? order[static_cast<size_t>(k)] : -1;
  }
  if (answer >= 0 && !is_literal(chosen)) assign(core::handle_entry(chosen), entries[static_cast<size_t>(answer)]);
  return answer;
}

// The picture-selector kind of a pattern's extension ("*.bmp" -1 ...), or
// 0x7FFF when it has none.
int32_t kind_of_pattern(std::string_view pattern) {
  for (int32_t kind : {-1, 0, 1, 2, 4, 11, -2, -3, -4, -5, -6})
    if (std::string_view p = kind_pattern(kind); p.size() == pattern.size()) {
      bool same = true;
      for (size_t i = 0; i < p.size(); ++i) {
        char c = pattern[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        same = same && c == p[i];
      }
      if (same) return kind;
    }
  return 0x7FFF;
}

int32_t file_box_routine(int32_t path, int32_t filter, int32_t mode) {
  core::HandleEntry* h = variable(path, "FILE_BOX", "First");
  if (!h) return 0;
  const std::string start = resolve_path(core::string_arg(path));
  std::string pattern(core::string_arg(filter));
  if (pattern.empty()) pattern = "*.*";
  Modal modal;
  std::string chosen;
  if (mode == 1) {
    bool confirmed = false;
    chosen = input_box(kSaveBoxWidth, core::string_arg(path), "Save as:", InputStyle::text, &confirmed);
    chosen = confirmed && !chosen.empty() ? resolve_path(chosen) : std::string();
  } else if (mode == 2) {
    chosen = picture_file_selector(start, kind_of_pattern(pattern), pattern);
  } else {
    chosen = list_file_selector(start, pattern);
  }
  if (chosen.empty()) return 0;
  // Inside the program folder the answer is written as "./" + the rest.
  const std::string& program = core::state().folders.program;
  if (!program.empty() && chosen.rfind(program, 0) == 0) chosen = "./" + chosen.substr(program.size());
  assign(h, chosen);
  return 1;
}

}  // namespace

void bind_builtins() {
  brain::bind<input_box_routine>("input_box");
  brain::bind<list_box_routine>("list_box");
  brain::bind<file_box_routine>("file_box");
}

}  // namespace ui
