// The project browser of the self-executable editor.
#include <algorithm>

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/input.h"
#include "standalone/editor.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/screen.h"

namespace standalone {

namespace {

constexpr int kPageRows = 30;
constexpr int32_t kEscape = 1, kBackspace = 14, kLeft = 75, kRight = 77, kUp = 72, kDown = 80;
// The bar: previous page, next page, previous kit, next kit, info.
constexpr ui::Rect kBar[5] = {
    {8, 454, 144, 464}, {148, 454, 286, 464}, {290, 454, 428, 464}, {432, 454, 570, 464}, {574, 454, 624, 464}};
constexpr const char* kBarLabels[5] = {"PREVIOUS PAGE", "NEXT PAGE", "PREVIOUS RES.KIT", "NEXT RES.KIT", "INFO"};
// Bytes of a project file read for its description line.
constexpr size_t kHeadBytes = 512;

std::string projects() { return core::state().folders.program + "projects/"; }

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

ui::Rect row_box(int m) { return {8, 32 + 14 * m, 624, 42 + 14 * m}; }

struct Browser {
  EditorSettings& settings;
  std::vector<std::string> kits;
  std::vector<BrowserRow> rows;
  int32_t kit = 0, page = 0;

  int32_t pages() const {
    return std::max<int32_t>(1, (static_cast<int32_t>(rows.size()) + kPageRows - 1) / kPageRows);
  }

  // The kit `k` wrapped into the kits present; one without projects is
  // passed over in the direction `step`.
  void open_kit(int32_t k, int32_t step) {
    const int32_t n = static_cast<int32_t>(kits.size());
    rows.clear();
    if (n == 0) return;
    kit = core::wrap_into_range(k, 0, n - 1);
    for (int32_t tries = 0; tries < n; ++tries) {
      rows = kit_rows(kits[static_cast<size_t>(kit)]);
      if (!rows.empty()) break;
      kit = core::wrap_into_range(kit + (step < 0 ? -1 : 1), 0, n - 1);
    }
    page = std::clamp(page, 0, pages() - 1);
  }

  void draw() {
    ui::clear_screen();
    ui::draw_panel({0, 0, 639, 479}, true);
    const std::string name = kits.empty() ? std::string() : kits[static_cast<size_t>(kit)];
    ui::set_text_colour(ui::colour(ui::Colour::message));
    ui::draw_centred_text("Current resource-kit: " + name + " (page " + std::to_string(page + 1) + " of " +
                              std::to_string(pages()) + ")",
                          354, 12);
    ui::set_text_colour(ui::colour(ui::Colour::field_text));
    for (int m = 0; m < kPageRows; ++m) {
      const ui::Rect b = row_box(m);
      ui::fill({b.left, b.top, b.right - 4, b.bottom - 4}, ui::colour(ui::Colour::field));
      ui::button_frame(b, true);
      const size_t i = static_cast<size_t>(page) * kPageRows + m;
      if (i >= rows.size()) continue;
      const int32_t y = b.top + 1;
      const int32_t name_x = b.right - 8 - ui::text_width(rows[i].name);
      ui::draw_text_clipped(rows[i].text.substr(0, rows[i].text.size() - rows[i].name.size()), b.left + 4, y,
                            name_x - 8);
      ui::draw_text_clipped(rows[i].name, name_x, y, b.right - 6);
    }
    for (int k = 0; k < 5; ++k) {
      const ui::Rect b = kBar[k];
      ui::fill({b.left, b.top, b.right, b.bottom}, ui::colour(ui::Colour::button));
      ui::set_text_colour(ui::colour(ui::Colour::label));
      ui::draw_centred_text(kBarLabels[k], (b.left + b.right) / 2, (b.top + b.bottom) / 2);
    }
    settings.resource_kit = kit;
    settings.resource_page = page;
    ui::wait_begin();
  }

  int row_at(int32_t x, int32_t y) const {
    for (int m = 0; m < kPageRows; ++m) {
      const size_t i = static_cast<size_t>(page) * kPageRows + m;
      if (row_box(m).contains(x, y)) return i < rows.size() ? static_cast<int>(i) : -1;
    }
    return -1;
  }

  void turn(int32_t by) {
    const int32_t to = std::clamp(page + by, 0, pages() - 1);
    if (to == page) return;
    page = to;
    draw();
  }

  void change_kit(int32_t step) {
    if (kits.empty()) return;
    page = 0;
    open_kit(kit + step, step);
    draw();
  }

  std::string path_of(int row) const {
    return projects() + kits[static_cast<size_t>(kit)] + "/" + rows[static_cast<size_t>(row)].name;
  }

  void erase(int row) {
    const std::string name = rows[static_cast<size_t>(row)].name;
    if (core::box("Do you really want to PERMANENTLY ERASE " + name + "?", " NO! ", " YES ") == 2) {
      const std::string path = path_of(row);
      core::remove_file(path);
      core::remove_file(path.substr(0, path.size() - 3) + "col");
      open_kit(kit, 1);
    }
    draw();
  }
};

}  // namespace

std::vector<std::string> resource_kits() {
  std::vector<std::string> out;
  for (const ui::FileEntry& e : ui::list_folder(projects(), "*.prj").entries)
    if (e.folder) out.push_back(e.name);
  return out;
}

std::vector<BrowserRow> kit_rows(const std::string& kit) {
  std::vector<BrowserRow> out;
  const std::string folder = projects() + kit + "/";
  for (const ui::FileEntry& e : ui::list_folder(folder, "*.prj", false).entries) {
    if (e.folder) continue;
    std::string head;
    core::read_file(folder + e.name, head, kHeadBytes);
    std::string description;
    if (!head.empty() && head[0] == ';') {
      const size_t end = head.find_first_of("\r\n");
      description = head.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    out.push_back({description + " " + e.name, e.name});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const BrowserRow& a, const BrowserRow& b) { return lower(a.text) < lower(b.text); });
  return out;
}

std::string kit_description(const std::string& kit) {
  std::string text;
  if (!core::read_file(projects() + kit + "/descrptn.txt", text, 4096)) return "Resource description not found!";
  const size_t end = text.find_first_of("\r\n");
  return text.substr(0, end);
}

std::string project_browser(const std::string& start, EditorSettings& settings) {
  (void)start;
  Browser b{settings, resource_kits(), {}, 0, 0};
  b.page = std::max(settings.resource_page, 0);
  b.open_kit(settings.resource_kit, 1);
  b.draw();
  std::string answer;
  for (;;) {
    const ui::Event e = ui::wait_event();
    if (e.scancode == kEscape) break;
    if (e.scancode == kLeft) b.turn(-1);
    if (e.scancode == kRight) b.turn(1);
    if (e.scancode == kUp || e.scancode == kBackspace) b.change_kit(-1);
    if (e.scancode == kDown) b.change_kit(1);
    if (e.pressed & 1) {
      if (ui::button_under_mouse() == ui::kCloseBox) break;
      const int row = b.row_at(e.x, e.y);
      if (row >= 0) {
        answer = b.path_of(row);
        break;
      }
      if (kBar[0].contains(e.x, e.y)) b.turn(-1);
      if (kBar[1].contains(e.x, e.y)) b.turn(1);
      if (kBar[2].contains(e.x, e.y)) b.change_kit(-1);
      if (kBar[3].contains(e.x, e.y)) b.change_kit(1);
      if (kBar[4].contains(e.x, e.y) && !b.kits.empty()) {
        core::box(kit_description(b.kits[static_cast<size_t>(b.kit)]), " OK ", " OK ");
        b.draw();
      }
    } else if (e.pressed & 2) {
      const int row = b.row_at(e.x, e.y);
      if (row >= 0) b.erase(row);
    }
  }
  media::wait_release();
  media::flush();
  return answer;
}

}  // namespace standalone
