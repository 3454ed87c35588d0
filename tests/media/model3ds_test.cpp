#include "media/model3ds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "core/files.h"
#include "support/temp_folder.h"

namespace {

using core::Vec3;
using media::Triangle;

// --- building .3ds files by hand

std::string le16(uint32_t v) { return {static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)}; }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string f32(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return le32(u);
}
std::string chunk(uint16_t id, const std::string& body) { return le16(id) + le32(uint32_t(6 + body.size())) + body; }
std::string cstr(const std::string& s) { return s + std::string(1, '\0'); }

std::string vertices(const std::vector<Vec3>& v) {
  std::string b = le16(uint32_t(v.size()));
  for (const Vec3& p : v) b += f32(p.x) + f32(p.y) + f32(p.z);
  return chunk(0x4110, b);
}
std::string faces(const std::vector<std::array<uint16_t, 3>>& f, const std::string& after = "") {
  std::string b = le16(uint32_t(f.size()));
  for (const auto& t : f) b += le16(t[0]) + le16(t[1]) + le16(t[2]) + le16(0);
  return chunk(0x4120, b + after);
}
std::string object(const std::string& mesh_body, const std::string& name = "box") {
  return chunk(0x4000, cstr(name) + chunk(0x4100, mesh_body));
}
std::string file(const std::string& editor_body) { return chunk(0x4D4D, chunk(0x3D3D, editor_body)); }

std::span<const uint8_t> bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

// File coordinates, right-handed with z up: a triangle on the ground whose
// front (counter-clockwise) faces up, and a fourth point above the origin.
const std::vector<Vec3> kGround = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 2, 3}};
std::string ground_file() { return file(object(vertices(kGround) + faces({{0, 1, 2}}))); }

bool parses(const std::string& f) {
  std::vector<Triangle> t;
  return media::parse_3ds_triangles(bytes(f), t);
}

bool same(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The front normal of a clockwise triangle in left-handed space.
Vec3 front_normal(const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
  return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

std::vector<std::array<Vec3, 3>> model_triangles(const core::Model& m) {
  std::vector<std::array<Vec3, 3>> out;
  for (size_t i = 0; i + 2 < m.indices.size(); i += 3)
    out.push_back({m.positions[m.indices[i]], m.positions[m.indices[i + 1]], m.positions[m.indices[i + 2]]});
  return out;
}

TEST(Model3ds, AxesSwapAndFrontFacesStayOnTheModelledSide) {
  std::vector<Triangle> t;
  ASSERT_TRUE(media::parse_3ds_triangles(bytes(file(object(vertices(kGround) + faces({{0, 1, 3}})))), t));
  ASSERT_EQ(t.size(), 1u);
  // File z (up) becomes the second coordinate; the list keeps the file order.
  EXPECT_TRUE(same(t[0].v[1], Vec3{1, 0, 0}));
  EXPECT_TRUE(same(t[0].v[2], Vec3{1, 3, 2}));

  core::Model m;
  ASSERT_TRUE(media::parse_3ds_model(bytes(ground_file()), m));
  ASSERT_TRUE(core::model_valid(m));
  ASSERT_EQ(m.indices.size(), 3u);
  const auto tri = model_triangles(m)[0];
  // Faces up in the file, so faces up (+y) here with clockwise fronts.
  EXPECT_GT(front_normal(tri[0], tri[1], tri[2]).y, 0);

  // The flat list turned into a model agrees with the model reader.
  std::vector<Triangle> flat;
  ASSERT_TRUE(media::parse_3ds_triangles(bytes(ground_file()), flat));
  const auto again = model_triangles(media::triangles_to_model(flat))[0];
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(again[i], tri[i]));

  media::reverse_winding(m);
  const auto flipped = model_triangles(m)[0];
  EXPECT_LT(front_normal(flipped[0], flipped[1], flipped[2]).y, 0);
}

TEST(Model3ds, FiveHandledChunksMakeAModel) {
  // Editor, object, mesh, vertex list, face list: five.
  EXPECT_TRUE(parses(ground_file()));
  // Without the named object only four.
  EXPECT_FALSE(parses(file(chunk(0x4100, vertices(kGround) + faces({{0, 1, 2}})))));
  // An empty mesh is still a model when the chunks are there.
  std::vector<Triangle> t;
  EXPECT_TRUE(media::parse_3ds_triangles(bytes(file(object(vertices({}) + faces({})))), t));
  EXPECT_TRUE(t.empty());
  // Unknown chunks are stepped over and do not count.
  EXPECT_TRUE(parses(file(chunk(0x0002, le32(3)) +
                          object(chunk(0x4160, std::string(48, '\0')) + vertices(kGround) + faces({{0, 1, 2}})))));
  EXPECT_FALSE(parses(chunk(0x4D4C, chunk(0x3D3D, object(vertices(kGround) + faces({{0, 1, 2}})))))) << "not 0x4D4D";
}

TEST(Model3ds, FacesIndexTheLastVertexListSeen) {
  const std::string two = file(
      object(vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + faces({{0, 1, 2}}), "a") +
      object(vertices({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}, {9, 9, 9}}) + faces({{1, 2, 3}}), "b"));
  std::vector<Triangle> t;
  ASSERT_TRUE(media::parse_3ds_triangles(bytes(two), t));
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(same(t[1].v[0], Vec3{6, 0, 0}));
  EXPECT_TRUE(same(t[1].v[2], Vec3{9, 9, 9}));
  core::Model m;
  ASSERT_TRUE(media::parse_3ds_model(bytes(two), m));
  EXPECT_EQ(m.positions.size(), 7u);
  EXPECT_EQ(m.indices, (std::vector<uint32_t>{0, 2, 1, 4, 6, 5}));
}

TEST(Model3ds, BadFacesAreDroppedAlone) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::string f = file(object(vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {nan, 0, 0}}) +
                                    faces({{0, 1, 2}, {0, 1, 4}, {65535, 0, 1}, {0, 3, 1}, {2, 1, 0}})));
  std::vector<Triangle> t;
  ASSERT_TRUE(media::parse_3ds_triangles(bytes(f), t));
  EXPECT_EQ(t.size(), 2u);
  core::Model m;
  ASSERT_TRUE(media::parse_3ds_model(bytes(f), m));
  EXPECT_TRUE(core::model_valid(m));
  EXPECT_EQ(m.indices.size(), 6u);
  EXPECT_TRUE(same(m.positions[3], Vec3{})) << "a non-finite vertex is kept as the origin";
  // A face list before any vertex list has nothing to index.
  ASSERT_TRUE(media::parse_3ds_triangles(bytes(file(object(faces({{0, 0, 0}}) + vertices(kGround)))), t));
  EXPECT_TRUE(t.empty());
}

TEST(Model3ds, BrokenStructureRefusesTheFile) {
  const std::string good = ground_file();
  ASSERT_TRUE(parses(good));
  // Every shorter prefix, as it is and with the main length cut to match.
  for (size_t n = 0; n < good.size(); ++n) {
    std::string cut = good.substr(0, n);
    EXPECT_FALSE(parses(cut)) << n;
    if (n >= 6) {
      std::memcpy(cut.data() + 2, le32(uint32_t(n)).data(), 4);
      EXPECT_FALSE(parses(cut)) << n;
    }
  }
  auto patched = [&](size_t at, const std::string& with) {
    std::string f = good;
    f.replace(at, with.size(), with);
    return f;
  };
  const size_t editor = 6, mesh_at = 12 + 6 + 4, vlist = mesh_at + 6;
  const size_t flist = vlist + 6 + 2 + 12 * kGround.size();
  EXPECT_FALSE(parses(patched(editor + 2, le32(1000)))) << "child past its parent";
  EXPECT_FALSE(parses(patched(flist + 2, le32(0)))) << "length 0";
  EXPECT_FALSE(parses(patched(flist + 2, le32(5)))) << "shorter than a header";
  EXPECT_FALSE(parses(patched(vlist + 6, le16(5)))) << "vertex count past the chunk";
  EXPECT_FALSE(parses(patched(flist + 6, le16(2)))) << "face count past the chunk";
  EXPECT_FALSE(parses(patched(2, le32(uint32_t(good.size() + 1))))) << "main past the file";
  const std::string rest = object(vertices(kGround) + faces({{0, 1, 2}}));
  EXPECT_FALSE(parses(file(chunk(0x4000, "abc") + rest))) << "name without terminator";
  EXPECT_FALSE(parses(file(le16(0x1234) + le32(0) + rest))) << "length 0 would never end the walk";
  // Trailing bytes after the main chunk and a short tail inside it are fine.
  EXPECT_TRUE(parses(good + "junk"));
  EXPECT_TRUE(parses(chunk(0x4D4D, chunk(0x3D3D, rest + "\1\2\3"))));
  // Entered chunks nest at most 32 deep.
  std::string inner = rest;
  for (int i = 0; i < 28; ++i) inner = chunk(0x3D3D, inner);
  EXPECT_TRUE(parses(chunk(0x4D4D, inner)));
  for (int i = 0; i < 10; ++i) inner = chunk(0x3D3D, inner);
  EXPECT_FALSE(parses(chunk(0x4D4D, inner)));
}

TEST(Model3ds, ModelTakesMappingAndMaterials) {
  auto colour24 = [](int r, int g, int b) { return chunk(0x0011, std::string{char(r), char(g), char(b)}); };
  const std::string red = chunk(0xAFFF, chunk(0xA000, cstr("RED")) + chunk(0xA020, colour24(255, 0, 0)) +
                                            chunk(0xA050, chunk(0x0030, le16(25))));
  const std::string tex = chunk(0xAFFF, chunk(0xA000, cstr("TEX")) +
                                            chunk(0xA020, chunk(0x0012, "\x10\x10\x10") + colour24(0, 0, 255)) +
                                            chunk(0xA200, chunk(0xA300, cstr("maps\\WOOD.BMP"))));
  std::string mapping = le16(4);
  for (float uv : {0.f, 0.f, 1.f, 0.f, 0.f, 1.f, 0.25f, 0.75f}) mapping += f32(uv);
  const std::string groups = chunk(0x4130, cstr("TEX") + le16(1) + le16(1)) +
                             chunk(0x4130, cstr("RED") + le16(2) + le16(0) + le16(1)) +
                             chunk(0x4130, cstr("NONE") + le16(1) + le16(2)) + chunk(0x4150, std::string(12, '\0'));
  const std::string f = file(
      red +
      object(vertices(kGround) + chunk(0x4140, mapping) + faces({{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}}, groups)) +
      tex);
  core::Model m;
  ASSERT_TRUE(media::parse_3ds_model(bytes(f), m));
  ASSERT_TRUE(core::model_valid(m));
  ASSERT_EQ(m.uvs.size(), 4u);
  EXPECT_FLOAT_EQ(m.uvs[3].u, 0.25f);
  EXPECT_FLOAT_EQ(m.uvs[3].v, 0.25f) << "v counted from the top";
  ASSERT_EQ(m.materials.size(), 3u);
  EXPECT_EQ(m.materials[1].r, 1.0f);
  EXPECT_EQ(m.materials[1].b, 0.0f);
  EXPECT_FLOAT_EQ(m.materials[1].a, 0.75f);
  EXPECT_EQ(m.materials[2].b, 1.0f) << "the gamma-corrected colour is only a fallback";
  EXPECT_EQ(m.materials[2].texture, "maps/WOOD.BMP");
  // Face 1 is TEX's (its first group), face 0 RED's; NONE names no material.
  ASSERT_EQ(m.groups.size(), 3u);
  EXPECT_EQ(m.groups[0].material, 0);
  EXPECT_EQ(m.groups[0].index_count, 6u);
  EXPECT_EQ(m.groups[1].material, 1);
  EXPECT_EQ(m.indices[m.groups[1].first_index + 2], 1u);
  EXPECT_EQ(m.groups[2].material, 2);
  EXPECT_EQ(m.indices[m.groups[2].first_index + 1], 3u);

  // Broken extras leave the geometry alone.
  std::string bad_mapping = le16(400) + mapping.substr(2);
  const std::string g = file(
      chunk(0xAFFF, chunk(0xA000, "unterminated") + chunk(0xA020, le32(99))) +
      object(vertices(kGround) + chunk(0x4140, bad_mapping) + faces({{0, 1, 2}}, chunk(0x4130, cstr("X") + le16(50)))));
  ASSERT_TRUE(media::parse_3ds_model(bytes(g), m));
  EXPECT_TRUE(core::model_valid(m));
  EXPECT_TRUE(m.uvs.empty());
  EXPECT_EQ(m.indices.size(), 3u);
}

TEST(Model3ds, LoadFallsBackToTheDefaultFile) {
  const std::string dir = testing_support::temp_folder("quill-3ds");
  ASSERT_TRUE(core::write_file_atomic(dir + "default_.3ds", ground_file()));
  ASSERT_TRUE(core::write_file_atomic(dir + "bad.3ds", "MM\x06\0\0\0"));
  ASSERT_TRUE(core::write_file_atomic(dir + "empty.3ds", ""));
  std::vector<Triangle> t;
  EXPECT_EQ(media::load_3ds_triangles(dir + "default_.3ds", dir + "none", t), media::ModelSource::file);
  EXPECT_EQ(media::load_3ds_triangles(dir + "bad.3ds", dir + "default_.3ds", t), media::ModelSource::fallback);
  EXPECT_EQ(t.size(), 1u);
  core::Model m;
  EXPECT_EQ(media::load_3ds_model(dir + "missing.3ds", dir + "default_.3ds", m), media::ModelSource::fallback);
  EXPECT_EQ(media::load_3ds_triangles(dir + "empty.3ds", dir + "bad.3ds", t), media::ModelSource::none);
  EXPECT_TRUE(t.empty());
  std::filesystem::remove_all(dir);
}

TEST(Model3ds, WrittenFilesReadBackBitForBit) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> d(-1000, 1000);
  auto random_list = [&](size_t n) {
    std::vector<Triangle> t(n);
    for (Triangle& x : t)
      for (Vec3& v : x.v) v = {d(rng), d(rng), d(rng)};
    return t;
  };
  for (size_t n : {size_t{0}, size_t{1}, size_t{100}, size_t{21845}, size_t{50000}}) {
    const std::vector<Triangle> t = random_list(n);
    std::vector<Triangle> back;
    ASSERT_TRUE(media::parse_3ds_triangles(bytes(media::encode_3ds(t)), back)) << n;
    ASSERT_EQ(back.size(), n);
    if (n > 0) {
      EXPECT_EQ(std::memcmp(back.data(), t.data(), n * sizeof(Triangle)), 0) << n;
    }
  }
  // Both sides: each triangle followed by its reverse; 3n vertices, 2n faces.
  std::vector<Triangle> t = random_list(100);
  const std::string two = media::encode_3ds(t, true);
  EXPECT_EQ(two.size(), 6 + 6 + 6 + 8 + 6 + 6 + 2 + 300 * 12 + 6 + 2 + 200 * 8u);
  std::vector<Triangle> back;
  ASSERT_TRUE(media::parse_3ds_triangles(bytes(two), back));
  ASSERT_EQ(back.size(), 200u);
  std::vector<Triangle> reversed = t;
  media::reverse_winding(reversed);
  EXPECT_EQ(std::memcmp(&back[0], &t[0], sizeof(Triangle)), 0);
  EXPECT_EQ(std::memcmp(&back[199], &reversed[99], sizeof(Triangle)), 0);

  // Too large for the reader: nothing is written.
  EXPECT_TRUE(media::encode_3ds(random_list(400000)).empty());
  const std::string dir = testing_support::temp_folder("quill-3ds");
  ASSERT_TRUE(media::save_3ds(dir + "a.3ds", t));
  EXPECT_EQ(media::load_3ds_triangles(dir + "a.3ds", "", back), media::ModelSource::file);
  EXPECT_EQ(back.size(), 100u);
  std::filesystem::remove_all(dir);
}

// The shared sample files: every model loads; the empty file falls back.
TEST(Model3ds, SampleFiles) {
  const std::string folder = std::string(QUILL_TESTDATA) + "/3ds";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no " << folder;
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    std::string data;
    ASSERT_TRUE(core::read_file(entry.path().string(), data));
    std::vector<Triangle> t;
    core::Model m;
    const bool flat = media::parse_3ds_triangles(bytes(data), t);
    ASSERT_EQ(media::parse_3ds_model(bytes(data), m), flat) << name;
    ++seen;
    if (data.empty()) {
      EXPECT_FALSE(flat) << name;
      continue;
    }
    ASSERT_TRUE(flat) << name;
    EXPECT_FALSE(t.empty()) << name;
    EXPECT_TRUE(core::model_valid(m)) << name;
    EXPECT_EQ(m.indices.size(), 3 * t.size()) << name;
  }
  EXPECT_GE(seen, 10);

  // Closed boxes: every front face points away from the centre.
  for (const char* box :
       {"assimp_RotatingCube.3DS", "o3dv_cube_hierarchy.3ds", "assimp_cube_with_diffuse_texture.3DS"}) {
    core::Model m;
    ASSERT_EQ(media::load_3ds_model(folder + "/" + box, "", m), media::ModelSource::file) << box;
    Vec3 c{};
    for (const Vec3& p : m.positions) c = {c.x + p.x, c.y + p.y, c.z + p.z};
    const float n = float(m.positions.size());
    c = {c.x / n, c.y / n, c.z / n};
    for (const auto& tri : model_triangles(m)) {
      const Vec3 f = front_normal(tri[0], tri[1], tri[2]);
      const Vec3 out{(tri[0].x + tri[1].x + tri[2].x) / 3 - c.x, (tri[0].y + tri[1].y + tri[2].y) / 3 - c.y,
                     (tri[0].z + tri[1].z + tri[2].z) / 3 - c.z};
      EXPECT_GT(f.x * out.x + f.y * out.y + f.z * out.z, 0) << box;
    }
  }
  core::Model m;
  ASSERT_EQ(media::load_3ds_model(folder + "/assimp_cube_with_diffuse_texture.3DS", "", m), media::ModelSource::file);
  ASSERT_EQ(m.groups.size(), 1u);
  EXPECT_EQ(m.materials[size_t(m.groups[0].material)].texture, "TEST.PNG");
  EXPECT_EQ(m.uvs.size(), m.positions.size());
}

}  // namespace
