// Builds project files for end-to-end runs: element records from the default
// camera record with chosen fields replaced, and their brains.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/text.h"

namespace testing_support {

constexpr char kCameraRecord[] =
    "Camera|./cameras/default_.03d|./sounds/null_.wav|-|0|0|0|0|0|0|0.000|0|0.000|0|0|0|0.000|0.000|0.000|0|0|0|"
    "0.000|0.000|0.000|0|0|0|0|0|1|0|1|0|1/1/2/1020|0|160/120/479/359/0/20&40/7|0/1|4096/2/50/0|14815378";

struct ElementSpec {
  std::map<int, std::string> fields;  // field number -> text
  std::string brain;                  // lines separated by "\n"
};

// Records start from the camera record without its brain parameter.
inline std::string record(const ElementSpec& e) {
  std::string r = core::with_field(kCameraRecord, 35, "0");
  for (const auto& [k, v] : e.fields) r = core::with_field(r, k, v);
  return r;
}

inline std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

inline std::string project_file(const std::vector<ElementSpec>& elements, const std::string& description = "test") {
  std::string text = ";" + description + "\r\n" + std::to_string(elements.size()) + "\r\n";
  for (const ElementSpec& e : elements) text += record(e) + "\r\n";
  text += "|1|\r\n";
  for (size_t i = 0; i < elements.size(); ++i) text += "@" + std::to_string(i) + "\r\n" + crlf(elements[i].brain);
  return text;
}

}  // namespace testing_support
