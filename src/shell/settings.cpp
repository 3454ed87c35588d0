#include "shell/settings.h"

#include "core/files.h"
#include "core/text.h"

namespace shell {

namespace {

// Settings files are small; anything larger is read only this far.
constexpr size_t kMaxSettingsBytes = 1 << 20;
// Longest line kept from a settings file.
constexpr size_t kMaxLine = 4096;

std::string bounded(std::string_view line) { return std::string(line.substr(0, kMaxLine)); }

constexpr const char* kDefaultPaths[kCurpathsLines] = {
    "3dshapes/default_.a3d",
    "bckgrnds/default_.g3d",
    "brains/default_.brn",
    "sprites/default_.pcx",
    "3dsfiles/default_.3ds",
    "elements/myele/default_.ele",
    "sprites/default_.pcx",
    "frames/default_.pcx",
    "images/default_.bmp",
    "projects/myprj/default.prj",
    "visuals/default_.v3d",
    "sounds/default_.wav",
    "sprites/default_.pcx",
    nullptr,
    "counters/default_.pcx",
    "grndmaps/default_.pcx",
    nullptr,
    "images/jeep002_.pcx",
    "images/jeep004_.pcx",
    "images/jeep005_.pcx",
    "images/jeep006_.pcx",
    "images/jeep001_.pcx",
    "images/jeep003_.pcx",
};
constexpr int kTitleLine = 17;  // a title, not a path
constexpr char kDefaultTitle[] = "Tarvo 5.2";

}  // namespace

RunRequest read_run_request(const std::string& program_folder) {
  RunRequest r;
  const std::string path = program_folder + "runmode.ini";
  std::string text;
  if (!core::read_file(path, text, kMaxSettingsBytes)) {
    r.project_path = path;
    return r;
  }
  core::crlf_if_lf_only(text);
  core::LineReader lines(text);
  r.project_path = bounded(lines.next());
  r.mode = core::text_to_int(lines.next());
  r.current_element = core::text_to_int(lines.next());
  r.value4 = core::text_to_int(lines.next());
  r.value5 = core::text_to_int(lines.next());
  return r;
}

void default_paths(EditorState& s, const std::string& program_folder) {
  for (int i = 0; i < kCurpathsLines; ++i)
    s.paths[i] = kDefaultPaths[i] ? program_folder + kDefaultPaths[i] : std::string();
  s.paths[kTitleLine - 1] = kDefaultTitle;
}

void read_editor_state(EditorState& s, const std::string& program_folder, const std::string& data_folder) {
  std::string text;
  if (core::read_file(program_folder + "data/curpaths.ini", text, kMaxSettingsBytes)) {
    core::LineReader lines(text);
    for (int i = 0; i < kCurpathsLines; ++i) {
      std::string line = bounded(lines.next());
      s.paths[i] = i + 1 == kTitleLine ? line : core::slashes_forward(line);
    }
  } else {
    default_paths(s, program_folder);
  }

  if (!core::read_file(data_folder + "tarvo.ini", text, kMaxSettingsBytes)) {
    s.design_view = 0;
    s.design_scale = 512;
    s.front3 = 0;
    return;
  }
  core::LineReader lines(text);
  auto next = [&] { return core::text_to_int(lines.next()); };
  s.design_view = next();
  s.design_scale = next();
  s.front3 = next();
  for (auto& v : s.text_pos) v = next();
  for (auto& v : s.brain_text_pos) v = next();
  s.front12 = next();
  s.front13 = next();
  s.simulate_stand_alone = next();
  s.display_flag = next();
  s.resource_kit = next();
  s.resource_page = next();
  s.front18 = bounded(lines.next());
  s.description = bounded(lines.next());
  s.front20 = next();
}

std::string tarvo_text(const EditorState& s) {
  core::LineWriter w;
  w.line(s.design_view);
  w.line(s.design_scale);
  w.line(s.front3);
  for (auto v : s.text_pos) w.line(v);
  for (auto v : s.brain_text_pos) w.line(v);
  w.line(s.front12);
  w.line(s.front13);
  w.line(s.simulate_stand_alone);
  w.line(s.display_flag);
  w.line(s.resource_kit);
  w.line(s.resource_page);
  w.line(s.front18);
  w.line(s.description);
  w.line(s.front20);
  return w.text();
}

std::string curpaths_text(const EditorState& s) {
  core::LineWriter w;
  for (const auto& p : s.paths) w.line(p);
  return w.text();
}

void write_editor_state(const EditorState& s, const std::string& program_folder, const std::string& data_folder) {
  core::write_file_atomic(data_folder + "tarvo.ini", tarvo_text(s));
  core::write_file_atomic(program_folder + "data/curpaths.ini", curpaths_text(s));
}

}  // namespace shell
