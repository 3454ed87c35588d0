#include "project/folder_text.h"

namespace project {

namespace {

std::string rewrite_field_starts(std::string_view line, std::string_view from, std::string_view to) {
  if (from.empty() || from == to) return std::string(line);
  std::string out;
  out.reserve(line.size() + 64);
  size_t start = 0;
  while (true) {
    size_t end = line.find('|', start);
    std::string_view f = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (f.substr(0, from.size()) == from) {
      out.append(to);
      out.append(f.substr(from.size()));
    } else {
      out.append(f);
    }
    if (end == std::string_view::npos) break;
    out.push_back('|');
    start = end + 1;
  }
  return out;
}

}  // namespace

std::string expand_folder(std::string_view line, std::string_view program) {
  return rewrite_field_starts(line, "./", program);
}

std::string shorten_folder(std::string_view line, std::string_view program) {
  return rewrite_field_starts(line, program, "./");
}

}  // namespace project
