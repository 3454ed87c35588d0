#include "brain/numbers.h"

#include "core/int32.h"
#include "core/text.h"

namespace brain {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Digits with an optional "." and fraction, at least one digit in all:
// thousandths with 32-bit wrapping, the fraction cut to three digits.
bool parse_thousandths(std::string_view text, int32_t& out) {
  uint32_t whole = 0;
  size_t i = 0;
  int digits = 0;
  for (; i < text.size() && is_digit(text[i]); ++i, ++digits) whole = whole * 10u + uint32_t(text[i] - '0');
  uint32_t fraction = 0;
  int kept = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i, ++digits)
      if (kept < 3) {
        fraction = fraction * 10u + uint32_t(text[i] - '0');
        ++kept;
      }
  }
  if (i != text.size() || digits == 0) return false;
  for (; kept < 3; ++kept) fraction *= 10u;
  out = static_cast<int32_t>(whole * 1000u + fraction);
  return true;
}

bool parse_unit_number(std::string_view text, int32_t& value) {
  if (text.size() < 3) return false;
  std::string_view suffix = text.substr(text.size() - 2);
  Unit unit;
  if (suffix == "mt")
    unit = Unit::kMetres;
  else if (suffix == "dg")
    unit = Unit::kDegrees;
  else if (suffix == "ms")
    unit = Unit::kMetresPerSecond;
  else if (suffix == "rm")
    unit = Unit::kRevsPerMinute;
  else
    return false;
  int32_t t;
  if (!parse_thousandths(text.substr(0, text.size() - 2), t)) return false;
  value = unit_value(t, unit);
  return true;
}

bool parse_decimal(std::string_view text, int32_t& value) {
  if (text.empty()) return false;
  uint32_t v = 0;
  for (char c : text) {
    if (!is_digit(c)) return false;
    v = v * 10u + uint32_t(c - '0');
  }
  value = static_cast<int32_t>(v);
  return true;
}

bool parse_hex(std::string_view text, int32_t& value) {
  if (text.size() < 3 || text[0] != '0' || text[1] != 'x') return false;
  uint32_t v = 0;
  for (char c : text.substr(2)) {
    int d = hex_digit(c);
    if (d < 0) return false;
    v = (v << 4) | uint32_t(d);
  }
  value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

int32_t unit_value(int32_t thousandths, Unit unit) {
  const int64_t t = thousandths;
  int64_t v = 0;
  switch (unit) {
    case Unit::kMetres: v = t * 512; break;
    case Unit::kDegrees: v = t * 512 / 1000; break;
    case Unit::kMetresPerSecond: v = t * 17067 / 1000; break;
    case Unit::kRevsPerMinute: v = t * 1024 / 10000; break;
  }
  return core::wrap32(v);
}

bool parse_number(std::string_view text, int32_t& value) {
  return parse_decimal(text, value) || parse_hex(text, value) || parse_unit_number(text, value);
}

int32_t var_default_value(std::string_view text) {
  int32_t v;
  if (parse_hex(text, v)) return v;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string_view rest = text.substr(i);
  if (parse_decimal(rest, v) || parse_unit_number(rest, v)) return v;
  return core::text_to_int(text);
}

}  // namespace brain
