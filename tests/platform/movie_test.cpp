// Cut-scene videos from the shared samples: real AVI files decode frame
// after frame at the size asked for; files without a decodable video are
// refused at once.
#include "platform/movie.h"

#include <gtest/gtest.h>

#include <set>

#include "core/files.h"
#include "support/temp_folder.h"

namespace {

std::string sample(const std::string& name) { return std::string(QUILL_TESTDATA) + "/avi/" + name; }

#define NEED_SAMPLE(path) \
  if (!core::file_exists(path)) GTEST_SKIP() << "no sample " << path

TEST(Movies, RealVideosDecodeFrameAfterFrameAtTheAskedSize) {
  for (const char* name : {"fate_clock-cram16.avi", "fate_skating.avi", "fate_mpg4.avi"}) {
    const std::string path = sample(name);
    NEED_SAMPLE(path);
    ASSERT_TRUE(platform::movie_open(path, 320, 240)) << name;
    platform::MovieFrame f;
    int frames = 0;
    double last = -1;
    std::set<uint32_t> colours;
    while (platform::movie_next(f) && frames < 2000) {
      ASSERT_EQ(f.width, 320);
      ASSERT_EQ(f.height, 240);
      ASSERT_NE(f.pixels, nullptr);
      EXPECT_GE(f.seconds, last) << name << " frame " << frames;
      last = f.seconds;
      colours.insert(f.pixels[120 * 320 + 160]);
      colours.insert(f.pixels[0]);
      ++frames;
    }
    EXPECT_GT(frames, 1) << name;
    EXPECT_GT(colours.size(), 1u) << name;  // pictures, not a blank
    platform::movie_close();
    EXPECT_FALSE(platform::movie_is_open());
  }
}

TEST(Movies, OwnSizeWhenNoneIsAsked) {
  const std::string path = sample("fate_clock-cram16.avi");
  NEED_SAMPLE(path);
  ASSERT_TRUE(platform::movie_open(path, 0, 240));
  platform::MovieFrame f;
  ASSERT_TRUE(platform::movie_next(f));
  EXPECT_EQ(f.width, 148);
  EXPECT_EQ(f.height, 148);
  platform::movie_close();
}

TEST(Movies, NoVideoOrBrokenFilesAreRefused) {
  const std::string audio_only = sample("riffparse_mp3.avi");
  NEED_SAMPLE(audio_only);
  EXPECT_FALSE(platform::movie_open(audio_only, 320, 240));
  EXPECT_FALSE(platform::movie_is_open());

  const std::string folder = testing_support::temp_folder("quill-movies");
  std::string header;
  core::read_file(sample("fate_skating.avi"), header, 600);
  ASSERT_TRUE(core::write_file_atomic(folder + "cut.avi", header));  // headers, no frames
  EXPECT_FALSE(platform::movie_open(folder + "cut.avi", 320, 240));
  ASSERT_TRUE(core::write_file_atomic(folder + "junk.avi", "RIFF\x10\0\0\0AVI LIST garbage garbage"));
  EXPECT_FALSE(platform::movie_open(folder + "junk.avi", 320, 240));
  EXPECT_FALSE(platform::movie_open(folder + "missing.avi", 320, 240));
  platform::MovieFrame f;
  EXPECT_FALSE(platform::movie_next(f));
}

// Odd samples (truncated, minimal) either play some frames or are refused;
// either way the video ends.
TEST(Movies, OddVideosEndWithoutHarm) {
  for (const char* name :
       {"fate_2004-12-17-uebung9-partial.avi", "small_AudioVideoInterleave.avi", "corkami_mini_avi.avi"}) {
    const std::string path = sample(name);
    NEED_SAMPLE(path);
    if (platform::movie_open(path, 64, 48)) {
      platform::MovieFrame f;
      int frames = 0;
      while (platform::movie_next(f) && frames < 5000) ++frames;
      EXPECT_LT(frames, 5000) << name;
    }
    platform::movie_close();
  }
}

}  // namespace
