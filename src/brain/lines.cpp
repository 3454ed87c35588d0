#include "brain/lines.h"

#include <array>
#include <cstdint>
#include <vector>

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

// Each character as a prepared line has it: A to Z lower case, a tab a blank.
constexpr std::array<char, 256> kLowered = [] {
  std::array<char, 256> t{};
  for (int c = 0; c < 256; ++c) t[static_cast<size_t>(c)] = static_cast<char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[static_cast<size_t>(c)] = static_cast<char>(c - 'A' + 'a');
  t['\t'] = ' ';
  return t;
}();

// Characters after which a "-" is a unary minus.
bool opens_operand(char c) {
  switch (c) {
    case '&':
    case '(':
    case '*':
    case '+':
    case ',':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
    case '[':
    case kOr:
    case kXor: return true;
    default: return false;
  }
}

}  // namespace

std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

void prepare_line(std::string_view physical, int number, Line& out, bool with_prefix) {
  size_t semi = physical.find(';');
  const std::string_view raw = trim(physical.substr(0, semi));
  out.raw.clear();
  out.raw.append(raw);
  std::string& t = out.text;
  // Lower case, tabs as blanks (quotes stay, so masking after it is the same).
  const size_t size = out.raw.size();
  t.resize(size);
  const char* from = raw.data();  // the same bytes as out.raw, without waiting for their copy
  char* to = t.data();
  bool quotes = false;  // (seen here: searching the text just written would wait for the writes)
  for (size_t i = 0; i < size; ++i) {
    to[i] = kLowered[static_cast<unsigned char>(from[i])];
    quotes |= from[i] == '"';
  }
  // Mask what lies between each pair of quotes; an unpaired quote masks nothing.
  for (size_t open = quotes ? t.find('"') : std::string::npos; open != std::string::npos;) {
    size_t close = t.find('"', open + 1);
    if (close == std::string::npos) break;
    for (size_t i = open + 1; i < close; ++i) t[i] = '.';
    open = t.find('"', close + 1);
  }
  if (with_prefix)
    out.prefix = line_prefix(t, number);
  else
    out.prefix.clear();
}

std::string line_prefix(std::string_view text, int number) {
  std::string prefix(text);
  prefix += " (";
  prefix += std::to_string(number);
  prefix += ")|";
  return prefix;
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

namespace {

// A word operator (" and ", " or ", " xor ") begins at the blank at i.
bool word_operator_at(std::string_view text, size_t i) {
  const std::string_view rest = text.substr(i + 1);
  switch (rest[0]) {
    case 'a': return starts_with(rest, "and ");
    case 'o': return starts_with(rest, "or ");
    case 'x': return starts_with(rest, "xor ");
    default: return false;
  }
}

// What the statement form does with a character: 0 copies it as it is.
constexpr uint8_t kBlank = 1, kOpen = 2, kClose = 4, kComparison = 8, kOther = 16;
constexpr std::array<uint8_t, 256> kFormClass = [] {
  std::array<uint8_t, 256> t{};
  t[' '] = kBlank;
  t['('] = t['['] = kOpen;
  t[')'] = t[']'] = kClose;
  t['<'] = t['>'] = t['='] = kComparison;
  t['-'] = kOther;
  return t;
}();

// The two-character comparisons that the statement form shortens.
bool comparison_pair(char a, char b) {
  switch (a) {
    case '<': return b == '=' || b == '>';
    case '>': return b == '<' || b == '=';
    case '=': return b == '<' || b == '>';
    default: return false;
  }
}

}  // namespace

namespace {

// One pass of the statement form over `s` into `out`: blanks removed,
// unary minus and "#-" marked, brackets checked (the answer), two-character
// comparisons shortened. With `stop_at_words` it gives up at the first word
// operator (`stopped`), which the caller then replaces first.
bool form_pass(std::string_view s, std::string& out, bool stop_at_words, bool& stopped) {
  out.resize(s.size());
  char* o = out.data();
  size_t n = 0;
  bool pairs = false;  // some two-character comparison is written
  // The brackets as brackets_balanced checks them (removing blanks and
  // replacing operators leaves them as they are): a stack of bits, 1 for
  // "[", while it fits a word.
  uint64_t stack = 0;
  size_t depth = 0;
  bool balanced = true, deep = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    const uint8_t k = kFormClass[static_cast<unsigned char>(c)];
    if (k == 0) {  // a letter, digit or another plain character
      o[n++] = c;
      continue;
    }
    if (k & kBlank) {
      if (stop_at_words && i + 1 < s.size() && word_operator_at(s, i)) {
        stopped = true;
        return false;
      }
      continue;
    }
    if (k & kOpen) {
      deep |= depth == 64;
      stack = (stack << 1) | (c == '[' ? 1u : 0u);
      ++depth;
    } else if (k & kClose) {
      balanced &= depth != 0 && (stack & 1u) == (c == ']' ? 1u : 0u);
      stack >>= 1;
      depth -= depth != 0;
    }
    if (n > 0) {
      const char last = o[n - 1];
      if (c == '-') {
        if (last == '#') {
          o[n - 1] = kBackRef;
          continue;
        }
        if (opens_operand(last)) c = kUnaryMinus;
      }
      pairs |= (k & kComparison) != 0 && comparison_pair(last, c);
    }
    o[n++] = c;
  }
  out.resize(n);
  balanced &= depth == 0;
  if (pairs) {
    replace_all(out, "<=", std::string_view(&kLessEqual, 1));
    replace_all(out, "=<", std::string_view(&kLessEqual, 1));
    replace_all(out, "<>", std::string_view(&kNotEqual, 1));
    replace_all(out, "><", std::string_view(&kNotEqual, 1));
    replace_all(out, ">=", std::string_view(&kGreaterEqual, 1));
    replace_all(out, "=>", std::string_view(&kGreaterEqual, 1));
  }
  return deep ? brackets_balanced(out) : balanced;
}

}  // namespace

bool statement_form(std::string_view text, std::string& out, std::string* first3) {
  // ") editor" endings and the word operators rewrite a copy of the text,
  // one after the other; most lines have neither and are read as they
  // stand (the pass stops at a word operator when it meets one).
  bool stopped = false;
  if (!ends_with(text, ") editor")) {
    const bool balanced = form_pass(text, out, true, stopped);
    if (!stopped) {
      if (first3) {
        first3->clear();
        first3->append(text.substr(0, 3));
      }
      return balanced;
    }
  }
  bool words[3] = {};
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == ' ') {
      const std::string_view rest = text.substr(i + 1);
      words[0] |= starts_with(rest, "and ");
      words[1] |= starts_with(rest, "or ");
      words[2] |= starts_with(rest, "xor ");
    }
  std::string copy(text);
  if (ends_with(copy, ") editor")) replace_all(copy, ") editor", ")");
  if (words[0]) replace_all(copy, " and ", std::string_view(&kAnd, 1));
  if (words[1] || words[0]) replace_all(copy, " or ", std::string_view(&kOr, 1));
  if (words[2] || words[1] || words[0]) replace_all(copy, " xor ", std::string_view(&kXor, 1));
  if (first3) first3->assign(std::string_view(copy).substr(0, 3));
  return form_pass(copy, out, false, stopped);
}

std::string statement_form(std::string_view text, std::string* first3) {
  std::string out;
  statement_form(text, out, first3);
  return out;
}

namespace {

// Any depth: the open brackets as a stack of bits (1 for "["), in words of 64.
bool deep_brackets_balanced(std::string_view s) {
  uint64_t fixed[4] = {};
  std::vector<uint64_t> more;
  size_t depth = 0;
  for (char c : s) {
    if (c == '(' || c == '[') {
      if (depth / 64 >= 4 && more.size() <= depth / 64 - 4) more.push_back(0);
      uint64_t& w = depth / 64 < 4 ? fixed[depth / 64] : more[depth / 64 - 4];
      const uint64_t b = uint64_t(1) << (depth % 64);
      w = c == '[' ? w | b : w & ~b;
      ++depth;
    } else if (c == ')' || c == ']') {
      if (depth == 0) return false;
      --depth;
      const uint64_t w = depth / 64 < 4 ? fixed[depth / 64] : more[depth / 64 - 4];
      if (((w >> (depth % 64)) & 1) != (c == ']' ? 1u : 0u)) return false;
    }
  }
  return depth == 0;
}

}  // namespace

bool brackets_balanced(std::string_view s) {
  // The open brackets as a stack of bits (1 for "["); a line that nests
  // deeper than 64 takes the general way.
  uint64_t stack = 0;
  size_t depth = 0;
  for (const char c : s) {
    if (c == '(' || c == '[') {
      if (depth == 64) return deep_brackets_balanced(s);
      stack = (stack << 1) | (c == '[' ? 1u : 0u);
      ++depth;
    } else if (c == ')' || c == ']') {
      if (depth == 0 || (stack & 1u) != (c == ']' ? 1u : 0u)) return false;
      stack >>= 1;
      --depth;
    }
  }
  return depth == 0;
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
