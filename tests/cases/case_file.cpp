#include "cases/case_file.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <utility>

namespace case_corpus {

namespace {

struct Name {
  const char* name;
  int number;
};

// Record fields an element section may name (besides "field N").
constexpr Name kFields[] = {
    {"name", 1},        {"aspect", 2},      {"sound", 3},       {"position_x", 5},  {"position_y", 6},
    {"position_z", 7},  {"rotation_x", 11}, {"rotation_y", 12}, {"rotation_z", 13}, {"velocity_x", 17},
    {"velocity_y", 18}, {"velocity_z", 19}, {"spin_x", 23},     {"spin_y", 24},     {"spin_z", 25},
    {"credits", 29},    {"element_id", 31}, {"radius", 32},     {"flags", 33},      {"type", 36},
    {"area", 37},
};

// ElementState words an expectation may name (besides "word N" and "var N").
constexpr Name kWords[] = {
    {"current_object", 0}, {"first_object", 1}, {"animation_phase", 2}, {"position_x", 3},   {"position_y", 4},
    {"position_z", 5},     {"rotation_x", 6},   {"rotation_y", 7},      {"rotation_z", 8},   {"velocity_x", 9},
    {"velocity_y", 10},    {"velocity_z", 11},  {"spin_x", 12},         {"spin_y", 13},      {"spin_z", 14},
    {"flags", 22},         {"credits", 23},     {"element_id", 24},     {"frame_count", 42}, {"timer", 43},
    {"signals", 44},
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

size_t indent_of(std::string_view line) {
  size_t n = 0;
  while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) ++n;
  return n;
}

// The line without a trailing comment: a "#" at the start or after a blank,
// outside double quotes.
std::string_view uncommented(std::string_view s) {
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    if (s[i] == '#' && !quoted && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t')) return trim(s.substr(0, i));
  }
  return trim(s);
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  size_t p = 0;
  while (true) {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
    if (p >= s.size()) return out;
    const size_t b = p;
    while (p < s.size() && s[p] != ' ' && s[p] != '\t') ++p;
    out.push_back(s.substr(b, p - b));
  }
}

bool integer(std::string_view s, int64_t& v) {
  bool negative = false;
  if (!s.empty() && s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  uint64_t u = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), u, base);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return false;
  if (u > (negative ? uint64_t(1) << 63 : uint64_t(INT64_MAX))) return false;
  v = negative ? static_cast<int64_t>(0 - u) : static_cast<int64_t>(u);
  return true;
}

bool small_number(std::string_view s, int lo, int hi, int& out) {
  int64_t v = 0;
  if (!integer(s, v) || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

bool is_op(std::string_view s) { return s == "=" || s == "!=" || s == "<" || s == "<=" || s == ">" || s == ">="; }

bool is_identifier(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

// One line of the expect section; an empty result means fine.
std::string parse_expectation(std::string_view line, Expectation& e) {
  const std::vector<std::string_view> w = words(line);
  if (w.size() >= 2 && w[0] == "message") {
    if (w[1] == "contains")
      e.kind = Expectation::Kind::kMessageContains;
    else if (w[1] == "lacks")
      e.kind = Expectation::Kind::kMessageLacks;
    else
      return "a message is expected to be 'contains' or 'lacks' a text";
    const size_t open = line.find('"'), close = line.rfind('"');
    if (open == std::string_view::npos || close == open) return "the message text goes in double quotes";
    if (!trim(line.substr(close + 1)).empty()) return "text after the quoted message";
    e.text = std::string(line.substr(open + 1, close - open - 1));
    return {};
  }
  if (w.size() >= 2 && w[0] == "messages" && w[1] == "containing") {
    // messages containing "text" <op> N: how many messages hold the text.
    const size_t open = line.find('"'), close = line.rfind('"');
    if (open == std::string_view::npos || close == open) return "the message text goes in double quotes";
    const std::vector<std::string_view> rest = words(line.substr(close + 1));
    if (rest.size() != 2 || !is_op(rest[0])) return "expected 'messages containing \"text\" <op> <count>'";
    if (!integer(rest[1], e.value)) return "the count must be an integer";
    e.kind = Expectation::Kind::kMessageCount;
    e.op = std::string(rest[0]);
    e.text = std::string(line.substr(open + 1, close - open - 1));
    return {};
  }
  if (w.size() < 3 || !is_op(w[w.size() - 2])) return "expected '<what> <op> <value>' with op one of = != < <= > >=";
  e.op = std::string(w[w.size() - 2]);
  if (!integer(w.back(), e.value)) return "the value must be an integer (decimal or 0x hexadecimal)";
  e.pattern = w.back().find_first_of("xX") != std::string_view::npos;
  if (e.pattern && (e.value < 0 || e.value > 0xFFFFFFFFll))
    return "a hexadecimal value is a 32-bit pattern: 0x0 to 0xFFFFFFFF";
  const std::vector<std::string_view> what(w.begin(), w.end() - 2);
  if (what.size() == 1) {
    if (!is_identifier(what[0])) return "unknown counter '" + std::string(what[0]) + "'";
    e.kind = Expectation::Kind::kCounter;
    e.counter = std::string(what[0]);
    return {};
  }
  if (what.size() == 2 && what[0] == "global") {
    e.kind = Expectation::Kind::kGlobal;
    if (!small_number(what[1], 0, 2047, e.index)) return "a global number is 0 to 2047";
    return {};
  }
  if (what[0] == "element" && (what.size() == 3 || what.size() == 4)) {
    e.kind = Expectation::Kind::kWord;
    e.element = std::string(what[1]);
    if (what.size() == 4 && what[2] == "word") {
      if (!small_number(what[3], 0, 255, e.index)) return "a word number is 0 to 255";
    } else if (what.size() == 4 && what[2] == "var") {
      int n = 0;
      if (!small_number(what[3], 1, 128, n)) return "a variable number is 1 to 128";
      e.index = 256 - n;
    } else if (what.size() == 3 && word_number(what[2]) >= 0) {
      e.index = word_number(what[2]);
    } else {
      return "expected 'element E word N', 'element E var N' or 'element E <word name>'";
    }
    return {};
  }
  return "cannot read what is expected";
}

}  // namespace

int field_number(std::string_view setting) {
  const std::vector<std::string_view> w = words(setting);
  int n = 0;
  if (w.size() == 2 && w[0] == "field" && small_number(w[1], 1, 60, n)) return n;
  if (w.size() != 1) return 0;
  for (const Name& f : kFields)
    if (w[0] == f.name) return f.number;
  return 0;
}

int word_number(std::string_view name) {
  for (const Name& w : kWords)
    if (name == w.name) return w.number;
  return -1;
}

bool holds(int64_t got, std::string_view op, int64_t want) {
  if (op == "=") return got == want;
  if (op == "!=") return got != want;
  if (op == "<") return got < want;
  if (op == "<=") return got <= want;
  if (op == ">") return got > want;
  if (op == ">=") return got >= want;
  return false;
}

bool parse_case(std::string_view text, Case& out, std::vector<Fault>& faults) {
  out = Case{};
  faults.clear();
  enum class Section { kNone, kElement, kExpect } section = Section::kNone;
  bool in_brain = false;
  size_t brain_indent = 0;          // of the "brain:" line; the block is indented deeper
  size_t text_indent = 0;           // of the block's first line, removed from every line
  std::vector<std::string> blanks;  // blank lines inside a brain, kept when more text follows
  int number = 0;
  auto fault = [&](const std::string& what) { faults.push_back({number, what}); };

  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t indent = indent_of(line);
    const bool blank = indent == line.size();

    if (in_brain) {
      if (blank) {
        blanks.emplace_back();
        continue;
      }
      if (indent > brain_indent) {
        std::string& brain = out.elements.back().brain;
        if (brain.empty() && blanks.empty()) text_indent = indent;
        for (const std::string& b : blanks) brain += b + "\n";
        blanks.clear();
        brain += std::string(line.substr(std::min(indent, text_indent))) + "\n";
        continue;
      }
      in_brain = false;
      blanks.clear();
    }
    if (blank || line[indent] == '#') continue;
    const std::string_view content = uncommented(line);

    if (indent == 0) {
      if (content.rfind("options:", 0) == 0) {
        out.options += (out.options.empty() ? "" : " ") + std::string(trim(content.substr(8)));
        section = Section::kNone;
      } else if (content.rfind("input:", 0) == 0) {
        out.input.emplace_back(trim(content.substr(6)));
        section = Section::kNone;
      } else if (content == "element" || content.rfind("element ", 0) == 0) {
        out.elements.emplace_back();
        const std::string_view name = trim(content.substr(7));
        if (!name.empty()) out.elements.back().fields[1] = std::string(name);
        section = Section::kElement;
      } else if (content == "expect:") {
        section = Section::kExpect;
      } else {
        fault("unknown heading '" + std::string(content) + "' (options:, input:, element, expect:)");
      }
      continue;
    }

    if (section == Section::kElement) {
      if (content.rfind("brain:", 0) == 0) {
        testing_support::ElementSpec& e = out.elements.back();
        if (!e.brain.empty()) fault("a second brain for this element");
        const std::string_view inline_brain = trim(line.substr(indent + 6));
        if (!inline_brain.empty()) {
          e.brain = std::string(inline_brain) + "\n";
        } else {
          in_brain = true;
          brain_indent = indent;
        }
        continue;
      }
      const size_t eq = content.find('=');
      const int field = eq == std::string_view::npos ? 0 : field_number(trim(content.substr(0, eq)));
      if (field == 0) {
        fault("expected 'brain:', '<setting> = <text>' or 'field N = <text>'");
        continue;
      }
      out.elements.back().fields[field] = std::string(trim(content.substr(eq + 1)));
    } else if (section == Section::kExpect) {
      Expectation e;
      e.line = number;
      e.written = std::string(content);
      const std::string problem = parse_expectation(content, e);
      if (!problem.empty())
        fault(problem);
      else
        out.expectations.push_back(std::move(e));
    } else {
      fault("indented line outside an element or the expect section");
    }
  }
  if (out.elements.empty()) faults.push_back({0, "the case has no element"});
  if (out.expectations.empty()) faults.push_back({0, "the case expects nothing"});
  return faults.empty();
}

bool check(const Expectation& e, const testing_support::Dump& dump,
           const std::vector<testing_support::Message>& messages, std::string& shown) {
  using Kind = Expectation::Kind;
  if (e.kind == Kind::kMessageContains || e.kind == Kind::kMessageLacks) {
    const testing_support::Message* found = nullptr;
    for (const testing_support::Message& m : messages)
      if (!found && m.text.find(e.text) != std::string::npos) found = &m;
    if (e.kind == Kind::kMessageLacks && found) shown = "the message \"" + found->text + "\"";
    if (e.kind == Kind::kMessageContains && !found) {
      shown = messages.empty() ? "no messages" : "only these messages:";
      for (const testing_support::Message& m : messages) shown += "\n    " + m.kind + ": \"" + m.text + "\"";
    }
    return (found != nullptr) == (e.kind == Kind::kMessageContains);
  }
  std::optional<int64_t> got;
  switch (e.kind) {
    case Kind::kMessageCount: {
      int64_t n = 0;
      for (const testing_support::Message& m : messages) n += m.text.find(e.text) != std::string::npos;
      got = n;
      break;
    }
    case Kind::kCounter: got = dump.value(e.counter); break;
    case Kind::kGlobal: got = dump.global(e.index); break;
    default: {
      int element = -1;
      int64_t n = 0;
      if (integer(e.element, n) && n >= 0 && n < 256)
        element = static_cast<int>(n);
      else
        element = dump.element_named(e.element).value_or(-1);
      if (element < 0) {
        shown = "no element " + e.element + " in the dump";
        return false;
      }
      got = dump.word(element, e.index);
    }
  }
  if (!got) {
    shown = "nothing in the dump";
    return false;
  }
  // A hexadecimal value compares the low 32 bits of what the dump holds, as
  // an unsigned number: 0x80000000 matches -2147483648 in a word.
  const int64_t value = e.pattern ? static_cast<int64_t>(static_cast<uint32_t>(*got)) : *got;
  if (e.pattern) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(value));
    shown = std::to_string(*got) + " (" + hex + ")";
  } else {
    shown = std::to_string(*got);
  }
  return holds(value, e.op, e.value);
}

}  // namespace case_corpus
