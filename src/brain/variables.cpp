#include "brain/variables.h"

#include <bit>

#include "brain/lines.h"
#include "brain/numbers.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"

namespace brain {

namespace {

// Lower case, tabs made blanks, trimmed (and cut at the first ";" when asked).
std::string header_form(std::string_view line, bool cut_comment) {
  if (cut_comment) line = line.substr(0, line.find(';'));
  std::string s(line);
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    else if (c == '\t')
      c = ' ';
  }
  return std::string(trim(s));
}

bool is_header_line(std::string_view s) { return starts_with(s, "var ") || starts_with(s, "user"); }

// A quick look at a physical line: only one that begins (after blanks and
// tabs, before any ";") with "var " or "user" in any case can declare.
bool may_declare(std::string_view p) {
  size_t i = 0;
  while (i < p.size() && (p[i] == ' ' || p[i] == '\t')) ++i;
  // The four characters go into one word (a compare of bytes just stored
  // one by one would wait for them).
  uint32_t head = 0;
  for (size_t k = 0; k < 4; ++k) {
    if (i + k >= p.size() || p[i + k] == ';') return false;
    char c = p[i + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    head |= uint32_t(static_cast<unsigned char>(c == '\t' ? ' ' : c)) << (8 * k);
  }
  constexpr auto word = [](const char(&w)[5]) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= uint32_t(static_cast<unsigned char>(w[k])) << (8 * k);
    return v;
  };
  return head == word("var ") || head == word("user");
}

}  // namespace

std::string_view declaration_name(std::string_view text) {
  std::string_view rest = text.substr(starts_with(text, "var ") ? 4 : 8);
  return trim(rest.substr(0, rest.find('=')));
}

void collect_declarations(std::string_view brain_text, std::vector<Variable>& out) {
  std::vector<std::string_view> lines;
  core::LineReader reader(brain_text);
  for (std::string_view physical = reader.next(); !reader.at_end(); physical = reader.next()) lines.push_back(physical);
  collect_declarations(lines, out);
}

void collect_declarations(const std::vector<std::string_view>& lines, std::vector<Variable>& out) {
  out.clear();
  Line line;
  int number = 0;
  for (std::string_view physical : lines) {
    ++number;
    if (!may_declare(physical)) continue;
    prepare_line(physical, number, line, false);
    int kind = declaration_kind(line.text);
    if (kind < 0) continue;
    Variable v;
    v.name.assign(declaration_name(line.text));
    v.kind = kind;
    v.offset = slot_offset(static_cast<int>(out.size()) + 1);
    out.push_back(std::move(v));
  }
}

std::string parameter_list(std::string_view brain_text) {
  std::string items;
  int count = 0;
  core::LineReader reader(brain_text);
  for (std::string_view physical = reader.next(); !reader.at_end() && count < kMaxParameterTriples;
       physical = reader.next()) {
    std::string s = header_form(physical, false);
    int kind = header_kind(s);
    if (kind < 0) continue;
    std::string value;
    size_t eq = s.find('=');
    if (eq != std::string::npos) {
      size_t end = s.find_first_of("=;", eq + 1);
      value = s.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
      while (!value.empty() && value.back() == ' ') value.pop_back();
      // The list lives inside a `|` record as `/` items.
      for (char& c : value)
        if (c == '/' || c == '|') c = ' ';
    }
    items += '/';
    items += std::to_string(kind);
    items += '/';
    items += value;
    items += '/';
    items += std::to_string(slot_offset(count + 1));
    ++count;
  }
  return std::to_string(count) + items;
}

int32_t parameter_value(int kind, std::string_view text) {
  switch (kind) {
    case 1: {
      int32_t n = core::text_to_int(text);
      if (n < 0 || n >= core::kElementCount) return -1;
      return static_cast<int32_t>(core::element_ref(n));
    }
    case 3: return unit_value(core::text_to_thousandths(text), Unit::kMetres);
    case 4: return unit_value(core::text_to_thousandths(text), Unit::kDegrees);
    case 5: return unit_value(core::text_to_thousandths(text), Unit::kMetresPerSecond);
    case 6: return unit_value(core::text_to_thousandths(text), Unit::kRevsPerMinute);
    case 7: return var_default_value(text);
    default: return core::text_to_int(text);
  }
}

uint32_t header_line_hash(std::string_view line) {
  uint32_t h = 0;
  int j = 0;
  for (size_t i = line.size(); i-- > 0; ++j)
    h += std::rotl(static_cast<uint32_t>(static_cast<unsigned char>(line[i])), j % 32);
  return h;
}

uint32_t header_signature(std::string_view brain_text) {
  uint32_t f = 0;
  int i = 0;
  core::LineReader reader(brain_text);
  for (std::string_view physical = reader.next(); !reader.at_end(); physical = reader.next()) {
    std::string s = header_form(physical, true);
    if (!is_header_line(s)) continue;
    f ^= std::rotl(header_line_hash(s), i % 32);
    ++i;
  }
  return f;
}

int user_parameter_count(std::string_view brain_text) {
  int n = 0;
  core::LineReader reader(brain_text);
  for (std::string_view physical = reader.next(); !reader.at_end(); physical = reader.next())
    n += starts_with(header_form(physical, true), "user");
  return n;
}

std::string header_reset_message(std::string_view element_name) {
  std::string m = "A brain's header modification has occurred, so the|";
  m += element_name;
  m += "|element configuration (if any) was reset.|To cofigure again the element, enter the Info panel for it";
  return m;
}

bool apply_header_rule(std::string& record, std::string_view brain_text, bool saved_in_editor) {
  const uint32_t signature = header_signature(brain_text);
  if (static_cast<uint32_t>(core::text_to_int(core::field(record, 40))) == signature) return false;
  if (saved_in_editor && user_parameter_count(brain_text) != 0)
    core::box(header_reset_message(core::field(record, 1)), " OK ", "");
  record = core::with_field(record, 35, parameter_list(brain_text));
  record = core::with_field(record, 40, std::to_string(static_cast<int32_t>(signature)));
  record = core::with_field(record, 45, "0");
  record = core::with_field(record, 46, "0");
  return true;
}

}  // namespace brain
