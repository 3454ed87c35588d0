#include "media/visual_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <span>

#include "core/files.h"
#include "media/model3ds.h"
#include "platform/scene.h"
#include "support/cube_triangles.h"
#include "support/temp_folder.h"

namespace {

using core::Vec3;
using media::VisualPart;

// A cube from -1 to 1, each side two triangles sharing the cube's corners.
core::Model cube() { return media::triangles_to_model(testing_support::cube_triangles()); }

// The same cube with each corner one vertex that its triangles share.
core::Model shared_cube() {
  core::Model m = cube();
  std::vector<Vec3> corners;
  for (uint32_t& i : m.indices) {
    const Vec3 p = m.positions[i];
    size_t k = 0;
    while (k < corners.size() && (corners[k].x != p.x || corners[k].y != p.y || corners[k].z != p.z)) ++k;
    if (k == corners.size()) corners.push_back(p);
    i = static_cast<uint32_t>(k);
  }
  m.positions = corners;
  m.uvs.clear();
  m.normals.clear();
  m.colours.clear();
  return m;
}

VisualPart part(int32_t mode, int32_t shape, int32_t direction) {
  VisualPart p;
  p.texture_mode = mode;
  p.wrap_shape = shape;
  p.wrap_direction = direction;
  p.texture = "t.bmp";
  return p;
}

TEST(VisualModel, TheWrapShapeFollowsTheTextureMode) {
  EXPECT_EQ(media::effective_wrap_shape(part(0, 2, 1)), -1);
  EXPECT_EQ(media::effective_wrap_shape(part(1, 2, 1)), -1);
  EXPECT_EQ(media::effective_wrap_shape(part(2, 0, 1)), media::kWrapFlat);
  EXPECT_EQ(media::effective_wrap_shape(part(2, 3, 1)), media::kWrapChrome);
  // Cylindrical wrap: FLAT is its own cylinder; out-of-range values clamp.
  EXPECT_EQ(media::effective_wrap_shape(part(3, 0, 1)), media::kWrapCylinder);
  EXPECT_EQ(media::effective_wrap_shape(part(3, 2, 1)), media::kWrapSphere);
  EXPECT_EQ(media::effective_wrap_shape(part(3, 9, 1)), media::kWrapChrome);
}

TEST(VisualModel, EveryModeGivesEveryVertexCoordinates) {
  for (int mode = 1; mode <= 3; ++mode)
    for (int shape = 0; shape < media::kWrapShapes; ++shape)
      for (int direction = 1; direction <= 6; ++direction) {
        core::Model m = cube();
        media::map_part_texture(m, part(mode, shape, direction));
        ASSERT_TRUE(core::model_valid(m));
        ASSERT_EQ(m.positions.size(), 36u);
        ASSERT_EQ(m.uvs.size(), 36u);
        for (const core::Vec2& uv : m.uvs) {
          ASSERT_TRUE(std::isfinite(uv.u) && std::isfinite(uv.v)) << mode << shape << direction;
          EXPECT_GE(uv.u, -0.001f);
          EXPECT_LE(uv.u, 2.001f);  // wraps take a seam's corners round once more
          EXPECT_GE(uv.v, -0.001f);
          EXPECT_LE(uv.v, 1.001f);
        }
      }
}

// A damaged .3ds (found by fuzzing) whose two objects give a vertex near
// the end of the float range and degenerate triangles: every vertex still
// gets coordinates in the image, whatever the mapping.
TEST(VisualModel, DamagedModelsGetFiniteCoordinates) {
  static const uint8_t file[] = {
      0x4d, 0x4d, 0xf2, 0x00, 0x00, 0x00, 0x3d, 0x3d, 0xec, 0x00, 0x00, 0x00, 0x00, 0x40, 0x88, 0x00, 0x00, 0x00, 0x62,
      0x6f, 0x78, 0x00, 0x00, 0x5b, 0x7e, 0x00, 0x00, 0x00, 0x10, 0x41, 0x38, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3a, 0x80, 0x3f, 0x43, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f, 0x48, 0x41, 0x28, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x80, 0x3f, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x80, 0x3f, 0x20, 0x41, 0x18, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
      0x00, 0x01, 0x00, 0x02, 0x00, 0x07, 0x00, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00, 0x07, 0x00, 0x00, 0x40, 0x5e, 0x00,
      0x00, 0x00, 0x62, 0x00, 0x00, 0x41, 0x56, 0x00, 0x00, 0x00, 0x10, 0x41, 0x38, 0x00, 0x00, 0x00, 0x04, 0x00, 0xf0,
      0xfc, 0x00, 0x00, 0x00, 0x00, 0x05, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f, 0x20, 0x41, 0x18, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xff, 0xfc, 0x00, 0x03, 0x00, 0x07, 0x00};
  core::Model loaded;
  ASSERT_TRUE(media::parse_3ds_model(std::span<const uint8_t>(file, sizeof file), loaded));
  for (int mode = 1; mode <= 3; ++mode)
    for (int shape = 0; shape < media::kWrapShapes; ++shape)
      for (int direction = 1; direction <= 6; ++direction) {
        core::Model m = loaded;
        media::map_part_texture(m, part(mode, shape, direction));
        ASSERT_TRUE(core::model_valid(m));
        for (const core::Vec2& uv : m.uvs)
          ASSERT_TRUE(std::isfinite(uv.u) && std::isfinite(uv.v)) << mode << shape << direction;
      }
}

TEST(VisualModel, FlatProjectionAndSixViewsSpanTheImageOnEachSide) {
  // Flat from the front: x runs left to right, y bottom to top of the image.
  core::Model m = cube();
  media::map_part_texture(m, part(2, 0, 3));
  for (size_t i = 0; i < m.positions.size(); ++i) {
    EXPECT_FLOAT_EQ(m.uvs[i].u, (m.positions[i].x + 1) / 2);
    EXPECT_FLOAT_EQ(m.uvs[i].v, (1 - m.positions[i].y) / 2);
  }
  // From behind the image is mirrored.
  m = cube();
  media::map_part_texture(m, part(2, 0, 1));
  for (size_t i = 0; i < m.positions.size(); ++i) EXPECT_FLOAT_EQ(m.uvs[i].u, (1 - m.positions[i].x) / 2);
  // Six views: every side shows the whole image, so each triangle's
  // coordinates cover half the unit square and no side is a smear.
  m = cube();
  media::map_part_texture(m, part(1, 0, 1));
  for (size_t t = 0; t < m.positions.size(); t += 3) {
    float lo_u = 1, hi_u = 0, lo_v = 1, hi_v = 0;
    for (size_t k = t; k < t + 3; ++k) {
      lo_u = std::min(lo_u, m.uvs[k].u), hi_u = std::max(hi_u, m.uvs[k].u);
      lo_v = std::min(lo_v, m.uvs[k].v), hi_v = std::max(hi_v, m.uvs[k].v);
    }
    EXPECT_FLOAT_EQ(hi_u - lo_u, 1.0f) << t;
    EXPECT_FLOAT_EQ(hi_v - lo_v, 1.0f) << t;
  }
}

TEST(VisualModel, AroundWrapsPutTheSeamBehindAndNoTriangleAcrossIt) {
  core::Model m = cube();
  media::map_part_texture(m, part(3, 0, 3));  // a cylinder seen from the front
  for (size_t t = 0; t < m.positions.size(); t += 3) {
    float lo = 9, hi = -9;
    for (size_t k = t; k < t + 3; ++k) lo = std::min(lo, m.uvs[k].u), hi = std::max(hi, m.uvs[k].u);
    EXPECT_LE(hi - lo, 0.5f) << t;
  }
  // The middle of the front faces the middle of the image.
  for (size_t i = 0; i < m.positions.size(); ++i)
    if (m.positions[i].z < 0 && m.positions[i].x == 1) {
      EXPECT_NEAR(m.uvs[i].u, 0.625f, 1e-5f);
    }
  // Chrome takes the smoothed normals: a corner's points out of the cube.
  // Flat and chrome keep shared vertices shared; the wraps around do not.
  m = shared_cube();
  media::map_part_texture(m, part(3, 1, 3));
  EXPECT_EQ(m.positions.size(), 36u);
  m = shared_cube();
  media::map_part_texture(m, part(2, 0, 3));
  EXPECT_EQ(m.positions.size(), 8u);
  m = shared_cube();
  media::map_part_texture(m, part(2, 3, 3));
  for (size_t i = 0; i < m.positions.size(); ++i) {
    EXPECT_EQ((m.uvs[i].u > 0.5f), (m.positions[i].x > 0)) << i;
    EXPECT_EQ((m.uvs[i].v < 0.5f), (m.positions[i].y > 0)) << i;
  }
}

class VisualFrameModel : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<media::Triangle> t = {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}};
    ASSERT_TRUE(media::save_3ds(dir / "one.3ds", t));
    t[0].v[1] = {3, 0, 0};
    ASSERT_TRUE(media::save_3ds(dir / "wide.3ds", t));
    std::filesystem::create_directories(dir / "3dsfiles");
    ASSERT_TRUE(core::write_file_atomic(dir / "3dsfiles/default_.3ds", "no model"));
  }
  testing_support::TempFolder dir{"quill-visual-model"};
};

TEST_F(VisualFrameModel, PartsBecomeGroupsWithTheirMaterials) {
  const media::Visual v = media::parse_visual(
      "1|./t.bmp|./one.3ds|0|3|1|0|0|0|1|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|255|0|0|0|1||0\r\n"
      "1|./t.bmp|one.3ds|2|3|0|0|0|0|0|1|25000|0|0|0|0|0|0|0|0|0|0|0|0|255|0|0|1|1||0\r\n"
      "1|./t.bmp|./none.3ds|0|3|0|0|0|0|0|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|1|2|3|0|1||0\r\n",
      dir.path());
  ASSERT_EQ(v.frames.size(), 1u);
  std::vector<std::string> missing;
  const core::Model m = media::visual_frame_model(v.frames[0], dir.path(), &missing);
  ASSERT_TRUE(core::model_valid(m));
  // The third part's source and the fallback are no models: an empty part,
  // so that the parts keep the numbers of their lines.
  ASSERT_EQ(m.groups.size(), 3u);
  EXPECT_EQ(m.groups[2].index_count, 0u);
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0], dir / "none.3ds");
  const core::Material& colour = m.materials[0];
  EXPECT_FLOAT_EQ(colour.r, 1.0f);
  EXPECT_FLOAT_EQ(colour.g, 0.0f);
  EXPECT_TRUE(colour.texture.empty());
  EXPECT_FLOAT_EQ(colour.a, 0.5f);  // translucent
  EXPECT_GT(colour.power, 0.0f);    // metal
  // The textured part: white, its texture in the program folder (a relative
  // name too), transparent: black keyed out.
  const core::Material& textured = m.materials[1];
  EXPECT_FLOAT_EQ(textured.g, 1.0f);
  EXPECT_EQ(textured.texture, dir / "t.bmp|");
  EXPECT_FLOAT_EQ(textured.power, 0.0f);
  EXPECT_EQ(m.uvs.size(), m.positions.size());
}

TEST_F(VisualFrameModel, AMorphingPartLiesBetweenSourceAndTarget) {
  auto widest = [&](const std::string& line) {
    const media::Visual v = media::parse_visual(line, dir.path());
    const core::Model m = media::visual_frame_model(v.frames.at(0), dir.path());
    float x = 0;
    for (const Vec3& p : m.positions) x = std::max(x, p.x);
    return x;
  };
  const std::string record = "1||./one.3ds|0|3|0|0|0|0|0|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|255|255|255|0|1|";
  EXPECT_FLOAT_EQ(widest(record + "./wide.3ds|50\r\n"), 2.0f);
  EXPECT_FLOAT_EQ(widest(record + "./wide.3ds|0\r\n"), 1.0f);
  EXPECT_FLOAT_EQ(widest(record + "./wide.3ds|100\r\n"), 3.0f);
  // A target that is missing leaves the source as it is.
  EXPECT_FLOAT_EQ(widest(record + "./gone.3ds|50\r\n"), 1.0f);
}

// The shared sample models wrapped every way: valid, finite, bounded.
TEST(VisualModel, SampleFilesWrapEveryWay) {
  const std::string folder = std::string(QUILL_TESTDATA) + "/3ds";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no " << folder;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    core::Model loaded;
    if (media::load_3ds_model(entry.path().string(), "", loaded) != media::ModelSource::file) continue;
    for (int mode = 1; mode <= 3; ++mode)
      for (int shape = 0; shape < media::kWrapShapes; ++shape) {
        core::Model m = loaded;
        media::map_part_texture(m, part(mode, shape, 1 + (mode + shape) % 6));
        ASSERT_TRUE(core::model_valid(m)) << entry.path();
        ASSERT_EQ(m.uvs.size(), m.positions.size());
        ASSERT_EQ(m.indices.size(), loaded.indices.size());
        for (const core::Vec2& uv : m.uvs)
          ASSERT_TRUE(std::isfinite(uv.u) && std::isfinite(uv.v) && std::fabs(uv.u) < 3 && std::fabs(uv.v) < 3)
              << entry.path();
      }
  }
}

}  // namespace

namespace {

// A .3ds file of one object whose triangles share their vertices.
std::string shared_3ds(const std::vector<Vec3>& points, const std::vector<uint16_t>& corners) {
  auto u16 = [](std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 255));
    s.push_back(static_cast<char>(v >> 8 & 255));
  };
  auto chunk = [&](uint32_t id, const std::string& body) {
    std::string s;
    u16(s, id);
    const uint32_t size = static_cast<uint32_t>(body.size() + 6);
    u16(s, size & 0xFFFF);
    u16(s, size >> 16);
    return s + body;
  };
  std::string vertices, faces;
  u16(vertices, static_cast<uint32_t>(points.size()));
  for (const Vec3& p : points) vertices.append(reinterpret_cast<const char*>(&p), sizeof p);
  u16(faces, static_cast<uint32_t>(corners.size() / 3));
  for (size_t i = 0; i + 2 < corners.size(); i += 3) {
    for (size_t k = 0; k < 3; ++k) u16(faces, corners[i + k]);
    u16(faces, 0);
  }
  const std::string mesh = chunk(0x4100, chunk(0x4110, vertices) + chunk(0x4120, faces));
  return chunk(0x4D4D, chunk(0x3D3D, chunk(0x4000, std::string("bent", 5) + mesh)));
}

}  // namespace

// Each quality draws its part its own way: the flags of the group and, for
// the flat ones, one normal per triangle.
TEST_F(VisualFrameModel, QualityDecidesFillLightingAndNormals) {
  // Two triangles folded along their shared edge.
  ASSERT_TRUE(core::write_file_atomic(dir / "bent.3ds",
                                      shared_3ds({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, {0, 1, 2, 0, 3, 1})));
  auto model = [&](const std::string& quality) {
    const std::string line = "1||./bent.3ds|0|" + quality +
                             "|0|0|0|0|0|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|10|200|30|0|1||0\r\n";
    const media::Visual v = media::parse_visual(line, dir.path());
    return media::visual_frame_model(v.frames.at(0), dir.path());
  };
  // The normal the scene gives each corner, against its triangle's own.
  auto faceted = [](const core::Model& m) {
    const int mesh = platform::mesh_create(m);
    EXPECT_GE(mesh, 0);
    bool all = true;
    for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
      const Vec3 a = m.positions[m.indices[i]], b = m.positions[m.indices[i + 1]], c = m.positions[m.indices[i + 2]];
      const Vec3 face = core::normalize(core::cross(b - a, c - a));
      for (size_t k = 0; k < 3; ++k) {
        const Vec3 n = platform::mesh_normal(mesh, static_cast<int>(m.indices[i + k]));
        if (core::dot(n, face) < 0.999f) all = false;
      }
    }
    platform::mesh_delete(mesh);
    return all;
  };

  const core::Model gouraud = model("3");
  ASSERT_EQ(gouraud.groups.size(), 1u);
  EXPECT_EQ(gouraud.positions.size(), 4u) << "the shared vertices stay shared";
  EXPECT_FALSE(gouraud.groups[0].lines);
  EXPECT_TRUE(gouraud.groups[0].lit);
  EXPECT_FALSE(faceted(gouraud));

  const core::Model flat = model("2");
  ASSERT_EQ(flat.groups.size(), 1u);
  EXPECT_EQ(flat.positions.size(), 6u);
  EXPECT_EQ(flat.indices.size(), 6u);
  EXPECT_FALSE(flat.groups[0].lines);
  EXPECT_TRUE(flat.groups[0].lit);
  EXPECT_TRUE(faceted(flat));

  const core::Model unlit = model("1");
  ASSERT_EQ(unlit.groups.size(), 1u);
  EXPECT_FALSE(unlit.groups[0].lit);
  EXPECT_FALSE(unlit.groups[0].lines);
  EXPECT_TRUE(faceted(unlit));
  EXPECT_FLOAT_EQ(unlit.materials[0].g, 200.0f / 255.0f) << "the plain part colour";

  const core::Model wire = model("0");
  ASSERT_EQ(wire.groups.size(), 1u);
  EXPECT_TRUE(wire.groups[0].lines);
  EXPECT_TRUE(wire.groups[0].lit);
  EXPECT_EQ(wire.indices, gouraud.indices) << "every triangle's edges";

  // Values a damaged file may hold are drawn as the nearest quality, as the
  // editor shows them: above the range smooth and lit, below it as lines.
  EXPECT_TRUE(model("-4").groups.at(0).lines);
  for (const char* bad : {"9", "2147483647"}) {
    const core::Model m = model(bad);
    ASSERT_EQ(m.groups.size(), 1u) << bad;
    EXPECT_FALSE(m.groups[0].lines) << bad;
    EXPECT_TRUE(m.groups[0].lit) << bad;
    EXPECT_EQ(m.positions.size(), 4u) << bad;
  }
  // An empty field is the default too.
  EXPECT_TRUE(model("").groups.at(0).lit);
  EXPECT_FALSE(model("").groups.at(0).lines);

  // A textured flat part keeps its texture coordinates, one per vertex.
  const media::Visual textured = media::parse_visual(
      "1|./t.bmp|./bent.3ds|2|2|0|0|0|0|0|0|25000|0|0|0|0|0|0|0|0|0|0|0|0|255|255|255|1|3||0\r\n", dir.path());
  const core::Model tm = media::visual_frame_model(textured.frames.at(0), dir.path());
  EXPECT_EQ(tm.uvs.size(), tm.positions.size());
  EXPECT_TRUE(faceted(tm));
  platform::scene_reset();
}
