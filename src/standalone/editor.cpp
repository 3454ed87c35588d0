#include "standalone/editor.h"

#include <algorithm>

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/input.h"
#include "standalone/build.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/screen.h"

namespace standalone {

namespace {

constexpr int kRows = 20;
constexpr int kLastPageTop = kListEntries - kRows;  // 480
constexpr int kButtons = 7;
constexpr int32_t kSwitchColour = 218;
constexpr int32_t kEscape = 1, kPageUp = 73, kPageDown = 81, kKeyL = 38, kKeyS = 31, kKeyX = 45;
constexpr char kTitle[] = "SELF-EXECUTABLE EDITOR";
constexpr const char* kLabels[kButtons] = {"Previous Page (PagUp)", "Next Page (PagDn)",     "Load List (L)",
                                           "Save List (S)",         "Create Executable (X)", "Reset List",
                                           "Executable Name"};
enum Action { kPrevious, kNext, kLoad, kSave, kBuild, kReset, kName, kNone = -1 };

// Columns of a row: number, loading image, load-complete image, project,
// switch.
constexpr ui::Rect kColumns[5] = {
    {16, 0, 56, 0}, {64, 0, 156, 0}, {160, 0, 252, 0}, {256, 0, 348, 0}, {352, 0, 396, 0}};
constexpr int32_t kRowHeight = 20;
constexpr ui::Rect kPageBox = {420, 304, 620, 336};
constexpr ui::Rect kHelpLine = {110, 4, 594, 20};

const std::string& program() { return core::state().folders.program; }

int32_t row_top(int r) { return 28 + 22 * r; }

ui::Rect cell(int r, int column) {
  ui::Rect c = kColumns[column];
  c.top = row_top(r);
  c.bottom = c.top + kRowHeight;
  return c;
}

std::string three(int n) {
  std::string s = std::to_string(n % 1000);
  return std::string(3 - s.size(), '0') + s;
}

std::string file_name(std::string_view path) {
  const size_t p = path.find_last_of('/');
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

struct Editor {
  EditorSettings& settings;
  MultiList list;
  std::string list_name;
  int32_t top = 0;  // the first entry shown
  int buttons[kButtons] = {};
  std::string help;

  void load() { read_list(working_list_path(), list); }
  void save() {
    if (!write_list(working_list_path(), list))
      core::file_warning(working_list_path(), "a writable file", "the list is not kept");
  }

  void draw_help(const std::string& text) {
    help = text;
    ui::fill(kHelpLine, ui::colour(ui::Colour::title));
    ui::set_text_colour(ui::colour(ui::Colour::message));
    ui::draw_centred_text(text, (kHelpLine.left + kHelpLine.right) / 2, (kHelpLine.top + kHelpLine.bottom) / 2);
  }

  void draw_rows() {
    const uint8_t text = ui::colour(ui::Colour::field_text);
    for (int r = 0; r < kRows; ++r) {
      const int entry = top + r;
      for (int c = 0; c < 5; ++c) {
        const ui::Rect b = cell(r, c);
        ui::fill({b.left, b.top, b.right - 4, b.bottom - 4},
                 ui::colour(c == 0 ? ui::Colour::button : ui::Colour::field));
        ui::button_frame(b, c != 0);
      }
      ui::set_text_colour(text);
      const int32_t y = row_top(r) + (kRowHeight - 4) / 2;
      ui::draw_centred_text(three(entry + 1), (kColumns[0].left + kColumns[0].right - 4) / 2, y);
      for (int k = 1; k <= 3; ++k) {
        const ui::Rect b = cell(r, k);
        ui::draw_text_clipped(row_name(std::string(core::field(list[entry], k))), b.left + 4,
                              y - ui::glyph_height() / 2, b.right - 6);
      }
      if (entry_on(list, entry)) {
        const ui::Rect b = cell(r, 4);
        ui::fill({b.left + 4, b.top + 4, b.right - 8, b.bottom - 8}, kSwitchColour);
      }
    }
    ui::fill({kPageBox.left, kPageBox.top, kPageBox.right - 4, kPageBox.bottom - 4}, ui::colour(ui::Colour::field));
    ui::button_frame(kPageBox, true);
    ui::set_text_colour(text);
    ui::draw_centred_text("Page " + std::to_string(top / kRows + 1) + " of " + std::to_string(kListEntries / kRows),
                          (kPageBox.left + kPageBox.right - 4) / 2, (kPageBox.top + kPageBox.bottom - 4) / 2);
  }

  void draw() {
    ui::clear_screen();
    ui::draw_panel({0, 0, 639, 479}, true);
    for (int k = 0; k < kButtons; ++k) {
      const int32_t y = 55 + 28 * k;
      buttons[k] = ui::add_button({420, y - 26, 620, y}, false);
      ui::set_text_colour(ui::colour(ui::Colour::label));
      ui::button_label(kLabels[k], buttons[k]);
    }
    draw_rows();
    draw_help(help.empty() ? kTitle : help);
    ui::wait_begin();
  }

  // The entry of the row under (x, y), or -1.
  int entry_at(int32_t y) const {
    for (int r = 0; r < kRows; ++r)
      if (y >= row_top(r) && y <= row_top(r) + kRowHeight) return top + r;
    return -1;
  }

  void page(int32_t to) {
    to = std::clamp(to, 0, kLastPageTop);
    if (to == top) return;
    top = to;
    draw_rows();
  }

  void load_named() {
    const std::string chosen = ui::list_file_selector(program() + "multilev/", "*.mlv");
    if (!chosen.empty()) {
      read_list(chosen, list);
      std::string name = file_name(chosen);
      const size_t dot = name.rfind('.');
      if (dot != std::string::npos) name.resize(dot);
      list_name = name;
    }
    draw();
  }

  void save_named() {
    bool confirmed = false;
    std::string name = ui::input_box(400, list_name, "Save the current projects list as..", ui::InputStyle::text,
                                     &confirmed);
    if (confirmed) {
      name = file_name(core::slashes_forward(name.substr(0, name.find('.'))));
      if (!name.empty()) {
        list_name = name;
        const std::string path = named_list_path(name);
        if (!core::file_exists(path) ||
            core::box("Using the name '" + name + "' you overwrite an existing list, continue?", " YES ", " NO! ") ==
                1) {
          if (!write_list(path, list)) core::file_warning(path, "a writable file", "the list is not saved");
        }
      }
    }
    draw();
  }

  void reset() {
    if (core::box("Are you sure you want to reset the current list?", " NO ", " YES ") == 2) list = default_list();
    draw();
  }

  void name() {
    bool confirmed = false;
    const std::string answer = ui::input_box(500, settings.executable_name,
                                             "Self-executable minimized window name (32 chrs max.)",
                                             ui::InputStyle::text, &confirmed);
    if (confirmed) settings.executable_name = answer;
    draw();
  }

  void choose_image(int entry, int k) {
    std::string start(core::field(list[entry], k));
    if (start.empty()) start = program() + "images/black_.bmp";
    save();
    const std::string chosen = ui::picture_file_selector(start, -1, "Choose a .bmp cutscene");
    load();
    if (!chosen.empty()) list[entry] = core::with_field(list[entry], k, chosen);
    draw();
  }

  void choose_project(int entry) {
    std::string start(core::field(list[entry], kListFieldProject));
    if (start.empty()) start = program() + "projects/myprj/default_.prj";
    const std::string chosen = project_browser(start, settings);
    if (!chosen.empty()) list[entry] = core::with_field(list[entry], kListFieldProject, chosen);
    draw();
  }

  void click_row(int entry, int32_t x) {
    if (x >= 64 && x < 256) {
      choose_image(entry, x <= 159 ? kListFieldLoading : kListFieldComplete);
    } else if (x >= 256 && x < 352) {
      choose_project(entry);
    } else if (x >= 352 && x <= 400) {
      switch_entry(list, entry);
      draw_rows();
    }
  }
};

}  // namespace

std::string row_name(const std::string& path) {
  std::string name = file_name(path);
  name.resize(name.size() >= 4 ? name.size() - 4 : 0);
  if (name.size() > 8) name.resize(8);
  return name;
}

std::string editor_help(int32_t x, int32_t entry) {
  if (entry < 0) return kTitle;
  if (x >= 64 && x < 160) return "Select image to use as 'loading' message";
  if (x >= 160 && x < 256) return "Select image to use as 'load complete' message (default_ = skip)";
  if (x >= 256 && x < 352)
    return entry == 0 ? "Select the project to compile as entry point"
                      : "Select the project to compile as sub-project " + three(entry + 1);
  if (x >= 352 && x < 400) return "Switch project compilation On/Off";
  return kTitle;
}

void self_executable_editor(EditorSettings& settings) {
  Editor ed{settings, default_list(), {}, 0, {}, {}};
  ed.load();
  media::flush();
  ed.draw();
  for (;;) {
    const ui::Event e = ui::wait_event();
    const std::string help = editor_help(e.x, ed.entry_at(e.y));
    if (help != ed.help) ed.draw_help(help);
    if (e.scancode == kEscape) break;
    int action = kNone;
    switch (e.scancode) {
      case kPageUp: action = kPrevious; break;
      case kPageDown: action = kNext; break;
      case kKeyL: action = kLoad; break;
      case kKeyS: action = kSave; break;
      case kKeyX: action = kBuild; break;
      default: break;
    }
    if (action == kNone && (e.pressed & 1)) {
      const int hit = ui::button_under_mouse();
      if (hit == ui::kCloseBox) break;
      for (int k = 0; k < kButtons; ++k)
        if (hit >= 0 && hit == ed.buttons[k]) action = k;
      const int entry = ed.entry_at(e.y);
      if (action == kNone && entry >= 0) ed.click_row(entry, e.x);
    }
    switch (action) {
      case kPrevious: ed.page(ed.top - kRows); break;
      case kNext: ed.page(ed.top + kRows); break;
      case kLoad: ed.load_named(); break;
      case kSave: ed.save_named(); break;
      case kReset: ed.reset(); break;
      case kName: ed.name(); break;
      case kBuild:
        ed.save();
        ed.load();
        build_game(ed.list, settings.executable_name);
        return;
      default: break;
    }
  }
  ed.save();
}

}  // namespace standalone
