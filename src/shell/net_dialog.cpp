// The connection dialog of network play on the tool screen: the connection
// list, then the sessions found on it (searched again every 3 seconds), the
// name of a session to host, and the Host and Join buttons.
#include "shell/net_dialog.h"

#include <algorithm>
#include <chrono>

#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/screen.h"

namespace shell {

namespace {

constexpr int32_t kEscape = 1, kBackspace = 14, kEnter = 28, kF1 = 59, kF2 = 60, kUp = 72, kDown = 80;
constexpr int32_t kRows = 10;
constexpr size_t kNameMax = 64;
constexpr auto kRefresh = std::chrono::seconds(3);

struct Layout {
  ui::Rect panel{120, 60, 520, 420};
  ui::Rect list{140, 110, 500, 0};
  ui::Rect name{140, 0, 500, 0};
  ui::Rect host{160, 0, 300, 0};
  ui::Rect join{340, 0, 480, 0};
};

Layout layout() {
  Layout l;
  const int32_t row = std::max(ui::font_height() + 4, 8);
  l.list.bottom = l.list.top + kRows * row - 1;
  l.name.top = l.list.bottom + 36;
  l.name.bottom = l.name.top + row;
  l.host.top = l.join.top = l.name.bottom + 20;
  l.host.bottom = l.join.bottom = l.host.top + row + 8;
  return l;
}

void draw(const Layout& l, const std::vector<net::Found>& found, int32_t current, const std::string& name) {
  const int32_t row = std::max(ui::font_height() + 4, 8);
  ui::clear_screen();
  ui::draw_panel(l.panel, true);
  ui::set_text_colour(ui::colour(ui::Colour::message));
  ui::draw_centred_text("Sessions", 320, l.list.top - 20);
  ui::button_frame({l.list.left - 4, l.list.top - 4, l.list.right + 4, l.list.bottom + 4}, true);
  ui::fill(l.list, ui::colour(ui::Colour::field_back));
  const int32_t first = std::clamp(current - kRows + 1, 0, std::max(0, static_cast<int32_t>(found.size()) - kRows));
  for (int32_t r = 0; r < kRows && first + r < static_cast<int32_t>(found.size()); ++r) {
    const int32_t i = first + r;
    const int32_t y = l.list.top + r * row;
    if (i == current) ui::fill({l.list.left, y, l.list.right, y + row - 1}, ui::colour(ui::Colour::title));
    ui::set_text_colour(i == current ? ui::colour(ui::Colour::field_back) : ui::colour(ui::Colour::field_text));
    ui::draw_text_clipped(found[static_cast<size_t>(i)].name, l.list.left + 4, y + 2, l.list.right - 4);
  }
  ui::set_text_colour(ui::colour(ui::Colour::message));
  ui::draw_text("Session name:", l.name.left, l.name.top - ui::font_height() - 4);
  ui::button_frame({l.name.left - 4, l.name.top - 4, l.name.right + 4, l.name.bottom + 4}, true);
  ui::fill(l.name, ui::colour(ui::Colour::field_back));
  ui::set_text_colour(ui::colour(ui::Colour::field_text));
  ui::draw_text_clipped(name + "_", l.name.left + 4, l.name.top + 2, l.name.right - 4);
  for (const auto& [r, label] : {std::pair{l.host, "Host"}, std::pair{l.join, "Join"}}) {
    ui::button_frame(r, false);
    ui::fill({r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, ui::colour(ui::Colour::button));
    ui::set_text_colour(ui::colour(ui::Colour::label));
    ui::draw_centred_text(label, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  ui::mark_dirty();
}

}  // namespace

net::DialogChoice connection_dialog(const std::vector<std::string>& connections, net::SessionSearch search,
                                    const std::string& default_name) {
  net::DialogChoice choice;
  // The first line of the connection list names no connection.
  int32_t connection = connections.size() > 2 ? 0 : static_cast<int32_t>(connections.size()) - 1;
  while (connection <= 0) {
    connection = ui::list_choice("Network connection", connections, 1);
    if (connection < 0) return choice;
  }
  const Layout l = layout();
  std::string name = default_name.substr(0, kNameMax);
  std::vector<net::Found> found = search(connection);
  int32_t current = found.empty() ? -1 : 0;
  auto searched = std::chrono::steady_clock::now();
  draw(l, found, current, name);
  ui::wait_begin();
  while (true) {
    if (std::chrono::steady_clock::now() - searched >= kRefresh) {
      // The selection stays on the session of the same name.
      const std::string selected = current >= 0 ? found[static_cast<size_t>(current)].name : std::string();
      found = search(connection);
      searched = std::chrono::steady_clock::now();
      current = found.empty() ? -1 : 0;
      for (size_t i = 0; i < found.size(); ++i)
        if (found[i].name == selected) current = static_cast<int32_t>(i);
      draw(l, found, current, name);
    }
    const ui::Event e = ui::wait_event();
    if (e.scancode == kEscape || (e.pressed & 2)) return choice;
    const int32_t n = static_cast<int32_t>(found.size());
    bool host = e.scancode == kF1, join = e.scancode == kF2;
    if (e.scancode == kEnter) (n > 0 ? join : host) = true;
    if (e.pressed & 1) {
      if (ui::close_box().contains(e.x, e.y)) return choice;
      host = host || l.host.contains(e.x, e.y);
      join = join || l.join.contains(e.x, e.y);
      const int32_t row = std::max(ui::font_height() + 4, 8);
      const int32_t first = std::clamp(current - kRows + 1, 0, std::max(0, n - kRows));
      if (l.list.contains(e.x, e.y) && first + (e.y - l.list.top) / row < n) current = first + (e.y - l.list.top) / row;
    }
    if (host && !name.empty()) {
      choice.chosen = choice.host = true;
      choice.session_name = name;
      return choice;
    }
    if (join && current >= 0 && current < n) {
      choice.chosen = true;
      choice.session = found[static_cast<size_t>(current)];
      return choice;
    }
    if (e.scancode == kUp && current > 0) --current;
    if (e.scancode == kDown && current + 1 < n) ++current;
    if (e.scancode == kBackspace && !name.empty()) name.pop_back();
    if (e.ch >= 32 && e.ch < 127 && e.ch != '|' && name.size() < kNameMax) name += static_cast<char>(e.ch);
    draw(l, found, current, name);
  }
}

}  // namespace shell
