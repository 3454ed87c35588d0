#include "project/project_file.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/files.h"
#include "core/pools.h"
#include "core/state.h"
#include "core/text.h"
#include "project/brains.h"
#include "project/channel_map.h"
#include "project/folder_text.h"
#include "project/records.h"
#include "project/state.h"

namespace project {

namespace {

constexpr char kLoadingNotice[] = "Loading data, please wait...";

// What a project file holds, read before the table is touched.
struct FileContent {
  std::string text;
  std::string description;
  std::vector<std::string> records;  // `\` turned to `/`, "./" expanded
  std::string stop_line;             // the line that ended the records
  size_t stop_at = 0;                // where that line begins
  std::string refusal;               // why the file is not taken
};

enum class Read { kOk, kMissing, kEmpty, kRefused };

Read refuse(FileContent& fc, const std::string& why) {
  fc.refusal = why;
  return Read::kRefused;
}

void show_refusal(const std::string& path, const FileContent& fc) {
  core::box("The project file '" + path + "'|" + fc.refusal, " OK ", "");
}

std::string converted(std::string_view line) {
  return expand_folder(core::slashes_forward(line), core::state().folders.program);
}

// A CR LF inside a text would split its line in the file.
std::string one_line(std::string_view text) {
  std::string out(text);
  for (size_t p = out.find("\r\n"); p != std::string::npos; p = out.find("\r\n", p + 1)) out[p] = ' ';
  return out;
}

bool is_power_of_two(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// Lines end with CR LF; start tells where the line began.
struct Lines {
  std::string_view text;
  size_t pos = 0;

  std::string_view next(size_t& start) {
    start = pos;
    if (pos >= text.size()) return {};
    size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    pos = std::min(end + 2, text.size());
    return text.substr(start, end - start);
  }
};

// Reads the file and its records without touching the table; room is the
// number of records the table can still take.
Read read_content(const std::string& path, size_t room, FileContent& fc) {
  if (!core::file_exists(path)) return Read::kMissing;
  bool truncated = false;
  if (!core::read_file(path, fc.text, core::kProjectTextBytes, &truncated)) return refuse(fc, "cannot be read.");
  if (truncated)
    return refuse(fc, "is larger than " + std::to_string(core::kProjectTextBytes) + " bytes|and was not loaded.");
  if (fc.text.empty()) return Read::kEmpty;
  core::crlf_if_lf_only(fc.text);

  Lines lines{fc.text};
  size_t at = 0;
  std::string_view line = lines.next(at);
  while (!line.empty() && line[0] == ';') {
    fc.description = std::string(line.substr(1));
    line = lines.next(at);
  }
  // The count line is not used; a record standing in its place is kept.
  if (!is_element_record(line)) line = lines.next(at);
  while (is_element_record(line)) {
    if (fc.records.size() == room)
      return refuse(fc, "holds more elements than the project can take|(" + std::to_string(core::kElementCount) +
                            ") and was not loaded.");
    fc.records.push_back(converted(line));
    line = lines.next(at);
  }
  fc.stop_line = std::string(line);
  fc.stop_at = at;
  if (fc.records.empty()) return refuse(fc, "holds no element records and was not loaded.");
  return Read::kOk;
}

// Stores the records from the load range's first index on, then gives every
// record of the range its working brain copy: the embedded text for "-",
// otherwise a copy of the named file.
void take_records(const FileContent& fc) {
  State& s = state();
  s.range_last = s.range_first;
  for (const std::string& r : fc.records)
    if (insert_record(r, s.range_last)) ++s.range_last;
  --s.range_last;

  SectionScan sections(fc.text, fc.stop_at);
  for (int i = s.range_first; i <= s.range_last; ++i) {
    const std::string brain = get_field(i, kFieldBrain);
    set_field(i, kFieldBrain,
              brain == "-" ? make_working_brain(std::string(sections.next())) : copy_to_working_brain(brain));
  }
}

void take_background(std::string_view stop_line) {
  Scene& sc = state().scene;
  // A brain section straight after the records means there is no background line.
  if (!stop_line.empty() && stop_line[0] == '@') stop_line = {};
  const std::string line = converted(stop_line);
  sc.background = std::string(core::field(line, 1));
  sc.repetitions = core::text_to_int(core::field(line, 2));
  if (!is_power_of_two(sc.repetitions)) sc.repetitions = 1;
  sc.shared_vars = std::string(core::field(line, 3));
}

// The notice stands while an existing file is read; an empty notice ends it.
bool show_notice(const std::string& path) {
  const bool shown = !core::state().stand_alone && core::file_exists(path);
  if (shown) core::notice(kLoadingNotice);
  return shown;
}

void close_notice(bool shown) {
  if (shown) core::notice("");
}

void new_project() {
  State& s = state();
  clear_channels();
  s.records[0] = default_camera_record(core::state().folders.program);
  s.last = 0;
  s.current = 0;
  s.range_first = s.range_last = 0;
  // The camera's brain is embedded and empty.
  s.records[0] = core::with_field(s.records[0], kFieldBrain, make_working_brain(std::string()));
}

// The file text for the records first..last (a valid range of the table);
// the background line only for a whole project.
std::string project_text(int first, int last, bool whole, const std::string& description) {
  const State& s = state();
  const std::string& program = core::state().folders.program;
  core::LineWriter w;
  w.line(";" + one_line(description));
  w.line(last - first + 1);
  for (int i = first; i <= last; ++i) {
    std::string r = core::with_field(s.records[i], kFieldBrain, "-");
    if (!is_element_record(r)) r = core::with_field(r, kFieldType, "0");
    w.line(shorten_folder(one_line(r), program));
  }
  if (whole) {
    const Scene& sc = s.scene;
    w.line(
        shorten_folder(one_line(sc.background + "|" + std::to_string(sc.repetitions) + "|" + sc.shared_vars), program));
  }
  for (int i = first; i <= last; ++i) {
    w.line("@" + std::to_string(i - first));
    const std::string brain = read_brain(std::string(core::field(s.records[i], kFieldBrain)));
    Lines lines{brain};
    size_t at = 0;
    while (lines.pos < brain.size()) w.line(lines.next(at));
  }
  return w.text();
}

}  // namespace

bool load_project(const std::string& path, std::string& description) {
  State& s = state();
  const bool notice = show_notice(path);
  FileContent fc;
  const Read got = read_content(path, core::kElementCount, fc);
  if (got == Read::kRefused) {
    close_notice(notice);
    show_refusal(path, fc);
    s.refused_path = path;
    return false;
  }
  s.refused_path.clear();
  if (got == Read::kOk) {
    s.last = -1;
    s.range_first = s.range_last = 0;
    take_records(fc);
    s.last = s.range_last;
    take_background(fc.stop_line);
    s.description = fc.description;
    description = fc.description;
  }
  close_notice(notice);

  s.scene.fog_start = 10240;
  s.scene.fog_end = 15360;
  s.scene.fog_colour = 0xFF000000u;
  if (got != Read::kOk) {
    new_project();
    return true;
  }
  load_col(col_path(path));
  return true;
}

bool load_records(const std::string& path, int first, std::string* description) {
  State& s = state();
  const bool notice = show_notice(path);
  FileContent fc;
  const Read got = read_content(path, static_cast<size_t>(core::kElementCount - 1 - s.last), fc);
  if (got != Read::kOk) {
    close_notice(notice);
    if (got != Read::kRefused) refuse(fc, got == Read::kMissing ? "was not found." : "holds no element records.");
    show_refusal(path, fc);
    return false;
  }
  s.range_first = std::clamp(first, 0, s.last + 1);
  take_records(fc);
  if (description) *description = fc.description;
  close_notice(notice);
  return true;
}

bool save_project(const std::string& path, const std::string& description) {
  State& s = state();
  if (s.last < 0 || path == s.refused_path) return false;
  const std::string text = project_text(0, s.last, true, description);
  if (text.size() > core::kProjectTextBytes)
    core::box("The project '" + path + "' is larger than|" + std::to_string(core::kProjectTextBytes) +
                  " bytes and cannot be loaded again.",
              " OK ", "");
  s.description = description;
  const bool wrote_project = core::write_file_atomic(path, text);
  clear_channels_above(s.last);
  const bool wrote_col = save_col(col_path(path));
  return wrote_project && wrote_col;
}

bool save_range(const std::string& path, const std::string& description) {
  const State& s = state();
  const int first = std::max(s.range_first, 0);
  const int last = std::min(s.range_last, s.last);
  if (first > last) return false;
  return core::write_file_atomic(path, project_text(first, last, false, description));
}

}  // namespace project
