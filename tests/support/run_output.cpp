#include "support/run_output.h"

#include "core/files.h"

namespace testing_support {

Dump Dump::read(const std::string& path) {
  std::string text;
  if (!core::read_file(path, text)) {
    Dump d;
    d.error_ = "cannot read " + path;
    return d;
  }
  return parse(text);
}

Dump Dump::parse(std::string_view text) {
  Dump d;
  std::string error;
  std::optional<Json> j = Json::parse(text, &error);
  if (!j) {
    d.error_ = "malformed dump: " + error;
  } else if (!j->is_object() || !j->at("elements").is_array()) {
    d.error_ = "the dump is not an object with an element list";
  } else {
    d.root_ = std::move(*j);
  }
  return d;
}

std::optional<int64_t> Dump::value(std::string_view key) const { return root_[key].integer(); }

std::optional<int64_t> Dump::global(int index) const { return root_["globals"][index].integer(); }

int Dump::element_count() const { return static_cast<int>(root_["elements"].size()); }

std::optional<std::string> Dump::name(int element) const { return root_["elements"][element]["name"].string(); }

std::optional<int> Dump::element_named(std::string_view name) const {
  const std::vector<Json>& elements = root_["elements"].items();
  for (size_t i = 0; i < elements.size(); ++i)
    if (elements[i]["name"].string() == name) return static_cast<int>(i);
  return std::nullopt;
}

std::optional<int64_t> Dump::word(int element, int word) const {
  return root_["elements"][element]["words"][word].integer();
}

std::optional<int64_t> Dump::variable(int element, int n) const {
  if (n < 1 || n > 128) return std::nullopt;
  return word(element, 256 - n);
}

bool parse_messages(std::string_view text, std::vector<Message>& out, std::string* error) {
  out.clear();
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty()) continue;
    std::string fault;
    const std::optional<Json> j = Json::parse(line, &fault);
    if (j && !(j->at("kind").is_string() && j->at("text").is_string())) fault = "not a message object";
    if (!fault.empty()) {
      if (error) *error = "message line " + std::to_string(number) + ": " + fault;
      return false;
    }
    Message m;
    m.kind = *j->at("kind").string();
    m.text = *j->at("text").string();
    for (const Json& b : j->at("buttons").items()) m.buttons.push_back(b.string().value_or(""));
    m.answer = j->at("answer").integer().value_or(0);
    out.push_back(std::move(m));
  }
  return true;
}

bool read_messages(const std::string& path, std::vector<Message>& out, std::string* error) {
  std::string text;
  if (!core::read_file(path, text)) text.clear();
  return parse_messages(text, out, error);
}

}  // namespace testing_support
