// A small JSON reader for what the engine writes: the state dump of a
// headless run and the lines of its message log. Any input is safe to give
// it: a malformed text yields an error describing where it went wrong,
// never a crash, and more than kMaxDepth levels of nesting are refused.
//
//   std::string error;
//   std::optional<Json> j = Json::parse(text, &error);
//   j->at("elements")[0]["words"][3].integer()   // nullopt when absent
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace testing_support {

class Json {
 public:
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  using Member = std::pair<std::string, Json>;
  static constexpr int kMaxDepth = 128;

  // The whole text must be one value (blanks around it allowed). Strings
  // come back as bytes: "\u00e9" is the single byte 0xE9 (the engine writes
  // Latin-1 texts that way), code points from 256 on are UTF-8.
  static std::optional<Json> parse(std::string_view text, std::string* error = nullptr);

  Kind kind() const { return kind_; }
  bool is_null() const { return kind_ == Kind::kNull; }
  bool is_number() const { return kind_ == Kind::kNumber; }
  bool is_string() const { return kind_ == Kind::kString; }
  bool is_array() const { return kind_ == Kind::kArray; }
  bool is_object() const { return kind_ == Kind::kObject; }

  // A member of an object or an item of an array. Anything absent (a
  // missing key, an index past the end, a value of another kind) reads as
  // a shared null, so look-ups chain without checks in between.
  const Json& at(std::string_view key) const;
  const Json& at(size_t index) const;
  const Json& operator[](std::string_view key) const { return at(key); }
  template <typename I>
  requires std::is_integral_v<I>
  const Json& operator[](I index) const {
    if constexpr (std::is_signed_v<I>)
      if (index < 0) return null();
    return at(static_cast<size_t>(index));
  }
  bool contains(std::string_view key) const;

  // Items of an array or members of an object; 0 for the other kinds.
  size_t size() const;
  const std::vector<Json>& items() const { return items_; }
  const std::vector<Member>& members() const { return members_; }

  // A number written without fraction or exponent that fits 64 bits.
  std::optional<int64_t> integer() const;
  std::optional<double> number() const;
  std::optional<bool> boolean() const;
  std::optional<std::string> string() const;

  static const Json& null();

 private:
  friend class JsonParser;
  Kind kind_ = Kind::kNull;
  bool boolean_ = false;
  bool integral_ = false;
  int64_t integer_ = 0;
  double number_ = 0;
  std::string text_;
  std::vector<Json> items_;
  std::vector<Member> members_;
};

}  // namespace testing_support
