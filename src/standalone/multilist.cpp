#include "standalone/multilist.h"

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"

namespace standalone {

namespace {

constexpr size_t kMaxListBytes = 4u << 20;

const std::string& program() { return core::state().folders.program; }

std::string replace_all(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
    text.replace(p, from.size(), to);
  return text;
}

std::string file_name(std::string_view path) {
  const size_t p = path.find_last_of('/');
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

// "./" at the start of a field (or after a separator) names the program
// folder.
std::string expand(const std::string& line) {
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line.compare(i, 2, "./") == 0 && (i == 0 || line[i - 1] == '|')) {
      out += program();
      ++i;
    } else {
      out += line[i];
    }
  }
  return out;
}

}  // namespace

std::string default_entry() {
  return program() + "images/wait_.bmp|" + program() + "images/anykey_.bmp|" + program() +
         "projects/myprj/default_.prj|0";
}

MultiList default_list() {
  MultiList l;
  l.fill(default_entry());
  l[0] = core::with_field(l[0], kListFieldSwitch, "1");
  return l;
}

std::string working_list_path() { return program() + "data/multilev.ini"; }
std::string named_list_path(const std::string& name) { return program() + "multilev/" + name + ".mlv"; }

bool read_list(const std::string& path, MultiList& list) {
  std::string text;
  bool truncated = false;
  if (!core::read_file(path, text, kMaxListBytes, &truncated)) {
    list = default_list();
    return false;
  }
  core::crlf_if_lf_only(text);
  core::LineReader lines(text);
  for (int i = 0; i < kListEntries; ++i) {
    const std::string_view line = lines.next();
    list[i] = lines.at_end() ? default_entry() : expand(core::slashes_forward(line));
  }
  return true;
}

bool write_list(const std::string& path, const MultiList& list) {
  core::LineWriter w;
  for (const std::string& e : list) w.line(replace_all(e, program(), "./"));
  if (core::write_file_atomic(path, w.text())) return true;
  core::make_folders(core::folder_of(path));
  return core::write_file_atomic(path, w.text());
}

bool entry_on(const MultiList& list, int index) {
  return index >= 0 && index < kListEntries && core::field(list[index], kListFieldSwitch) == "1";
}

void switch_entry(MultiList& list, int index) {
  if (index < 0 || index >= kListEntries) return;
  const int32_t v = core::text_to_int(core::field(list[index], kListFieldSwitch)) ^ 1;
  list[index] = core::with_field(list[index], kListFieldSwitch, std::to_string(v));
}

std::string output_list(const MultiList& list) {
  core::LineWriter w;
  for (int i = 0; i < kListEntries; ++i) {
    if (!entry_on(list, i)) {
      w.line("||");
      continue;
    }
    const std::string_view e = list[i];
    w.line(file_name(core::field(e, kListFieldLoading)) + "|" + file_name(core::field(e, kListFieldComplete)) + "|" +
           std::string(core::field(e, kListFieldExtra)));
  }
  return w.text();
}

std::string level_digits(int index) {
  std::string s = std::to_string((index + 1) % 1000);
  return std::string(3 - s.size(), '0') + s;
}

}  // namespace standalone
