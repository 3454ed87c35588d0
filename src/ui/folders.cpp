// Folder listings, patterns, paths and drive letters of the file selectors.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "ui/files.h"

namespace ui {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

bool glob(std::string_view p, std::string_view n) {
  // Iterative matching with one backtrack point for the last '*'.
  size_t pi = 0, ni = 0, star = std::string_view::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || lower(p[pi]) == lower(n[ni]))) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

bool ends_with_bmp(std::string_view p) { return p.size() >= 4 && lowered(p.substr(p.size() - 4)) == ".bmp"; }

std::string with_slash(std::string f) {
  if (f.empty() || f.back() != '/') f += '/';
  return f;
}

const std::string& program() { return core::state().folders.program; }

}  // namespace

bool pattern_matches(std::string_view pattern, std::string_view name) {
  // "*.*" is every file, with or without an extension.
  if (pattern.empty() || pattern == "*.*") pattern = "*";
  if (glob(pattern, name)) return true;
  if (ends_with_bmp(pattern)) {
    std::string ppm(pattern.substr(0, pattern.size() - 4));
    ppm += ".ppm";
    return glob(ppm, name);
  }
  return false;
}

FileList list_folder(const std::string& folder, std::string_view pattern, bool folders) {
  FileList list;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, ec);
  if (ec) return list;
  list.readable = true;
  std::vector<FileEntry> all;
  int read = 0;
  for (const std::filesystem::directory_iterator end; it != end && read < kMaxNamesRead; it.increment(ec)) {
    if (ec) break;
    ++read;
    const std::string name = it->path().filename().string();
    if (name.empty() || name == "." || name == "..") continue;
    struct stat st {};
    const bool known = ::stat((folder + name).c_str(), &st) == 0;
    const bool is_folder = known && S_ISDIR(st.st_mode);
    if (is_folder) {
      if (folders) all.push_back({name, 0, true});
    } else if (pattern_matches(pattern, name)) {
      all.push_back({name, known ? static_cast<uint64_t>(st.st_size) : 0, false});
    }
  }
  list.found = all.size();
  // Folders first, then the lower-cased names in byte order (the real name
  // breaks ties, so the order never depends on the reading order).
  std::sort(all.begin(), all.end(), [](const FileEntry& a, const FileEntry& b) {
    if (a.folder != b.folder) return a.folder;
    const std::string la = lowered(a.name), lb = lowered(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  if (all.size() > static_cast<size_t>(kMaxFileEntries)) all.resize(kMaxFileEntries);
  list.entries = std::move(all);
  return list;
}

std::string folder_of_path(std::string_view path) {
  const size_t at = path.find_last_of("/:\\");
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string drive_folder(char letter) {
  switch (lower(letter)) {
    case 'a': return "/";
    case 'b': {
      const char* home = std::getenv("HOME");
      return home && *home == '/' ? with_slash(home) : "/";
    }
    case 'd': return "/media/";
    case 'e': return "/mnt/";
    case 'f': return "/run/media/";
    case 'g': return "/srv/";
    case 'h': return "/home/";
    case 'i': return "/tmp/";
    case 'l': return "/var/";
    default: return program().empty() ? std::string("/") : program();
  }
}

std::string existing_drives() {
  std::string out;
  for (char c : std::string_view(kDriveLetters)) {
    if (c == '|') continue;
    std::error_code ec;
    if (!std::filesystem::is_directory(drive_folder(c), ec)) continue;
    if (!out.empty()) out += '|';
    out += c;
  }
  return out;
}

std::string resolve_path(std::string_view path) {
  std::string p = core::slashes_forward(path);
  const bool lettered = p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
  if (lettered) {
    std::string rest = p.substr(2);
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    return drive_folder(p[0]) + rest;
  }
  if (p.rfind("./", 0) == 0) return program() + p.substr(2);
  if (p.empty() || p.front() != '/') return program() + p;
  return p;
}

std::string parent_folder(const std::string& folder) {
  std::string f = with_slash(folder);
  if (f == "/") return f;
  f.pop_back();
  const size_t at = f.rfind('/');
  if (at == std::string::npos) return with_slash(folder);
  return f.substr(0, at + 1);
}

int32_t scroll_thumb_top(int32_t list_top, int32_t list_height, int32_t first_row, int32_t entries) {
  if (entries <= kListRows) return list_top;
  return list_top + static_cast<int32_t>(int64_t{list_height - 6} * (first_row - 1) / (entries - kListRows));
}

int32_t letter_jump(const FileList& list, char letter, int32_t first_row) {
  const auto n = static_cast<int32_t>(list.entries.size());
  if (n <= kListRows) return first_row;
  for (int32_t i = 0; i < n; ++i) {
    const FileEntry& e = list.entries[static_cast<size_t>(i)];
    // Folders are listed as "(dir) name": no letter starts them.
    if (!e.folder && !e.name.empty() && lower(e.name[0]) == lower(letter))
      return std::clamp(i + 1, 1, n - (kListRows - 1));
  }
  return first_row;
}

}  // namespace ui
