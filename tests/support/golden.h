// Golden thumbnails of headless frames: 4 x 4 pixel averages of a screenshot,
// stored as binary PPM files and compared within a tolerance, so that another
// build of the software rasteriser or the font library still passes while a
// misplaced layer, a wrong colour or a missing object does not.
//
// QUILL_UPDATE_GOLDEN=1 makes expect_golden write the thumbnail instead.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files.h"

namespace testing_support {

struct Thumbnail {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

inline Thumbnail thumbnail(const std::vector<uint8_t>& rgba, int w, int h, int block = 4) {
  Thumbnail t;
  t.width = w / block;
  t.height = h / block;
  t.rgb.resize(static_cast<size_t>(t.width) * t.height * 3);
  for (int y = 0; y < t.height; ++y)
    for (int x = 0; x < t.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < block; ++dy)
          for (int dx = 0; dx < block; ++dx)
            sum += rgba[(static_cast<size_t>(y * block + dy) * w + x * block + dx) * 4 + c];
        t.rgb[(static_cast<size_t>(y) * t.width + x) * 3 + c] = static_cast<uint8_t>(sum / (block * block));
      }
  return t;
}

inline std::string ppm(const Thumbnail& t) {
  return "P6\n" + std::to_string(t.width) + " " + std::to_string(t.height) + "\n255\n" +
         std::string(t.rgb.begin(), t.rgb.end());
}

inline bool read_ppm(const std::string& text, Thumbnail& t) {
  int w = 0, h = 0, max = 0, used = 0;
  if (std::sscanf(text.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || max != 255 || w <= 0 || h <= 0)
    return false;
  const size_t bytes = static_cast<size_t>(w) * h * 3;
  if (text.size() < static_cast<size_t>(used) + 1 + bytes) return false;
  t.width = w;
  t.height = h;
  t.rgb.assign(text.begin() + used + 1, text.begin() + used + 1 + static_cast<long>(bytes));
  return true;
}

// Compares a screenshot with the stored thumbnail `path`: at most one block
// in 500 may differ by more than 24 in a channel (a sprite moved by a few
// pixels already exceeds that) and the mean difference must stay under 1.5.
// On a failure the thumbnail of this build is written to `keep` for a look.
inline void expect_golden(const std::vector<uint8_t>& rgba, int w, int h, const std::string& path,
                          const std::string& keep) {
  const Thumbnail got = thumbnail(rgba, w, h);
  if (std::getenv("QUILL_UPDATE_GOLDEN")) {
    ASSERT_TRUE(core::write_file_atomic(path, ppm(got)));
    return;
  }
  std::string stored;
  ASSERT_TRUE(core::read_file(path, stored)) << path;
  Thumbnail want;
  ASSERT_TRUE(read_ppm(stored, want)) << path;
  ASSERT_EQ(want.width, got.width);
  ASSERT_EQ(want.height, got.height);
  size_t far = 0;
  double total = 0;
  for (size_t i = 0; i < want.rgb.size(); i += 3) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      const int d = std::abs(int(want.rgb[i + c]) - int(got.rgb[i + c]));
      worst = std::max(worst, d);
      total += d;
    }
    far += worst > 24;
  }
  const size_t blocks = want.rgb.size() / 3;
  EXPECT_LE(far, blocks / 500) << path << ": blocks far from the golden image";
  EXPECT_LT(total / static_cast<double>(want.rgb.size()), 1.5) << path << ": mean difference";
  if (::testing::Test::HasFailure()) core::write_file_atomic(keep, ppm(got));
}

}  // namespace testing_support
