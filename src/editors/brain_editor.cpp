#include "editors/brain_editor.h"

#include <algorithm>

#include "brain/variables.h"
#include "core/files.h"
#include "core/process.h"
#include "core/state.h"
#include "editors/brain_text.h"
#include "editors/parameters.h"
#include "media/font.h"
#include "media/input.h"
#include "platform/video.h"
#include "project/brains.h"
#include "project/records.h"
#include "ui/boxes.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/screen.h"

namespace editors {

namespace {

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 12;
constexpr int kStatusEvery = 64;
constexpr char kStatusText[] =
    " Shft+Crs=range |    F1=load     |    F2=save     |F4/F3=store/find|^+U/R=undo/redo |Ctrl+A=indentall|"
    "Alt+D=deleteline|^+C/V=copy/paste";

// Scan codes of the editor's keys.
enum Key : int32_t {
  kEsc = 1,
  kBackspace = 14,
  kTab = 15,
  kR = 19,
  kU = 22,
  kEnter = 28,
  kA = 30,
  kD = 32,
  kH = 35,
  kX = 45,
  kC = 46,
  kV = 47,
  kF1 = 59,
  kF2 = 60,
  kF3 = 61,
  kF4 = 62,
  kHome = 71,
  kUp = 72,
  kPageUp = 73,
  kLeft = 75,
  kRight = 77,
  kEnd = 79,
  kDown = 80,
  kPageDown = 81,
  kDelete = 83,
};

// The internal clipboard: the marker, the length and the bytes.
struct Clipboard {
  uint32_t marker = 0;
  std::string bytes;
};

Clipboard& clipboard() {
  static Clipboard c;
  return c;
}

void draw_text_area(const BrainText& t, bool view_only) {
  ui::clear_screen();
  ui::set_text_colour(ui::colour(view_only ? ui::Colour::menu_label : ui::Colour::message));
  const auto& lines = t.lines();
  for (int32_t row = 0; row < kTextRows; ++row) {
    const auto line = static_cast<size_t>(t.top() + row);
    if (line >= lines.size()) break;
    const std::string& l = lines[line];
    for (size_t col = 0; col < l.size() && col < static_cast<size_t>(kTextColumns); ++col)
      ui::draw_text(std::string_view(&l[col], 1), static_cast<int32_t>(col) * kCellWidth, row * kCellHeight);
  }
  // The selection, inverted cell by cell on screen.
  if (t.has_selection()) {
    Position a, b;
    t.selection(a, b);
    for (int32_t line = std::max(a.line, t.top()); line <= b.line && line < t.top() + kTextRows; ++line) {
      const int32_t from = line == a.line ? a.column : 0;
      const int32_t to = line == b.line ? b.column : static_cast<int32_t>(lines[static_cast<size_t>(line)].size()) + 1;
      if (to <= from) continue;
      const int32_t y = (line - t.top()) * kCellHeight;
      ui::fill({from * kCellWidth, y, std::min(to, kTextColumns) * kCellWidth - 1, y + kCellHeight - 1}, -255);
    }
  }
  const int32_t x = t.column() * kCellWidth, y = t.row() * kCellHeight;
  ui::fill({x, y + kCellHeight - 2, x + kCellWidth - 1, y + kCellHeight - 1}, -255);
  ui::mark_dirty();
}

void draw_status(const BrainText& t, int field) {
  ui::fill({472, 466, 639, 479}, 0);
  ui::set_text_colour(ui::colour(ui::Colour::label));
  ui::draw_text(std::to_string(t.top() + t.row() + 1), 479, 470);
  ui::draw_text(std::string_view(kStatusText).substr(static_cast<size_t>(field) * 17, 16), 511, 470);
  ui::mark_dirty();
}

// Writes the text back, refusing to drop characters the editor could not
// show unless the user agrees. False when nothing was written (a text that
// is already as it would be written is left alone).
bool save_text(const std::string& path, const std::string& original, const BrainText& t, size_t dropped) {
  const std::string out = text_with_crlf(t.lines());
  if (out == original) return false;
  if (dropped > 0 && core::box("The brain '" + path + "' holds " + std::to_string(dropped) +
                                   " characters the editor cannot show.|Saving it from here would remove them.",
                               " KEEP THE FILE ", " SAVE WITHOUT THEM ") != 2)
    return false;
  if (core::write_file_atomic(path, out)) return true;
  core::box("Cannot write " + path, " OK ", " OK ");
  return false;
}

// One key event; answers a result code when the key leaves the editor.
bool handle_key(BrainText& t, const ui::Event& ev, int32_t mods, bool view_only, int32_t& result) {
  const bool shift = (mods & 3) != 0, ctrl = (mods & 4) != 0, alt = (mods & 8) != 0;
  if (ctrl) {
    switch (ev.scancode) {
      case kC:
      case kX: {
        Clipboard& c = clipboard();
        c.marker = kClipboardMarker;
        c.bytes = t.copy();
        platform::set_clipboard_text(c.bytes);
        if (ev.scancode == kX && !view_only) t.delete_selection();
        return false;
      }
      case kV: {
        if (view_only) return false;
        Clipboard& c = clipboard();
        c.marker = kClipboardMarker;
        c.bytes = platform::clipboard_text();
        t.paste(c.bytes);
        return false;
      }
      case kA:
        if (!view_only) t.indent();
        return false;
      case kU:
        if (view_only) return false;
        if (!t.undo() && t.undo_refused()) core::box("This text is too long to be undone.", " OK ", " OK ");
        return false;
      case kR:
        if (!view_only) t.redo();
        return false;
      case kH:
        if (view_only) return false;
        result = kEditorHelp;
        return true;
      default: return false;
    }
  }
  if (alt) {
    if (ev.scancode == kD && !view_only) t.delete_line();
    return false;
  }
  if (ev.ch >= 32 && ev.ch <= 122) {
    if (!view_only) t.type(static_cast<char>(ev.ch));
    return false;
  }
  switch (ev.scancode) {
    case kEsc: result = kEditorLeave; return true;
    case kF1:
      if (view_only) return false;
      result = kEditorLoad;
      return true;
    case kF2:
      if (view_only) return false;
      result = kEditorSaveAs;
      return true;
    case kF3: t.find(); break;
    case kF4: t.store_search(); break;
    case kEnter:
      if (!view_only) t.enter();
      break;
    case kBackspace:
      if (!view_only) t.backspace();
      break;
    case kDelete:
      if (!view_only) t.delete_key();
      break;
    case kTab:
      if (!view_only) t.tab();
      break;
    case kHome: t.home(); break;
    case kEnd: t.end_key(); break;
    case kLeft: t.left(shift); break;
    case kRight: t.right(shift); break;
    case kUp: t.up(shift); break;
    case kDown: t.down(shift); break;
    case kPageUp: t.page_up(); break;
    case kPageDown: t.page_down(); break;
    default: break;
  }
  return false;
}

std::string null_brain() { return core::state().folders.program + "brains/null_.brn"; }

// The last name given to "save as".
std::string& save_as_name() {
  static std::string name;
  return name;
}

// F2: copies the brain to a new name in the brains folder; an empty or
// cancelled answer, or ABORT at the overwrite question, copies nothing.
void save_as(const std::string& path) {
  const std::string folder = core::state().folders.program + "brains/";
  bool confirmed = false;
  std::string answer = ui::input_box(400, save_as_name(), "Save the current brain as...", ui::InputStyle::file_name,
                                     &confirmed);
  const size_t first = answer.find_first_not_of(' ');
  answer = first == std::string::npos ? std::string() : answer.substr(first, answer.find_last_not_of(' ') - first + 1);
  if (!confirmed || answer.empty()) return;
  save_as_name() = answer;
  const std::string name = answer.substr(0, answer.find('.')) + ".brn";
  if (name == ".brn") return;
  if (core::file_exists(folder + name) &&
      core::box("Using the name '" + answer + "' you will overwrite an existing brain", " CONTINUE ", " ABORT ") != 1)
    return;
  std::string text;
  if (!core::read_file(path, text) || !core::write_file_atomic(folder + name, text))
    core::box("Cannot write " + folder + name, " OK ", " OK ");
}

void apply_rule_after_save(int32_t element) {
  std::string record = project::record(element);
  if (brain::apply_header_rule(record, project::read_brain(project::get_field(element, project::kFieldBrain)), true))
    project::set_record(element, record);
}

}  // namespace

int32_t edit_brain_file(const std::string& path, bool view_only, int32_t (&view)[4], bool* saved) {
  std::string original;
  core::read_file(path, original);
  LoadedText loaded = convert_for_editing(original);
  const size_t dropped = loaded.dropped;
  BrainText t(std::move(loaded.lines));
  t.set_view(view[0], view[1], view[2]);
  const media::Font font = media::tool_font();

  int32_t result = kEditorLeave;
  int64_t polls = 0;
  int field = 0;
  draw_text_area(t, view_only);
  ui::wait_begin();
  for (;;) {
    const ui::Event ev = ui::wait_event();
    if (++polls % kStatusEvery == 0) {
      draw_status(t, field);
      field = (field + 1) % 8;
    }
    bool redraw = false;
    if (const int32_t wheel = media::take_wheel(); wheel != 0) {
      t.wheel(wheel > 0 ? -3 : 3);
      redraw = true;
    }
    if (ev.pressed & 1) {
      t.press(ev.x, ev.y);
      redraw = true;
    } else if (ev.buttons & 1) {
      t.drag(ev.x, ev.y);
      redraw = true;
    }
    if (ev.scancode != 0 || ev.ch != 0) {
      if (handle_key(t, ev, ui::modifiers(), view_only, result)) break;
      redraw = true;
    }
    if (redraw) draw_text_area(t, view_only);
  }
  view[0] = t.top();
  view[1] = t.column();
  view[2] = t.row();
  media::set_tool_font(font);
  const bool written = !view_only && save_text(path, original, t, dropped);
  if (saved) *saved = written;
  ui::clear_screen();
  return result;
}

int32_t brain_editor_mode(int32_t element, BrainEditorSettings& settings) {
  if (!project::valid_index(element)) return element;
  for (;;) {
    const std::string path = project::get_field(element, project::kFieldBrain);
    if (path.empty() || path == "-") return element;
    if (!core::file_exists(path)) {
      std::string text;
      core::read_file(null_brain(), text);
      core::write_file_atomic(path, text);
    }
    if (!settings.outside_editor.empty() && core::file_exists(settings.outside_editor)) {
      if (core::start_program("\"" + settings.outside_editor + "\" \"" + path + "\"", true) != 0)
        core::box("Cannot start " + settings.outside_editor, " OK ", " OK ");
      apply_rule_after_save(element);
      return element;
    }
    bool chosen = false, saved = false;
    while (!chosen) {
      bool written = false;
      const int32_t result = edit_brain_file(path, false, settings.view, &written);
      saved = saved || written;
      switch (result) {
        case kEditorSaveAs: save_as(path); break;
        case kEditorLoad:
          if (core::box("The current brain modifications will be lost!", " CONTINUE ", " ABORT ") != 1) break;
          chosen = choose_brain(element, settings.picker_path);
          if (!chosen) break;
          settings.view[0] = settings.view[1] = settings.view[2] = 0;
          break;
        case kEditorHelp: break;  // no help file is configured: the editor reopens
        default:
          // The header change rule follows a save; a brain left as it was
          // keeps the element as it is.
          if (saved) apply_rule_after_save(element);
          return element;
      }
    }
  }
}

}  // namespace editors
