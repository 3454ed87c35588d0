// Reading brain lines: the first normalisation steps every line goes
// through, declaration recognition, and the statement form (blanks removed,
// operators reduced to single characters) that expressions are read from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brain {

// Single-character forms of the operators in a statement.
constexpr char kUnaryMinus = '\xD1';
constexpr char kLessEqual = '\xA3';
constexpr char kGreaterEqual = '$';
constexpr char kNotEqual = '!';
constexpr char kOr = '\xF5';
constexpr char kAnd = '&';
constexpr char kXor = '\xF8';
constexpr char kBackRef = '\\';  // "#-" of a backward element reference

struct Line {
  std::string raw;     // comment cut and trimmed; string literals are taken from it
  std::string text;    // ... with literal contents masked, lower case, tabs as blanks
  std::string prefix;  // text + " (" + number + ")|": the head of this line's errors
};

// Cuts the comment, trims, masks literals, lower-cases and builds the prefix
// (unless `with_prefix` is false: the compiler builds it when it needs it).
void prepare_line(std::string_view physical, int number, Line& out, bool with_prefix = true);
// The head of a line's errors: its prepared text + " (" + number + ")|".
std::string line_prefix(std::string_view text, int number);

// Trims blanks and tabs at both ends.
std::string_view trim(std::string_view s);

// Declaration kinds of the symbol table: 0 `var`, 1 to 6 the user
// parameters (ele, int, met, deg, vel, spi). -1 when the prepared text is no
// declaration for the compiler.
int declaration_kind(std::string_view text);
// The parameter-list kind of a header line (7 for `var`, 1 to 6 for known
// user kinds, 0 for an unknown user kind), or -1 when the line is no header line.
int header_kind(std::string_view text);

// The statement form of a prepared line: ") editor" endings reduced, the
// word operators, blanks removed, unary minus and "#-" marked, the two-
// character comparisons shortened. `first3` receives the first three
// characters before blank removal (to recognise "if ").
std::string statement_form(std::string_view text, std::string* first3 = nullptr);
// The same into `out`, whose storage is reused; answers whether its
// brackets nest properly (brackets_balanced of the form).
bool statement_form(std::string_view text, std::string& out, std::string* first3);

// Round and square brackets nest properly.
bool brackets_balanced(std::string_view s);

// Readable form of a statement fragment for messages (marks turned back
// into the characters a user wrote).
std::string readable(std::string_view s);

// Plain byte comparisons at either end (in line: the compiler asks them of
// every line).
inline bool ends_with(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  const size_t off = s.size() - tail.size();
  for (size_t i = 0; i < tail.size(); ++i)
    if (s[off + i] != tail[i]) return false;
  return true;
}
inline bool same_text(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}
inline bool starts_with(std::string_view s, std::string_view head) {
  if (s.size() < head.size()) return false;
  for (size_t i = 0; i < head.size(); ++i)
    if (s[i] != head[i]) return false;
  return true;
}

}  // namespace brain
