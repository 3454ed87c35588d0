#include "support/json.h"

#include <charconv>
#include <cstdlib>

namespace testing_support {

// Recursive descent over the text; every read is bounds-checked and the
// first fault stops the parse with a message naming its byte offset.
class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : s_(text) {}

  bool document(Json& out) {
    blanks();
    if (!value(out, 0)) return false;
    blanks();
    return p_ == s_.size() || fail("text after the value");
  }
  const std::string& error() const { return error_; }

 private:
  std::string_view s_;
  size_t p_ = 0;
  std::string error_;

  bool fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at byte " + std::to_string(p_);
    return false;
  }
  bool at_end() const { return p_ >= s_.size(); }
  char peek() const { return at_end() ? '\0' : s_[p_]; }
  void blanks() {
    while (!at_end() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\n' || s_[p_] == '\r')) ++p_;
  }
  bool word(std::string_view w) {
    if (s_.substr(p_, w.size()) != w) return fail("unknown word");
    p_ += w.size();
    return true;
  }

  bool value(Json& out, int depth) {
    if (depth >= Json::kMaxDepth) return fail("nesting too deep");
    if (at_end()) return fail("missing value");
    switch (peek()) {
      case '{': return object(out, depth);
      case '[': return array(out, depth);
      case '"': out.kind_ = Json::Kind::kString; return string(out.text_);
      case 't':
        out.kind_ = Json::Kind::kBool;
        out.boolean_ = true;
        return word("true");
      case 'f': out.kind_ = Json::Kind::kBool; return word("false");
      case 'n': return word("null");
      default: return number(out);
    }
  }

  bool object(Json& out, int depth) {
    out.kind_ = Json::Kind::kObject;
    ++p_;
    blanks();
    if (peek() == '}') {
      ++p_;
      return true;
    }
    while (true) {
      blanks();
      if (peek() != '"') return fail("expected a member name");
      Json::Member m;
      if (!string(m.first)) return false;
      blanks();
      if (peek() != ':') return fail("expected ':'");
      ++p_;
      blanks();
      if (!value(m.second, depth + 1)) return false;
      out.members_.push_back(std::move(m));
      blanks();
      if (peek() == ',') {
        ++p_;
        continue;
      }
      if (peek() == '}') {
        ++p_;
        return true;
      }
      return fail("expected ',' or '}'");
    }
  }

  bool array(Json& out, int depth) {
    out.kind_ = Json::Kind::kArray;
    ++p_;
    blanks();
    if (peek() == ']') {
      ++p_;
      return true;
    }
    while (true) {
      blanks();
      out.items_.emplace_back();
      if (!value(out.items_.back(), depth + 1)) return false;
      blanks();
      if (peek() == ',') {
        ++p_;
        continue;
      }
      if (peek() == ']') {
        ++p_;
        return true;
      }
      return fail("expected ',' or ']'");
    }
  }

  bool hex4(uint32_t& v) {
    if (s_.size() - p_ < 4) return fail("short \\u escape");
    v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[p_++];
      v <<= 4;
      if (c >= '0' && c <= '9')
        v |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        v |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        v |= static_cast<uint32_t>(c - 'A' + 10);
      else
        return fail("bad hex digit in \\u escape");
    }
    return true;
  }

  static void put_code(std::string& out, uint32_t c) {
    if (c < 0x100) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  bool string(std::string& out) {
    ++p_;  // the opening quote
    while (true) {
      if (at_end()) return fail("unterminated string");
      const char c = s_[p_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return fail("control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_end()) return fail("unterminated string");
      switch (s_[p_++]) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t c1 = 0;
          if (!hex4(c1)) return false;
          if (c1 >= 0xD800 && c1 < 0xDC00) {
            uint32_t c2 = 0;
            if (s_.substr(p_, 2) != "\\u") return fail("lone surrogate");
            p_ += 2;
            if (!hex4(c2)) return false;
            if (c2 < 0xDC00 || c2 >= 0xE000) return fail("bad surrogate pair");
            c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
          } else if (c1 >= 0xDC00 && c1 < 0xE000) {
            return fail("lone surrogate");
          }
          put_code(out, c1);
          break;
        }
        default: --p_; return fail("unknown escape");
      }
    }
  }

  bool digits() {
    const size_t from = p_;
    while (!at_end() && s_[p_] >= '0' && s_[p_] <= '9') ++p_;
    return p_ > from;
  }

  bool number(Json& out) {
    const size_t from = p_;
    bool integral = true;
    if (peek() == '-') ++p_;
    if (peek() == '0') {
      ++p_;
    } else if (!digits()) {
      return fail("unexpected character");
    }
    if (peek() == '.') {
      ++p_;
      integral = false;
      if (!digits()) return fail("digits expected after '.'");
    }
    if (peek() == 'e' || peek() == 'E') {
      ++p_;
      integral = false;
      if (peek() == '+' || peek() == '-') ++p_;
      if (!digits()) return fail("digits expected in the exponent");
    }
    const char* b = s_.data() + from;
    const char* e = s_.data() + p_;
    out.kind_ = Json::Kind::kNumber;
    if (integral) {
      auto [end, ec] = std::from_chars(b, e, out.integer_);
      out.integral_ = ec == std::errc() && end == e;
    }
    // strtod turns an overflow into an infinity and an underflow into 0.
    out.number_ = std::strtod(std::string(b, e).c_str(), nullptr);
    return true;
  }
};

std::optional<Json> Json::parse(std::string_view text, std::string* error) {
  Json root;
  JsonParser parser(text);
  if (!parser.document(root)) {
    if (error) *error = parser.error();
    return std::nullopt;
  }
  if (error) error->clear();
  return root;
}

const Json& Json::null() {
  static const Json n;
  return n;
}

const Json& Json::at(std::string_view key) const {
  for (const Member& m : members_)
    if (m.first == key) return m.second;
  return null();
}

const Json& Json::at(size_t index) const { return index < items_.size() ? items_[index] : null(); }

bool Json::contains(std::string_view key) const {
  for (const Member& m : members_)
    if (m.first == key) return true;
  return false;
}

size_t Json::size() const { return kind_ == Kind::kArray ? items_.size() : members_.size(); }

std::optional<int64_t> Json::integer() const {
  if (kind_ != Kind::kNumber || !integral_) return std::nullopt;
  return integer_;
}

std::optional<double> Json::number() const {
  if (kind_ != Kind::kNumber) return std::nullopt;
  return integral_ ? static_cast<double>(integer_) : number_;
}

std::optional<bool> Json::boolean() const {
  if (kind_ != Kind::kBool) return std::nullopt;
  return boolean_;
}

std::optional<std::string> Json::string() const {
  if (kind_ != Kind::kString) return std::nullopt;
  return text_;
}

}  // namespace testing_support
