#include "brain/lines.h"

#include <cstring>

namespace brain {

namespace {

// Every `from` becomes `to`, left to right; `to` is never longer, so the
// text shrinks in place.
void replace_all(std::string& s, std::string_view from, std::string_view to) {
  size_t hit = s.find(from);
  if (hit == std::string::npos) return;
  size_t w = hit, r = hit;
  for (;;) {
    for (char ch : to) s[w++] = ch;
    r += from.size();
    const size_t next = s.find(from, r);
    const size_t end = next == std::string::npos ? s.size() : next;
    while (r < end) s[w++] = s[r++];
    if (next == std::string::npos) break;
  }
  s.resize(w);
}

// Characters after which a "-" is a unary minus.
bool opens_operand(char c) { return std::strchr("&(*+,-/<=>[", c) != nullptr || c == kOr || c == kXor; }

}  // namespace

bool ends_with(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  const size_t off = s.size() - tail.size();
  for (size_t i = 0; i < tail.size(); ++i)
    if (s[off + i] != tail[i]) return false;
  return true;
}

bool starts_with(std::string_view s, std::string_view head) {
  if (s.size() < head.size()) return false;
  for (size_t i = 0; i < head.size(); ++i)
    if (s[i] != head[i]) return false;
  return true;
}

std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

void prepare_line(std::string_view physical, int number, Line& out) {
  size_t semi = physical.find(';');
  out.raw.assign(trim(physical.substr(0, semi)));
  std::string& t = out.text;
  t = out.raw;
  // Mask what lies between each pair of quotes; an unpaired quote masks nothing.
  for (size_t open = t.find('"'); open != std::string::npos;) {
    size_t close = t.find('"', open + 1);
    if (close == std::string::npos) break;
    for (size_t i = open + 1; i < close; ++i) t[i] = '.';
    open = t.find('"', close + 1);
  }
  for (char& c : t) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    else if (c == '\t')
      c = ' ';
  }
  out.prefix = t;
  out.prefix += " (";
  out.prefix += std::to_string(number);
  out.prefix += ")|";
}

int declaration_kind(std::string_view text) {
  if (starts_with(text, "var ")) return 0;
  if (!starts_with(text, "user") || text.size() < 8) return -1;
  static constexpr std::string_view kKinds[] = {"ele ", "int ", "met ", "deg ", "vel ", "spi "};
  for (int k = 0; k < 6; ++k)
    if (text.substr(4, 4) == kKinds[k]) return k + 1;
  return -1;
}

int header_kind(std::string_view text) {
  if (starts_with(text, "var ")) return 7;
  if (!starts_with(text, "user")) return -1;
  int k = declaration_kind(text);
  return k > 0 ? k : 0;
}

std::string statement_form(std::string_view text, std::string* first3) {
  std::string s(text);
  if (ends_with(s, ") editor")) replace_all(s, ") editor", ")");
  // The word operators, one after the other (in one pass first, to find out
  // whether there are any).
  bool words[3] = {};
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if (s[i] == ' ') {
      const std::string_view rest = std::string_view(s).substr(i + 1);
      words[0] |= starts_with(rest, "and ");
      words[1] |= starts_with(rest, "or ");
      words[2] |= starts_with(rest, "xor ");
    }
  if (words[0]) replace_all(s, " and ", std::string_view(&kAnd, 1));
  if (words[1] || words[0]) replace_all(s, " or ", std::string_view(&kOr, 1));
  if (words[2] || words[1] || words[0]) replace_all(s, " xor ", std::string_view(&kXor, 1));
  if (first3) first3->assign(s, 0, 3);
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == ' ') continue;
    if (c == '-' && !out.empty()) {
      if (out.back() == '#') {
        out.back() = kBackRef;
        continue;
      }
      if (opens_operand(out.back())) c = kUnaryMinus;
    }
    out.push_back(c);
  }
  if (out.find_first_of("<>") == std::string::npos) return out;
  replace_all(out, "<=", std::string_view(&kLessEqual, 1));
  replace_all(out, "=<", std::string_view(&kLessEqual, 1));
  replace_all(out, "<>", std::string_view(&kNotEqual, 1));
  replace_all(out, "><", std::string_view(&kNotEqual, 1));
  replace_all(out, ">=", std::string_view(&kGreaterEqual, 1));
  replace_all(out, "=>", std::string_view(&kGreaterEqual, 1));
  return out;
}

bool brackets_balanced(std::string_view s) {
  std::string open;
  for (char c : s) {
    if (c == '(' || c == '[') {
      open.push_back(c);
    } else if (c == ')' || c == ']') {
      if (open.empty() || open.back() != (c == ')' ? '(' : '[')) return false;
      open.pop_back();
    }
  }
  return open.empty();
}

std::string readable(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case kUnaryMinus: out += '-'; break;
      case kLessEqual: out += "<="; break;
      case kGreaterEqual: out += ">="; break;
      case kNotEqual: out += "<>"; break;
      case kOr: out += " or "; break;
      case kXor: out += " xor "; break;
      case kAnd: out += " and "; break;
      case kBackRef: out += "#-"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace brain
