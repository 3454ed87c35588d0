#include "project/channel_map.h"

#include <cstring>

#include "fixture.h"

namespace {

using project_test::boxes;

class ChannelMap : public project_test::ProjectTest {
 protected:
  static std::string col_with(uint32_t offset, std::initializer_list<int32_t> words) {
    std::string bytes(project::kColBytes, '\0');
    for (int32_t w : words) {
      std::memcpy(bytes.data() + offset, &w, 4);
      offset += 4;
    }
    return bytes;
  }
};

TEST_F(ChannelMap, PairsLiveAtLowerRowHigherColumn) {
  project::set_channel(7, 2, 11);
  EXPECT_EQ(project::channel(2, 7), 11);
  EXPECT_EQ(static_cast<uint8_t>(project::col_image()[2 * 256 + 7]), 11);
  EXPECT_EQ(project::channel(7, 256), 0);
  project::set_channel(-1, 3, 5);  // ignored
  EXPECT_EQ(project::col_path("a/level001.prj"), "a/level001.col");
  EXPECT_EQ(project::col_path("ab"), "ab.col");
}

// Red to blue, blue to green, green to red, in four steps each.
TEST_F(ChannelMap, ChannelColoursRunRoundThreeHues) {
  EXPECT_EQ(project::channel_colour(0), 0xFF0000u);
  EXPECT_EQ(project::channel_colour(3), 0x3F00C0u);
  EXPECT_EQ(project::channel_colour(4), 0x0000FFu);
  EXPECT_EQ(project::channel_colour(7), 0x00C03Fu);
  EXPECT_EQ(project::channel_colour(8), 0x00FF00u);
  EXPECT_EQ(project::channel_colour(11), 0xC03F00u);
  EXPECT_EQ(project::channel_colour(12), 0xFF0000u);  // no channel: as 0
  EXPECT_EQ(project::channel_colour(-1), 0xFF0000u);
}

TEST_F(ChannelMap, SceneWordsAndTheLowerRowRule) {
  // clip 55, upper 0, lower 0, preview 3, zero, field scale 80
  write("p.col", col_with(project::kSceneWordsAt, {55, 0, 0, 3, 0, 80}));
  ASSERT_TRUE(project::load_col(dir + "p.col"));
  const project::Scene& sc = project::state().scene;
  EXPECT_EQ(sc.clip_distance, 55);
  EXPECT_EQ(sc.band_upper, 0);
  EXPECT_EQ(sc.band_lower, 479);
  EXPECT_EQ(sc.preview, 3);
  EXPECT_EQ(sc.field_scale, 80);
  // The words are not channels of the pairs they overlay.
  EXPECT_EQ(project::channel(254, 12), 0);

  write("q.col", col_with(project::kSceneWordsAt, {30, 100, 90, 9, 0, 100}));
  ASSERT_TRUE(project::load_col(dir + "q.col"));
  EXPECT_EQ(sc.band_upper, 100);
  EXPECT_EQ(sc.band_lower, 479);
  EXPECT_EQ(sc.preview, 0);

  write("r.col", col_with(project::kSceneWordsAt, {30, 600, 20, 0, 0, 100}));
  ASSERT_TRUE(project::load_col(dir + "r.col"));
  EXPECT_EQ(sc.band_upper, 0);
  EXPECT_EQ(sc.band_lower, 20);
}

TEST_F(ChannelMap, DamagedOrMissingFileKeepsMapAndSettings) {
  project::set_channel(1, 2, 6);
  project::state().scene.clip_distance = 77;
  EXPECT_FALSE(project::load_col(dir + "none.col"));
  EXPECT_TRUE(boxes().empty());

  write("short.col", std::string(100, '\1'));
  EXPECT_FALSE(project::load_col(dir + "short.col"));
  write("long.col", std::string(project::kColBytes + 1, '\1'));
  EXPECT_FALSE(project::load_col(dir + "long.col"));
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_NE(boxes()[0].find(dir + "short.col"), std::string::npos);
  EXPECT_EQ(project::channel(1, 2), 6);
  EXPECT_EQ(project::state().scene.clip_distance, 77);

  // Values that name no channel are dropped.
  std::string bytes(project::kColBytes, '\0');
  bytes[3 * 256 + 4] = static_cast<char>(200);
  write("bad.col", bytes);
  ASSERT_TRUE(project::load_col(dir + "bad.col"));
  EXPECT_EQ(project::channel(3, 4), 0);
}

}  // namespace
