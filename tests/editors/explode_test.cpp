#include "editors/explode.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/angles.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/model3ds.h"
#include "media/pcx.h"
#include "support/temp_folder.h"

namespace {

void load_tables() {
  core::init_memory();
  const std::string t = core::make_sinusbig_table();
  std::memcpy(core::state().pools.sinusbig.bytes(), t.data(), t.size());
}

std::vector<media::Triangle> strip(int n) {
  std::vector<media::Triangle> out;
  for (int i = 0; i < n; ++i) {
    const float x = static_cast<float>(i);
    out.push_back({{{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}}});
  }
  return out;
}

uint16_t u16(const std::string& s, size_t at) {
  uint16_t v;
  std::memcpy(&v, s.data() + at, 2);
  return v;
}

// The counts of the vertex list and of the face list that follows it (the
// vertex list is found by its id among the headers before it).
std::pair<int, int> mesh_counts(const std::string& file) {
  for (size_t at = 0; at + 8 <= file.size() && at < 64; ++at) {
    if (u16(file, at) != 0x4110) continue;
    uint32_t length;
    std::memcpy(&length, file.data() + at + 2, 4);
    const size_t faces = at + length;
    if (faces + 8 > file.size() || u16(file, faces) != 0x4120) return {-1, -1};
    return {u16(file, at + 6), u16(file, faces + 6)};
  }
  return {-1, -1};
}

TEST(ExplodeScript, ReadsLabelsAnyCaseAndKeepsDefaultsForBadLines) {
  std::vector<std::string> notes;
  const editors::ExplodeScript s = editors::parse_explode_script(
      "VELOCITY = 5 / 9\r\nAir Density=100/200\r\nspin = 3\r\ngravity = 7 / 2\r\nx angle = -10/10\r\n"
      "frames = 2 / 12\r\nnonsense = 1 / 2\r\n",
      &notes);
  EXPECT_EQ(s.velocity.min, 5);
  EXPECT_EQ(s.velocity.max, 9);
  EXPECT_EQ(s.air_density.min, 100);
  EXPECT_EQ(s.air_density.max, 200);
  const editors::ExplodeScript d;
  EXPECT_EQ(s.spin.min, d.spin.min);        // no "/"
  EXPECT_EQ(s.gravity.max, d.gravity.max);  // minimum above maximum
  EXPECT_EQ(s.z_angle.min, d.z_angle.min);  // missing
  EXPECT_EQ(s.frame_count(), 11);
  EXPECT_EQ(notes.size(), 2u);
  // The installation's script reads back as the defaults.
  const editors::ExplodeScript i = editors::parse_explode_script(editors::default_explode_script());
  EXPECT_EQ(i.velocity.max, d.velocity.max);
  EXPECT_EQ(i.frames.max, 30);
}

TEST(ExplodeScript, FrameRangesOutsideThreeDigitNamesAreRefused) {
  EXPECT_FALSE(editors::parse_explode_script("frames = 1 / 1000").frames_ok());
  EXPECT_FALSE(editors::parse_explode_script("frames = 0 / 10").frames_ok());
  EXPECT_TRUE(editors::parse_explode_script("frames = 999 / 999").frames_ok());
  EXPECT_EQ(editors::explode_frame_name("./visuals/boom.3ds", 7), "./visuals/boom007.3ds");
  EXPECT_EQ(editors::explode_frame_name("ab", 12), "012.3ds");
}

TEST(Explode, FirstFrameIsTheMeshAndPiecesFlyApartRepeatably) {
  load_tables();
  const auto mesh = strip(20);
  const editors::ExplodeScript s = editors::parse_explode_script("velocity = 100 / 200\r\nframes = 1 / 5");
  std::vector<std::vector<media::Triangle>> frames, again;
  std::vector<int32_t> numbers;
  editors::explode_triangles(mesh, s, 7, [&](int32_t f, std::span<const media::Triangle> t) {
    numbers.push_back(f);
    frames.emplace_back(t.begin(), t.end());
  });
  editors::explode_triangles(mesh, s, 7, [&](int32_t, std::span<const media::Triangle> t) {
    again.emplace_back(t.begin(), t.end());
  });
  ASSERT_EQ(numbers, (std::vector<int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(std::memcmp(frames[0].data(), mesh.data(), mesh.size() * sizeof(media::Triangle)), 0);
  EXPECT_EQ(std::memcmp(frames[4].data(), again[4].data(), mesh.size() * sizeof(media::Triangle)), 0);
  // Every piece has moved by at least the slowest launch speed per frame,
  // give or take the pull of gravity and the spin about its centre.
  for (size_t t = 0; t < mesh.size(); ++t) {
    const core::Vec3 a = mesh[t].v[0], b = frames[4][t].v[0];
    const float dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    EXPECT_GT(dx * dx + dy * dy + dz * dz, 0.1f) << t;
  }
}

TEST(Explode, HundredTrianglesGiveFramesOfThreeHundredVerticesAndTwoHundredFaces) {
  load_tables();
  testing_support::TempFolder folder("explode");
  const std::string source = folder.path() + "rock.3ds";
  const auto mesh = strip(100);
  ASSERT_TRUE(media::save_3ds(source, mesh));
  const editors::ExplodeScript s = editors::parse_explode_script("frames = 1 / 30");
  EXPECT_EQ(editors::write_explosion(source, mesh, s), 30);
  for (int f = 1; f <= 30; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "rock%03d.3ds", f);
    std::string bytes;
    ASSERT_TRUE(core::read_file(folder.path() + name, bytes)) << name;
    EXPECT_EQ(mesh_counts(bytes), std::make_pair(300, 200)) << name;
    // The reader takes each triangle and its reverse.
    std::vector<media::Triangle> back;
    ASSERT_TRUE(media::parse_3ds_triangles(media::as_bytes(bytes), back));
    EXPECT_EQ(back.size(), 200u);
  }
  EXPECT_FALSE(core::file_exists(folder.path() + "rock031.3ds"));
  // The first frame is the unexploded mesh, both sides.
  std::string first;
  ASSERT_TRUE(core::read_file(folder.path() + "rock001.3ds", first));
  EXPECT_EQ(first, media::encode_3ds(mesh, true));
}

// A file written by a modeller with z up: its third coordinate is the
// engine's height, the second of a loaded vertex.
TEST(Explode, ZUpModelLoadsWithThatAxisSecond) {
  std::string b;
  auto put16 = [&](uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
  auto put32 = [&](uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
  auto putf = [&](float v) { b.append(reinterpret_cast<const char*>(&v), 4); };
  const uint32_t vertices = 6 + 2 + 36, faces = 6 + 2 + 8, mesh = 6 + vertices + faces, object = 6 + 2 + mesh;
  put16(0x4D4D), put32(6 + 6 + object), put16(0x3D3D), put32(6 + object);
  put16(0x4000), put32(object), b += std::string("a", 2);
  put16(0x4100), put32(mesh), put16(0x4110), put32(vertices), put16(3);
  for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 5.f}) putf(v);
  put16(0x4120), put32(faces), put16(1), put16(0), put16(1), put16(2), put16(0);
  std::vector<media::Triangle> t;
  ASSERT_TRUE(media::parse_3ds_triangles(media::as_bytes(b), t));
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].v[2].y, 5.f);
  EXPECT_EQ(t[0].v[2].z, 0.f);
}

TEST(Explode, VisualIsRewrittenWithOneRecordPerFrame) {
  const std::string record =
      "1|./images/a.bmp|./visuals/boom.3ds|0|3|0|0|0|0|0|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|9|8|7|0|1||0";
  const editors::ExplodeScript s = editors::parse_explode_script("frames = 1 / 30");
  const std::string text = editors::exploded_visual_text(record + "\r\n1|other part\r\n", s);
  std::vector<std::string> lines;
  for (size_t p = 0, e; (e = text.find("\r\n", p)) != std::string::npos; p = e + 2)
    lines.push_back(text.substr(p, e - p));
  ASSERT_EQ(lines.size(), 30u);
  EXPECT_EQ(lines[0], record);
  EXPECT_EQ(core::field(lines[29], 1), "30");
  EXPECT_EQ(core::field(lines[29], 3), "./visuals/boom030.3ds");
  EXPECT_EQ(core::field(lines[29], 25), "9");

  // A morphing record keeps the first file as its source and morphs to the
  // frame's file.
  const std::string morph = core::with_field(record, 31, "50");
  const std::string m = editors::exploded_visual_text(morph, editors::parse_explode_script("frames = 3 / 5"));
  const std::string third = m.substr(m.rfind("\r\n", m.size() - 3) + 2);
  EXPECT_EQ(core::field(third, 1), "3");
  EXPECT_EQ(core::field(third, 3), "./visuals/boom003.3ds");
  EXPECT_EQ(core::field(third, 30), "./visuals/boom005.3ds");
  EXPECT_TRUE(editors::exploded_visual_text("", s).empty());
}

}  // namespace
