#include "project/brains.h"

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "project/state.h"

namespace project {

namespace {

bool line_starts_at(std::string_view text, size_t p) {
  return p == 0 || (p >= 2 && text[p - 2] == '\r' && text[p - 1] == '\n');
}

// The next "@" that begins a line, at or after from; npos when none.
size_t next_at_line(std::string_view text, size_t from) {
  for (size_t p = text.find('@', from); p != std::string_view::npos; p = text.find('@', p + 1))
    if (line_starts_at(text, p)) return p;
  return std::string_view::npos;
}

}  // namespace

std::string next_working_brain() {
  State& s = state();
  ++s.brain_counter;
  const core::State& c = core::state();
  return c.folders.program + (c.stand_alone ? "" : "brains/") + core::hex8(s.brain_counter) + ".bra";
}

std::string make_working_brain(std::string text) {
  std::string name = next_working_brain();
  if (core::state().stand_alone && state().protect) state().protect(text);
  if (!core::write_file_atomic(name, text)) {
    core::make_folders(core::folder_of(name));
    core::write_file_atomic(name, text);
  }
  return name;
}

std::string copy_to_working_brain(const std::string& source) { return make_working_brain(read_brain(source)); }

std::string read_brain(const std::string& path) {
  std::string text;
  // Only plain files: a pipe or device named by a record would block.
  if (core::file_exists(path)) core::read_file(path, text);
  return text;
}

SectionScan::SectionScan(std::string_view file_text, size_t from) : text(file_text) {
  for (size_t p = from; (p = next_at_line(text, p)) != std::string_view::npos; ++p) {
    if (text.substr(p, 4) == "@0\r\n") {
      pos = p;
      return;
    }
  }
}

std::string_view SectionScan::next() {
  if (pos >= text.size()) return {};
  size_t eol = text.find("\r\n", pos);
  size_t start = eol == std::string_view::npos ? text.size() : eol + 2;
  size_t end = next_at_line(text, start);
  if (end == std::string_view::npos) end = text.size();
  pos = end;
  return text.substr(start, end - start);
}

}  // namespace project
