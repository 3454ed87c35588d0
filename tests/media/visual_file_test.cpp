#include "media/visual_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/files.h"
#include "support/temp_folder.h"

namespace {

// The record the visual editor writes for a new part, after its frame number.
const std::string kNewPart =
    "|./images/default_.bmp|./visuals/default_.3ds|1|3|0|0|0|0|0|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|255|255|255|0|1|"
    "./visuals/default_.3ds|0";

std::string lines(std::initializer_list<std::string> l) {
  std::string out;
  for (const std::string& s : l) out += s + "\r\n";
  return out;
}

TEST(VisualFile, FieldsOfARecord) {
  const std::string text = lines({"1|maps\\wood.bmp|.\\3dsfiles\\car.3ds|2|1|1|1|8|9|1|1|25000|" +
                                  std::string("0|0|0|0|0|0|0|0|0|0|0|0|10|20|30|0|4|../shared/t.3ds|40|77")});
  const media::Visual v = media::parse_visual(text, "/game");
  ASSERT_EQ(v.frames.size(), 1u);
  ASSERT_EQ(v.frames[0].parts.size(), 1u);
  const media::VisualPart& p = v.frames[0].parts[0];
  EXPECT_EQ(p.frame, 1);
  EXPECT_EQ(p.texture, "maps/wood.bmp");
  EXPECT_EQ(p.source, "/game/3dsfiles/car.3ds");
  EXPECT_EQ(p.texture_mode, 2);
  EXPECT_EQ(p.quality, 1);
  EXPECT_EQ(p.material, 1);
  EXPECT_TRUE(p.faces_flip);
  EXPECT_TRUE(p.translucent);
  EXPECT_TRUE(p.transparent);
  EXPECT_EQ(p.red, 10);
  EXPECT_EQ(p.green, 20);
  EXPECT_EQ(p.blue, 30);
  EXPECT_EQ(p.wrap_direction, 4);
  EXPECT_EQ(p.target, "../shared/t.3ds") << "only a leading ./ is the program folder";
  EXPECT_EQ(p.morph_percent, 40);
  EXPECT_EQ(p.numbers[7], 8);
  EXPECT_EQ(p.numbers[8], 9);
  EXPECT_EQ(p.numbers[11], 25000);
  EXPECT_EQ(p.numbers[31], 77);

  const media::VisualPart n = media::parse_visual(lines({"3" + kNewPart}), "/game/").frames[0].parts[0];
  EXPECT_EQ(n.texture, "/game/images/default_.bmp");
  EXPECT_EQ(n.target, "/game/visuals/default_.3ds");
  EXPECT_EQ(n.texture_mode, 1);
  EXPECT_EQ(n.quality, 3);
}

TEST(VisualFile, MissingAndOutOfRangeValues) {
  const media::VisualPart p =
      media::parse_visual(lines({"2|||9|-4|7|0|||0|0||||||||||||||300|-1|x|0|99||150"}), "/g").frames[0].parts[0];
  EXPECT_EQ(p.source, "/g/3dsfiles/default_.3ds");
  EXPECT_TRUE(p.texture.empty());
  EXPECT_TRUE(p.target.empty());
  EXPECT_EQ(p.texture_mode, 3);
  EXPECT_EQ(p.quality, 0);
  EXPECT_EQ(p.material, 1);
  EXPECT_EQ(p.red, 255);
  EXPECT_EQ(p.green, 0);
  EXPECT_EQ(p.blue, 0);
  EXPECT_EQ(p.wrap_direction, 6);
  EXPECT_EQ(p.morph_percent, 100);
}

TEST(VisualFile, FramesAreRunsOfPositiveNumbers) {
  auto counts = [](const std::string& text) {
    std::vector<size_t> out;
    for (const media::VisualFrame& f : media::parse_visual(text, "/g").frames) out.push_back(f.parts.size());
    return out;
  };
  EXPECT_EQ(counts(lines({"1|a", "1|b", "2|c", "2|d", "2|e", "3|f"})), (std::vector<size_t>{2, 3, 1}));
  EXPECT_EQ(counts(lines({"1", "2", "1"})), (std::vector<size_t>{1, 1, 1}))
      << "a number that comes back is a new frame";
  EXPECT_EQ(counts(lines({"1", "0", "1", "-2", "x", "1"})), (std::vector<size_t>{1, 1, 1}));
  EXPECT_EQ(counts(lines({"5", "5", "", "6"})), (std::vector<size_t>{2})) << "the first empty line ends the file";
  EXPECT_EQ(counts("1|a\n1|b\n2|c\r\n"), (std::vector<size_t>{1})) << "lines end only with CR LF";
  EXPECT_EQ(counts("7|last line without an end"), (std::vector<size_t>{1}));
  EXPECT_TRUE(counts("").empty());
  const media::Visual v = media::parse_visual(lines({"4", "4", "9"}), "/g");
  EXPECT_EQ(v.frames[0].number, 4);
  EXPECT_EQ(v.frames[1].number, 9);
}

TEST(VisualFile, HostileFilesStayBounded) {
  // A line that only grows past the limit once the folder is put in.
  std::string many = "1";
  for (int i = 0; i < 300; ++i) many += "|./";
  const std::string long_folder(100, 'f');
  EXPECT_FALSE(media::fix_visual_line(many, "").empty());
  EXPECT_TRUE(media::fix_visual_line(many, "/" + long_folder).empty());
  EXPECT_EQ(media::parse_visual(lines({"1|a", many, "1|b"}), "/" + long_folder).frames.at(0).parts.size(), 2u);

  std::string text;
  for (int i = 0; i < media::kMaxVisualLines + 50; ++i) text += std::to_string(i + 1) + "\r\n";
  const media::Visual v = media::parse_visual(text, "/g");
  EXPECT_EQ(v.frames.size(), size_t(media::kMaxVisualLines));

  const std::string dir = testing_support::temp_folder("quill-v3d");
  media::Visual out;
  EXPECT_FALSE(media::read_visual(dir + "missing.v3d", "/g", out));
  ASSERT_TRUE(core::write_file_atomic(dir + "big.v3d", std::string(media::kMaxVisualFileBytes + 1, '1')));
  EXPECT_FALSE(media::read_visual(dir + "big.v3d", "/g", out));
  ASSERT_TRUE(core::write_file_atomic(dir + "a.v3d", lines({"1" + kNewPart, "2" + kNewPart})));
  ASSERT_TRUE(media::read_visual(dir + "a.v3d", "/g", out));
  EXPECT_EQ(out.frames.size(), 2u);
  std::filesystem::remove_all(dir);
}

}  // namespace
