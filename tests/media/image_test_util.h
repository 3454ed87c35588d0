// Helpers shared by the image and font tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "core/files.h"
#include "support/temp_folder.h"

namespace image_test {

inline std::string temp_folder() { return testing_support::temp_folder("quill-media"); }

inline std::string testdata(const std::string& rel) { return std::string(QUILL_TESTDATA) + "/" + rel; }

inline std::span<const uint8_t> bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

inline void put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 255);
  s[at + 1] = static_cast<char>((v >> 8) & 255);
}
inline void put32(std::string& s, size_t at, uint32_t v) {
  put16(s, at, v & 0xFFFF);
  put16(s, at + 2, v >> 16);
}

}  // namespace image_test
