#include "editors/parameters.h"

#include <algorithm>
#include <vector>

#include "brain/variables.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/input.h"
#include "project/brains.h"
#include "project/records.h"
#include "project/types.h"
#include "ui/boxes.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/screen.h"

namespace editors {

namespace {

constexpr int kEscape = 1;
constexpr int kPageUp = 73;
constexpr int kPageDown = 81;
constexpr int kMaxLabelLines = 33;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string prepared(std::string_view line) {
  std::string out(trim(line));
  for (char& c : out) {
    if (c == '\t') c = ' ';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
      if (i < text.size() || start < i) out.push_back(text.substr(start, i - start));
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  return out;
}

// The trimmed text after the first ";" of a line; empty when there is none.
std::string_view comment_of(std::string_view line) {
  const size_t semi = line.find(';');
  return semi == std::string_view::npos ? std::string_view() : trim(line.substr(semi + 1));
}

std::string element_title(int e) {
  return project::get_field(e, project::kFieldName) + " (" + project::type_name(project::element_type(e)) + ")";
}

int32_t parameter_count(int e) { return core::text_to_int(project::get_item(e, project::kFieldParams, 1)); }
int32_t parameter_kind(int e, int j) {
  return core::text_to_int(project::get_item(e, project::kFieldParams, 3 * j + 2));
}
std::string parameter_text(int e, int j) { return project::get_item(e, project::kFieldParams, 3 * j + 3); }

void draw_description(const std::string& brain_path, ui::Rect r, bool clear, int32_t limit) {
  const std::string text = fit_description(brain_description(project::read_brain(brain_path), false), limit);
  const ui::Rect area{r.left + 8, r.top + 8, r.right - 8, r.bottom - 40};
  if (clear) ui::fill(area, 0);
  ui::set_text_colour(ui::colour(ui::Colour::message));
  ui::draw_wrapped_text(text, area);
}

// The information screen of an element without visible parameters.
void information_screen(int e) {
  ui::clear_screen();
  ui::draw_panel({20, 100, 620, 371}, true);
  ui::set_text_colour(ui::colour(ui::Colour::message));
  ui::draw_centred_text(element_title(e), 360, 113);
  draw_description(project::get_field(e, project::kFieldBrain), {40, 166, 600, 350}, false, 5000);
  ui::wait_begin();
  for (;;) {
    const ui::Event ev = ui::wait_event();
    if (ev.scancode == kEscape || ev.pressed != 0) break;
  }
  media::wait_release();
  ui::clear_screen();
}

// What ended one wait of the editor loop.
struct Action {
  int scancode = 0;  // Escape, Page Up or Page Down; 0 for a click
  int control = -1;  // the control clicked, ui::kCloseBox, or -1
  bool clicked = false;
};

Action wait_for_action(int kind, std::string& value) {
  std::string field = value + "|";
  if (kind != project::kParamElement) field = ui::input_field(field, 0, 0, 0);
  ui::wait_begin();
  for (;;) {
    const ui::Event ev = ui::wait_event();
    if (ev.scancode == kEscape || ev.scancode == kPageUp || ev.scancode == kPageDown) {
      if (kind != project::kParamElement) {
        value = field;
        value.erase(std::remove(value.begin(), value.end(), '|'), value.end());
      }
      return {ev.scancode, -1, false};
    }
    if (ev.pressed != 0) {
      const int b = ui::button_under_mouse();
      if (kind == project::kParamElement || b != 0) {
        if (kind != project::kParamElement) {
          value = field;
          value.erase(std::remove(value.begin(), value.end(), '|'), value.end());
        }
        return {0, b, true};
      }
    }
    if (kind != project::kParamElement && (ev.scancode != 0 || ev.pressed != 0)) {
      field = ui::input_field(field, ev.ch, ev.scancode, 0);
      ui::mark_dirty();
    }
  }
}

void apply_to_group(int e, int v, const std::string& value) {
  const std::string tag = project::get_field(e, project::kFieldGroupTag);
  const std::string signature = project::get_field(e, project::kFieldSignature);
  for (int other = 0; other <= project::last_index(); ++other) {
    if (project::get_field(other, project::kFieldGroupTag) != tag) continue;
    if (project::get_field(other, project::kFieldSignature) != signature) continue;
    if (v >= parameter_count(other)) continue;
    project::set_item(other, project::kFieldParams, 3 * v + 3, value);
  }
}

}  // namespace

void rebuild_parameters(int element) {
  const std::string brain = project::get_field(element, project::kFieldBrain);
  const std::string text = project::read_brain(brain);
  project::set_field(element, project::kFieldParams, text.empty() ? "0" : brain::parameter_list(text));
}

void set_brain(int element, const std::string& brain_path) {
  project::set_field(element, project::kFieldBrain, brain_path);
  std::string record = project::record(element);
  if (!brain::apply_header_rule(record, project::read_brain(brain_path), false)) return;
  project::set_record(element, record);
  edit_parameters(element);
}

bool choose_brain(int element, std::string& picker_path) {
  const std::string title = "Select a brain for '" + project::get_field(element, project::kFieldName) + "'";
  const std::string chosen = ui::picture_file_selector(picker_path, -5, title);
  if (chosen.empty()) return false;
  picker_path = chosen;
  set_brain(element, project::copy_to_working_brain(chosen));
  return true;
}

std::string parameter_label(std::string_view brain_text, int k) {
  const std::vector<std::string_view> lines = split_lines(brain_text);
  int seen = 0;
  for (size_t i = 0; i < lines.size() && seen < kMaxLabelLines; ++i) {
    if (prepared(lines[i]).compare(0, 4, "user") != 0) continue;
    if (seen++ != k) continue;
    std::string label;
    for (size_t j = i; j < lines.size(); ++j) {
      const std::string_view c = comment_of(lines[j]);
      if (c.empty()) {
        if (j == i) continue;  // a parameter line without a comment of its own
        break;
      }
      if (!label.empty()) label += ' ';
      label += c;
    }
    return std::string(trim(label));
  }
  return {};
}

std::string brain_description(std::string_view text, bool project_file) {
  std::vector<std::string_view> lines = split_lines(text);
  size_t i = 0;
  if (project_file) {
    while (i < lines.size() && trim(lines[i]) != "@0") ++i;
    if (i < lines.size()) ++i;
  }
  std::string out;
  for (; i < lines.size(); ++i) {
    const std::string_view c = comment_of(lines[i]);
    if (c.empty()) break;
    if (!out.empty()) out += ' ';
    out += c;
  }
  return out;
}

std::string fit_description(std::string_view text, int32_t limit) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t blank = text.find(' ', pos);
    const std::string_view word = text.substr(pos,
                                              blank == std::string_view::npos ? std::string_view::npos : blank - pos);
    pos = blank == std::string_view::npos ? text.size() : blank + 1;
    if (word.empty()) continue;
    std::string next = out.empty() ? std::string(word) : out + " " + std::string(word);
    if (ui::text_width(next) >= limit) {
      if (!next.empty()) next.pop_back();
      return next + "...";
    }
    out = std::move(next);
  }
  return out;
}

int element_picker(int start) {
  const int last = project::last_index();
  if (last < 0) return 0;
  start = std::clamp(start, 0, last);
  int page = start / kPickerPage;
  const int pages = last / kPickerPage + 1;
  for (;;) {
    ui::clear_screen();
    ui::draw_frame({0, 0, ui::kScreenWidth, ui::kScreenHeight});
    ui::set_text_colour(ui::colour(ui::Colour::message));
    ui::draw_centred_text("Page " + std::to_string(page + 1) + " (RightMouseButton = NextPage)", 354, 12);
    ui::draw_frame({2, 24, 634, 475});
    bool shaded = false;
    std::string previous;
    for (int cell = 0; cell < kPickerPage; ++cell) {
      const int k = cell / kPickerRows, r = cell % kPickerRows + 1;
      const ui::Rect box{212 * k, 24 * r, 212 * k + 208, 24 * r + 20};
      ui::outline(box, ui::colour(ui::Colour::label));
      const int e = page * kPickerPage + cell;
      if (e > last) continue;
      const std::string base = project::base_name(e);
      if (cell == 0 || base != previous) shaded = !shaded;
      previous = base;
      const ui::Rect inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
      if (e == start) {
        ui::fill(inside, 251);
      } else if (shaded) {
        ui::fill(inside, 210);
      }
      ui::draw_centred_text(project::get_field(e, project::kFieldName), box.left + 104, box.top + 10);
    }
    ui::wait_begin();
    ui::Event ev;
    do {
      ev = ui::wait_event();
    } while (ev.pressed == 0 && ev.scancode != kEscape);
    if (ev.scancode == kEscape && ev.pressed == 0) {
      media::wait_release();
      media::flush();
      return start;
    }
    if (ev.pressed & 2) {
      page = (page + 1) % pages;
      continue;
    }
    if (ev.y < 24 || ev.x < 0) continue;
    const int index = page * kPickerPage + (ev.y - 24) / 24 + (ev.x / 212) * kPickerRows;
    if (index > last || ev.x / 212 >= kPickerColumns || (ev.y - 24) / 24 >= kPickerRows) continue;
    media::wait_release();
    media::flush();
    return std::min(index, last);
  }
}

void edit_parameters(int e) {
  media::wait_release();
  media::flush();
  if (!project::valid_index(e)) return;
  const std::string brain_path = project::get_field(e, project::kFieldBrain);
  if (!core::file_exists(brain_path)) return;
  const int32_t n = std::clamp(parameter_count(e), 0, brain::kMaxParameterTriples);
  int32_t visible = 0;
  for (int j = 0; j < n; ++j) visible += parameter_kind(e, j) != 7 ? 1 : 0;
  if (n == 0 || visible == 0) {
    information_screen(e);
    return;
  }
  const std::string brain_text = project::read_brain(brain_path);
  int32_t v = core::wrap_into_range(project::field_int(e, 45), 0, n - 1);
  // The stored position, wrapped first so that a hostile value cannot overflow.
  int32_t w = core::wrap_into_range(project::field_int(e, 46), 0, visible - 1);
  int direction = 1, moved = 1;
  const int32_t flag = project::field_int(e, project::kFieldGroupFlag);
  for (;;) {
    if (parameter_kind(e, v) == 7) {
      v = core::wrap_into_range(v + direction, 0, n - 1);
      continue;
    }
    ui::clear_screen();
    ui::draw_panel({20, 0, 620, 168}, true);
    ui::draw_frame({20, 172, 620, 476});
    w = core::wrap_into_range(w + moved, 1, visible);
    moved = 0;
    ui::set_text_colour(ui::colour(ui::Colour::message));
    ui::draw_centred_text(element_title(e), 370, 13);
    ui::draw_centred_text("Editing Parameter " + std::to_string(w) + " of " + std::to_string(visible) +
                              " (PagUp/PagDown keys = Previous/Next)",
                          320, 464);
    draw_description(brain_path, {40, 64, 600, 136}, false, 3600);
    ui::set_text_colour(ui::colour(ui::Colour::message));
    ui::draw_wrapped_text(parameter_label(brain_text, w - 1), {100, 180, 540, 370});
    const int kind = parameter_kind(e, v);
    const ui::Rect control = flag == 1 ? ui::Rect{100, 360, 340, 390} : ui::Rect{200, 360, 440, 390};
    std::string value = parameter_text(e, v);
    ui::add_button(control, kind != project::kParamElement);
    if (kind == project::kParamElement)
      ui::button_label(project::get_field(core::text_to_int(value), project::kFieldName), 0);
    int reset = 1, group = 2;
    if (visible > 1) {
      ui::button_label("<", ui::add_button({292, 424, 318, 442}, false));
      ui::button_label(">", ui::add_button({322, 424, 348, 442}, false));
      reset = 3;
      group = 4;
    }
    ui::button_label("Reset", ui::add_button({270, 142, 370, 166}, false));
    if (flag > 0) ui::button_label("Apply Setting To Group", ui::add_button({342, 360, 540, 390}, false));
    const Action a = wait_for_action(kind, value);
    if (kind != project::kParamElement) project::set_item(e, project::kFieldParams, 3 * v + 3, value);
    if (a.scancode == kPageDown) {
      direction = moved = 1;
      ++v;
    } else if (a.scancode == kPageUp) {
      direction = moved = -1;
      --v;
    }
    if (a.clicked) {
      if (a.control == 0 && kind == project::kParamElement) {
        project::set_item(e, project::kFieldParams, 3 * v + 3,
                          std::to_string(element_picker(core::text_to_int(value))));
      } else if (visible > 1 && a.control == 1) {
        direction = moved = -1;
        --v;
      } else if (visible > 1 && a.control == 2) {
        direction = moved = 1;
        ++v;
      } else if (a.control == reset) {
        if (core::box("Are you sure you want to reset the|current element's parameters to default values?", " YES ",
                      " NO ") == 1)
          rebuild_parameters(e);
      } else if (a.control == group && flag > 0) {
        apply_to_group(e, v, parameter_text(e, v));
      }
      media::wait_release();
    }
    v = core::wrap_into_range(v, 0, n - 1);
    if (a.scancode == kEscape || a.control == ui::kCloseBox) break;
  }
  project::set_field(e, 45, std::to_string(v));
  project::set_field(e, 46, std::to_string(w - 1));
  ui::clear_screen();
}

}  // namespace editors
