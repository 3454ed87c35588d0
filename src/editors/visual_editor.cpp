#include "editors/visual_editor.h"

#include <algorithm>

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/device.h"
#include "media/font.h"
#include "media/visual_file.h"
#include "ui/boxes.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/preview.h"
#include "ui/screen.h"

namespace editors {

namespace {

constexpr int kEscape = 1;
constexpr int kPageUp = 73, kPageDown = 81, kHome = 71, kUp = 72, kDown = 80, kLeft = 75, kRight = 77;
constexpr size_t kShownName = 15;

// Screen rows of the field list, in order.
enum Row : int {
  kRowName = 0,
  kRowFrame,
  kRowPart,
  kRowSource,
  kRowTarget,
  kRowMorph,
  kRowTexture,
  kRowTextureMode,
  kRowTransparency,
  kRowTranslucency,
  kRowWrap,
  kRowQuality,
  kRowMaterial,
  kRowFlip,
  kRowColour,
  kRowWrapShape,  // not one of part_field_lines: shown after WRAP DIRECTION
  kRows,
};

// The rows from the top of the screen down.
constexpr Row kScreenOrder[kRows] = {kRowName,         kRowFrame,        kRowPart,    kRowSource,
                                     kRowTarget,       kRowMorph,        kRowTexture, kRowTextureMode,
                                     kRowTransparency, kRowTranslucency, kRowWrap,    kRowWrapShape,
                                     kRowQuality,      kRowMaterial,     kRowFlip,    kRowColour};

// The turning view of the visual, right of the field list.
constexpr ui::Rect kPreview{344, 40, 615, 311};
constexpr int32_t kStartYaw = 20, kStartPitch = 20, kTurnStep = 15;

constexpr const char* kTextureModes[] = {"COLOR ONLY", "SIX VIEWS", "FLAT PROJECTION", "CYLINDRICAL WRAP"};
constexpr const char* kQualities[] = {"WIREFRAME", "UNLITFLAT", "FLAT", "GOURAUD"};
constexpr const char* kWraps[] = {"BACK", "RIGHT", "FRONT", "LEFT", "TOP", "BOTTOM"};
constexpr const char* kWrapShapes[] = {"FLAT", "CYLINDER", "SPHERE", "CHROME"};

std::string shown_name(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  return std::string(path.substr(0, kShownName));
}

int32_t number(const std::string& record, int k) { return core::text_to_int(core::field(record, k)); }

const char* pick(const char* const* names, int count, int32_t i) { return names[std::clamp(i, 0, count - 1)]; }

std::string file_name_of(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A path chosen in a selector, written relative ("./") when it lies in the
// program folder.
std::string record_path(const std::string& chosen) {
  const std::string& program = core::state().folders.program;
  if (!program.empty() && chosen.rfind(program, 0) == 0) return "./" + chosen.substr(program.size());
  return chosen;
}

class VisualEditor {
 public:
  VisualEditor(std::string temp, std::string name) : temp_(std::move(temp)), name_(std::move(name)) {
    std::string text;
    core::read_file(temp_, text, media::kMaxVisualFileBytes);
    records_ = visual_records(text);
    if (records_.empty()) records_.push_back(new_part_record(1));
  }

  void run() {
    while (true) {
      draw();
      ui::wait_begin();
      while (true) {
        const ui::Event e = ui::wait_event();
        if (e.scancode == kEscape) return;
        if (turn_key(e.scancode)) continue;
        if (turn_drag(e)) continue;
        int row = -1;
        if (e.scancode == kPageUp) row = -2;
        if (e.scancode == kPageDown) row = -3;
        if (e.pressed & 1) {
          const int hit = ui::button_under_mouse();
          if (hit == ui::kCloseBox) return;
          if (hit >= 0 && hit < kRows) row = kScreenOrder[hit];
          if (hit == kRows) row = -4;      // the part menu
          if (hit == kRows + 1) row = -5;  // frame order
        }
        if (row == -1) continue;
        act(row);
        save_copy();
        break;
      }
    }
  }

 private:
  std::string& record() { return records_[static_cast<size_t>(record_index())]; }
  int32_t record_index() const {
    const std::vector<int32_t> parts = frame_records(records_, frame_);
    if (parts.empty()) return 0;
    return parts[static_cast<size_t>(std::clamp(part_, 0, static_cast<int32_t>(parts.size()) - 1))];
  }
  void set(int k, const std::string& v) { record() = core::with_field(record(), k, v); }
  void cycle(int k, int32_t lo, int32_t hi) {
    int32_t v = number(record(), k) + 1;
    if (v > hi || v < lo) v = lo;
    set(k, std::to_string(v));
  }
  // The cursor keys turn the preview, Home brings it back to the start.
  bool turn_key(int scancode) {
    switch (scancode) {
      case kLeft: yaw_ -= kTurnStep; break;
      case kRight: yaw_ += kTurnStep; break;
      case kUp: pitch_ = std::min(pitch_ + kTurnStep, 85); break;
      case kDown: pitch_ = std::max(pitch_ - kTurnStep, -85); break;
      case kHome:
        yaw_ = kStartYaw;
        pitch_ = kStartPitch;
        break;
      default: return false;
    }
    yaw_ = (yaw_ % 360 + 360) % 360;
    draw_preview();
    return true;
  }

  // A left drag that starts on the preview turns it: a degree a pixel.
  bool turn_drag(const ui::Event& e) {
    if ((e.pressed & 1) && kPreview.contains(e.x, e.y)) {
      turning_ = true;
      turn_x_ = e.x;
      turn_y_ = e.y;
      return true;
    }
    if (!turning_) return false;
    if (!(e.buttons & 1)) {
      turning_ = false;
      return true;
    }
    if (e.x != turn_x_ || e.y != turn_y_) {
      yaw_ = ((yaw_ + e.x - turn_x_) % 360 + 360) % 360;
      pitch_ = std::clamp(pitch_ + e.y - turn_y_, -85, 85);
      turn_x_ = e.x;
      turn_y_ = e.y;
      draw_preview();
    }
    return true;
  }

  void clamp_position() {
    frame_ = std::clamp(frame_, 0, std::max(visual_frame_count(records_) - 1, 0));
    part_ = std::clamp(part_, 0, std::max(static_cast<int32_t>(frame_records(records_, frame_).size()) - 1, 0));
  }

  void act(int row) {
    const std::string program = core::state().folders.program;
    const int32_t frames = visual_frame_count(records_);
    switch (row) {
      case -2: frame_ = std::max(frame_ - 1, 0); break;
      case -3: frame_ = std::min(frame_ + 1, std::max(frames - 1, 0)); break;
      case kRowFrame: frame_ = frames > 0 ? (frame_ + 1) % frames : 0; break;
      case kRowPart: {
        const int32_t parts = static_cast<int32_t>(frame_records(records_, frame_).size());
        part_ = parts > 0 ? (part_ + 1) % parts : 0;
        break;
      }
      case kRowSource:
      case kRowTarget: {
        const std::string chosen = ui::list_file_selector(program + "visuals/", "*.3ds");
        if (!chosen.empty()) set(row == kRowSource ? 3 : 30, record_path(chosen));
        break;
      }
      case kRowMorph: {
        bool ok = false;
        const std::string v = ui::input_box(200, std::to_string(number(record(), 31)), "Morphing percentage",
                                            ui::InputStyle::number, &ok);
        if (ok) set(31, std::to_string(std::clamp(core::text_to_int(v), 0, 100)));
        break;
      }
      case kRowTexture: {
        const std::string chosen = ui::list_file_selector(program + "images/", "*.bmp");
        if (!chosen.empty()) set(2, record_path(chosen));
        break;
      }
      case kRowTextureMode: cycle(4, 0, 3); break;
      case kRowTransparency: cycle(11, 0, 1); break;
      case kRowTranslucency: cycle(10, 0, 1); break;
      case kRowWrap: cycle(29, 1, 6); break;
      case kRowWrapShape: cycle(28, 0, 3); break;
      case kRowQuality: cycle(5, 0, 3); break;
      case kRowMaterial: cycle(6, 0, 1); break;
      case kRowFlip: cycle(7, 0, 1); break;
      case kRowColour: {
        bool ok = false;
        const std::string now = std::string(core::field(record(), 25)) + "-" + std::string(core::field(record(), 26)) +
                                "-" + std::string(core::field(record(), 27));
        const std::string v = ui::input_box(200, now, "RGB color", ui::InputStyle::text, &ok);
        if (ok)
          for (int k = 0; k < 3; ++k)
            set(25 + k, std::to_string(std::clamp(core::text_to_int(core::field(v, k + 1, '-')), 0, 255)));
        break;
      }
      case -4: {
        const int32_t choice = ui::menu("ADD NEW PART|DELETE CURRENT PART|CANCEL");
        if (choice == 1) {
          const int32_t at = insert_part(records_, frame_);
          if (at >= 0) part_ = static_cast<int32_t>(frame_records(records_, frame_).size()) - 1;
        }
        if (choice == 2 && records_.size() > 1) delete_part(records_, record_index());
        break;
      }
      case -5: {
        std::string order;
        for (int32_t f = 1; f <= frames; ++f) order += (f > 1 ? "," : "") + std::to_string(f);
        bool ok = false;
        const std::string v = ui::input_box(400, order, "Re-arrange animation frames list:", ui::InputStyle::text, &ok);
        if (ok && !rearrange_frames(records_, v))
          core::box("The frames list names a frame twice or one that|does not exist", " OK ", " OK ");
        break;
      }
      default: break;
    }
    clamp_position();
  }

  void save_copy() {
    if (!core::write_file_atomic(temp_, visual_text(records_))) core::error_box("Cannot write " + temp_);
  }

  void draw() {
    ui::clear_screen();
    ui::draw_panel({0, 0, 640, 480}, true);
    ui::set_text_colour(ui::colour(ui::Colour::label));
    std::vector<std::string> lines = part_field_lines(records_, frame_, part_, name_);
    lines.resize(kRows);
    lines[kRowWrapShape] = part_wrap_shape_line(records_, frame_, part_);
    const int32_t h = std::max(ui::font_height() + 6, 18);
    for (int r = 0; r < kRows; ++r) {
      const ui::Rect rect{40, 40 + r * h, 336, 40 + r * h + h - 2};
      const int b = ui::add_button(rect, kScreenOrder[r] == kRowName);
      (void)b;
      ui::draw_text_clipped(lines[static_cast<size_t>(kScreenOrder[r])], rect.left + 8, rect.top + 3, rect.right - 6);
    }
    const int32_t y = 40 + kRows * h + 10;
    const int parts_button = ui::add_button({40, y, 300, y + 24}, false);
    ui::button_label("PART MENU", parts_button);
    const int order_button = ui::add_button({340, y, 600, y + 24}, false);
    ui::button_label("FRAMES ORDER", order_button);
    ui::draw_text("PgUp/PgDn = frame, click a line to change it, Esc = leave", 40, y + 34);
    ui::draw_text("Drag the view or use the cursor keys to turn it, Home = front", 40, y + 34 + ui::font_height());
    draw_preview();
  }

  // The current frame as it looks, from the editing copy.
  void draw_preview() {
    ui::fill(kPreview, 0);
    ui::outline({kPreview.left - 1, kPreview.top - 1, kPreview.right + 1, kPreview.bottom + 1},
                ui::colour(ui::Colour::label));
    if (!ui::draw_visual_preview(kPreview, temp_, frame_, yaw_, pitch_)) {
      ui::set_text_colour(ui::colour(ui::Colour::label));
      ui::draw_centred_text("NO PREVIEW", (kPreview.left + kPreview.right) / 2, (kPreview.top + kPreview.bottom) / 2);
    }
    ui::mark_dirty();
  }

  std::string temp_;
  std::string name_;
  std::vector<std::string> records_;
  int32_t frame_ = 0, part_ = 0;
  int32_t yaw_ = kStartYaw, pitch_ = kStartPitch;
  bool turning_ = false;
  int32_t turn_x_ = 0, turn_y_ = 0;
};

// Leaving: the copy is saved under a name the user gives, or dropped.
void save_as(const std::string& temp, const std::string& visual) {
  const std::string program = core::state().folders.program;
  std::string name = file_name_of(visual);
  name = name.substr(0, name.rfind('.'));
  while (true) {
    name = ui::input_box(400, name,
                         "Save visual as (blank to exit without saving)|The visual (.v3d) file will be saved to the|" +
                             program + "visuals/myvisual/ folder.",
                         ui::InputStyle::file_name);
    const std::string target = saved_visual_path(program, name);
    if (target.empty()) return;
    const std::string shown = name.substr(0, name.find('.'));
    if (core::file_exists(target) &&
        core::box("Using the name '" + shown + "' you will overwrite an existing file", " CONTINUE ", " RENAME ") != 1)
      continue;
    std::string text;
    core::read_file(temp, text, media::kMaxVisualFileBytes);
    core::make_folders(program + "visuals/myvisual/");
    if (!core::write_file_atomic(target, text)) core::error_box("Cannot write " + target);
    return;
  }
}

}  // namespace

std::string new_part_record(int32_t frame) {
  return std::to_string(frame) +
         "|./images/default_.bmp|./visuals/default_.3ds|1|3|0|0|0|0|0|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|255|255|255|0|1|"
         "./visuals/default_.3ds|0";
}

std::vector<std::string> visual_records(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size() && out.size() < static_cast<size_t>(media::kMaxVisualLines)) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    out.emplace_back(line);
    start = end + 1;
  }
  return out;
}

std::string visual_text(const std::vector<std::string>& records) {
  std::string out;
  for (const std::string& r : records) out += r + "\r\n";
  return out;
}

namespace {
// Start indices of the frames: runs of equal positive frame numbers.
std::vector<std::pair<int32_t, int32_t>> frame_runs(const std::vector<std::string>& records) {
  std::vector<std::pair<int32_t, int32_t>> runs;  // first, end
  int32_t previous = 0;
  for (int32_t i = 0; i < static_cast<int32_t>(records.size()); ++i) {
    const int32_t n = number(records[static_cast<size_t>(i)], 1);
    if (n > 0 && n == previous && !runs.empty() && runs.back().second == i)
      runs.back().second = i + 1;
    else if (n > 0)
      runs.emplace_back(i, i + 1);
    previous = n;
  }
  return runs;
}
}  // namespace

int32_t visual_frame_count(const std::vector<std::string>& records) {
  return static_cast<int32_t>(frame_runs(records).size());
}

std::vector<int32_t> frame_records(const std::vector<std::string>& records, int32_t frame) {
  const auto runs = frame_runs(records);
  std::vector<int32_t> out;
  if (frame < 0 || frame >= static_cast<int32_t>(runs.size())) return out;
  for (int32_t i = runs[static_cast<size_t>(frame)].first; i < runs[static_cast<size_t>(frame)].second; ++i)
    out.push_back(i);
  return out;
}

int32_t insert_part(std::vector<std::string>& records, int32_t frame) {
  if (records.size() >= static_cast<size_t>(media::kMaxVisualLines)) return -1;
  const auto runs = frame_runs(records);
  if (frame < 0 || frame > static_cast<int32_t>(runs.size())) return -1;
  if (frame == static_cast<int32_t>(runs.size())) {
    const int32_t number_of_new = runs.empty() ? 1 : number(records[static_cast<size_t>(runs.back().first)], 1) + 1;
    const int32_t at = runs.empty() ? 0 : runs.back().second;
    records.insert(records.begin() + at, new_part_record(number_of_new));
    return at;
  }
  const auto [first, end] = runs[static_cast<size_t>(frame)];
  records.insert(records.begin() + end, new_part_record(number(records[static_cast<size_t>(first)], 1)));
  return end;
}

bool delete_part(std::vector<std::string>& records, int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(records.size())) return false;
  records.erase(records.begin() + index);
  return true;
}

bool rearrange_frames(std::vector<std::string>& records, std::string_view order) {
  const auto runs = frame_runs(records);
  const int32_t n = static_cast<int32_t>(runs.size());
  std::vector<int32_t> sequence;
  std::vector<bool> used(static_cast<size_t>(n), false);
  size_t i = 0;
  while (i < order.size()) {
    while (i < order.size() && (order[i] < '0' || order[i] > '9')) ++i;
    if (i >= order.size()) break;
    const int32_t f = core::text_to_int(order.substr(i, 9));
    while (i < order.size() && order[i] >= '0' && order[i] <= '9') ++i;
    if (f < 1 || f > n || used[static_cast<size_t>(f - 1)]) return false;
    used[static_cast<size_t>(f - 1)] = true;
    sequence.push_back(f - 1);
  }
  for (int32_t f = 0; f < n; ++f)
    if (!used[static_cast<size_t>(f)]) sequence.push_back(f);
  std::vector<std::string> out;
  for (size_t k = 0; k < sequence.size(); ++k) {
    const auto [first, end] = runs[static_cast<size_t>(sequence[k])];
    for (int32_t r = first; r < end; ++r)
      out.push_back(core::with_field(records[static_cast<size_t>(r)], 1, std::to_string(k + 1)));
  }
  // Lines that belong to no frame stay at the end.
  for (int32_t r = 0; r < static_cast<int32_t>(records.size()); ++r)
    if (number(records[static_cast<size_t>(r)], 1) <= 0) out.push_back(records[static_cast<size_t>(r)]);
  records = std::move(out);
  return true;
}

std::vector<std::string> part_field_lines(const std::vector<std::string>& records, int32_t frame, int32_t part,
                                          std::string_view name) {
  const std::vector<int32_t> parts = frame_records(records, frame);
  const std::string empty;
  const std::string& r =
      parts.empty() ? empty
                    : records[static_cast<size_t>(
                          parts[static_cast<size_t>(std::clamp(part, 0, static_cast<int32_t>(parts.size()) - 1))])];
  const int32_t mode = std::clamp(number(r, 4), 0, 3);
  auto yes_no = [](int32_t v) { return std::string(v ? "YES" : "NO"); };
  const std::string target(core::field(r, 30));
  std::vector<std::string> out(kRowWrapShape);  // the wrap shape has its own line
  out[kRowName] = "VISUAL NAME...: " + std::string(name);
  out[kRowFrame] = "FRAME.........# " + std::to_string(frame + 1) + " of " +
                   std::to_string(visual_frame_count(records));
  out[kRowPart] = "PART..........# " + std::to_string(part + 1) + " of " + std::to_string(parts.size());
  out[kRowSource] = "PART SOURCE...: " + shown_name(core::field(r, 3));
  out[kRowTarget] = "PART TARGET.... " + (target.empty() ? std::string("[opt]") : shown_name(target));
  out[kRowMorph] = "MORPHING:.....% " + std::to_string(number(r, 31));
  out[kRowTexture] = "TEXTURE NAME..: " + shown_name(core::field(r, 2));
  out[kRowTextureMode] = "TEXTURE MODE..: " + std::string(kTextureModes[mode]);
  out[kRowTransparency] = "TRANSPARENCY..: " + (mode == 0 ? std::string("-") : yes_no(number(r, 11)));
  out[kRowTranslucency] = "TRANSLUCENCY..: " + yes_no(number(r, 10));
  out[kRowWrap] = "WRAP DIRECTION: " + (mode <= 1 ? std::string("-") : std::string(pick(kWraps, 6, number(r, 29) - 1)));
  out[kRowQuality] = "QUALITY.......: " + std::string(pick(kQualities, 4, number(r, 5)));
  out[kRowMaterial] = "MATERIAL......: " + std::string(number(r, 6) ? "METAL" : "DULL");
  out[kRowFlip] = "FACES FLIP....: " + std::string(number(r, 7) == 0 ? "YES" : "NO");
  out[kRowColour] = "COLOR.........: " + (mode != 0
                                              ? std::string("-")
                                              : std::to_string(number(r, 25)) + "-" + std::to_string(number(r, 26)) +
                                                    "-" + std::to_string(number(r, 27)));
  return out;
}

std::string part_wrap_shape_line(const std::vector<std::string>& records, int32_t frame, int32_t part) {
  const std::vector<int32_t> parts = frame_records(records, frame);
  if (parts.empty()) return "WRAP SHAPE....: -";
  const std::string& r = records[static_cast<size_t>(
      parts[static_cast<size_t>(std::clamp(part, 0, static_cast<int32_t>(parts.size()) - 1))])];
  if (number(r, 4) < 2) return "WRAP SHAPE....: -";
  return "WRAP SHAPE....: " + std::string(pick(kWrapShapes, 4, number(r, 28)));
}

std::string saved_visual_path(const std::string& program_folder, std::string_view name) {
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  if (name.empty() || name.find_first_of("/\\:") != std::string_view::npos) return {};
  return program_folder + "visuals/myvisual/" + std::string(name) + ".v3d";
}

void run_visual_editor(const std::string& start_path, const std::string& screenshot) {
  const std::string visual = ui::picture_file_selector(start_path, 11, "Select a visual to edit");
  if (visual.empty()) return;
  std::string text;
  if (!core::read_file(visual, text, media::kMaxVisualFileBytes)) {
    core::box("Cannot read the visual " + file_name_of(visual), " OK ", " OK ");
    return;
  }
  const std::string temp = core::state().folders.data + "temp.tmp";
  if (!core::write_file_atomic(temp, text)) {
    core::error_box("Cannot write " + temp);
    return;
  }
  const std::string& data = core::state().folders.data;
  media::select_tool_font(data, true);
  {
    VisualEditor editor(temp, file_name_of(visual));
    editor.run();
  }
  if (!screenshot.empty() && !media::save_screenshot(screenshot)) core::error_box("Cannot write " + screenshot);
  save_as(temp, visual);
  media::select_tool_font(data, false);
  ui::clear_screen();
  ui::clear_display();
}

}  // namespace editors
