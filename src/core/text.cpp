#include "core/text.h"

#include <cctype>
#include <cstdio>

namespace core {

int32_t text_to_int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

int32_t atoi_like(std::string_view text, size_t* consumed) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');
  if (consumed) *consumed = i;
  return static_cast<int32_t>(negative ? 0u - value : value);
}

int32_t text_to_thousandths(std::string_view text) {
  size_t dot = text.find('.');
  std::string joined(text.substr(0, dot));
  std::string fraction = dot == std::string_view::npos ? std::string() : std::string(text.substr(dot + 1));
  fraction += "000";
  joined += fraction.substr(0, 3);
  return text_to_int(joined);
}

std::string thousandths_to_text(int32_t value) {
  int64_t v = value;
  const char* sign = v < 0 ? "-" : "";
  if (v < 0) v = -v;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld.%03lld", sign, static_cast<long long>(v / 1000),
                static_cast<long long>(v % 1000));
  return buf;
}

// In 32-bit unsigned arithmetic (one short division): n = hi - lo + 1 fits,
// since the one range of 2^32 values keeps every value and never divides,
// and so do the distances past hi and below lo.
int32_t wrap_into_range(int32_t v, int32_t lo, int32_t hi) {
  if (lo >= hi) return hi;
  if (v >= lo && v <= hi) return v;
  const auto u = [](int32_t x) { return static_cast<uint32_t>(x); };
  const uint32_t n = u(hi) - u(lo) + 1u;
  uint32_t m;
  if (v > hi) {
    m = (u(v) - u(hi) - 1u) % n;
  } else {
    const uint32_t r = (u(lo) - u(v)) % n;
    m = r == 0 ? 0 : n - r;
  }
  return static_cast<int32_t>(u(lo) + m);
}

std::string hex8(uint32_t value) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", value);
  return buf;
}

std::string_view field(std::string_view text, int k, char sep) {
  if (k < 1) return {};
  size_t start = 0;
  for (int i = 1; i < k; ++i) {
    size_t p = text.find(sep, start);
    if (p == std::string_view::npos) return {};
    start = p + 1;
  }
  size_t end = text.find(sep, start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string with_field(std::string_view text, int k, std::string_view value, char sep) {
  if (k < 1) return std::string(text);
  std::string out;
  out.reserve(text.size() + value.size() + static_cast<size_t>(k));
  size_t start = 0;
  int i = 1;
  for (; i < k; ++i) {
    size_t p = text.find(sep, start);
    if (p == std::string_view::npos) break;
    start = p + 1;
  }
  if (i < k) {
    // Fewer fields than k: keep the whole text and add empty fields.
    out.append(text);
    for (; i < k; ++i) out.push_back(sep);
    out.append(value);
    return out;
  }
  out.append(text.substr(0, start));
  out.append(value);
  size_t end = text.find(sep, start);
  if (end != std::string_view::npos) out.append(text.substr(end));
  return out;
}

int field_count(std::string_view text, char sep) {
  int n = 1;
  for (char c : text) n += c == sep;
  return n;
}

std::string slashes_forward(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          // Texts are byte strings of the Latin-1 range.
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace core
