#include "core/profile.h"

#include <cstdio>

#include "core/text.h"

namespace core {

namespace {

std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// One line of the file: [begin, end) without its line break, next = start of
// the following line.
struct Line {
  size_t begin, end, next;
};

Line line_at(std::string_view text, size_t pos) {
  size_t nl = text.find('\n', pos);
  size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
  size_t end = nl == std::string_view::npos ? text.size() : nl;
  if (end > pos && text[end - 1] == '\r') --end;
  return {pos, end, next};
}

// Section name when the line is a section header.
std::optional<std::string_view> section_name(std::string_view line) {
  line = trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim(line.substr(1, close - 1));
}

// Key and value when the line is "key=value".
bool key_value(std::string_view line, std::string_view& key, std::string_view& value) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = trim(line.substr(0, eq));
  value = trim(line.substr(eq + 1));
  return !key.empty() && key.front() != ';';
}

// Ends the last line of a text that has no line break at its end; a CR
// there becomes CR LF, so it does not stay in that line's value.
void end_last_line(std::string& out) {
  if (out.empty() || out.back() == '\n') return;
  out += out.back() == '\r' ? "\n" : "\r\n";
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> profile_get(std::string_view text, std::string_view section, std::string_view key) {
  bool in_section = false;
  for (size_t pos = 0; pos < text.size();) {
    Line l = line_at(text, pos);
    pos = l.next;
    std::string_view line = text.substr(l.begin, l.end - l.begin);
    if (auto name = section_name(line)) {
      in_section = equals_ignore_case(*name, section);
      continue;
    }
    std::string_view k, v;
    if (in_section && key_value(line, k, v) && equals_ignore_case(k, key)) {
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      return std::string(v);
    }
  }
  return std::nullopt;
}

std::string profile_set(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
  const std::string entry = std::string(key) + "=" + std::string(value) + "\r\n";
  bool in_section = false;
  size_t section_end = std::string_view::npos;  // where a missing key goes
  for (size_t pos = 0; pos < text.size();) {
    Line l = line_at(text, pos);
    std::string_view line = text.substr(l.begin, l.end - l.begin);
    if (auto name = section_name(line)) {
      if (in_section) break;
      in_section = equals_ignore_case(*name, section);
      if (in_section) section_end = l.next;
      pos = l.next;
      continue;
    }
    std::string_view k, v;
    if (in_section) {
      if (key_value(line, k, v) && equals_ignore_case(k, key)) {
        std::string out(text.substr(0, l.begin));
        out += entry;
        out.append(text.substr(l.next));
        return out;
      }
      if (!trim(line).empty()) section_end = l.next;
    }
    pos = l.next;
  }
  std::string out(text);
  if (section_end != std::string_view::npos) {
    if (section_end == text.size()) end_last_line(out);
    out.insert(section_end == text.size() ? out.size() : section_end, entry);
    return out;
  }
  end_last_line(out);
  out += "[" + std::string(section) + "]\r\n" + entry;
  return out;
}

std::string profile_struct_encode(int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  char buf[11];
  unsigned sum = 0;
  for (int i = 0; i < 4; ++i) {
    unsigned byte = (u >> (8 * i)) & 0xFF;
    sum += byte;
    std::snprintf(buf + 2 * i, 3, "%02X", byte);
  }
  std::snprintf(buf + 8, 3, "%02X", sum & 0xFF);
  return std::string(buf, 10);
}

std::optional<int32_t> profile_struct_decode(std::string_view text) {
  if (text.size() != 10) return std::nullopt;
  uint32_t value = 0;
  unsigned sum = 0;
  for (int i = 0; i < 5; ++i) {
    int hi = hex_digit(text[2 * i]), lo = hex_digit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    unsigned byte = static_cast<unsigned>(hi * 16 + lo);
    if (i < 4) {
      value |= byte << (8 * i);
      sum += byte;
    } else if ((sum & 0xFF) != byte) {
      return std::nullopt;
    }
  }
  return static_cast<int32_t>(value);
}

}  // namespace core
