// The cameras' 3D views: the orientation rules, and headless runs of the
// real binary whose screenshots show shapes, fog, flats, layers and the 3D
// background.
#include "engine/scene3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "core/angles.h"
#include "core/files.h"
#include "core/state.h"
#include "media/pcx.h"
#include "media/shape_file.h"
#include "platform/xfile.h"
#include "support/headless_run.h"

namespace {

using testing_support::ElementSpec;

// --- orientation

TEST(Orientation, QuaternionPathMatchesTheVectorPathAtScaleOne) {
  const core::Pools& p = core::state().pools;
  const std::string table = core::make_sinusbig_table();
  std::memcpy(p.sinusbig.bytes(), table.data(), table.size());
  const int32_t rotations[][3] = {{0, 46080, 0},         {23040, 0, 0},         {0, 0, 23040},
                                  {10000, 20000, 30000}, {-50000, 91000, 7000}, {184000, -3000, 64000},
                                  {92160, 92160, 92160}};
  for (const auto& r : rotations)
    for (const int32_t* parent : {static_cast<const int32_t*>(nullptr), rotations[3], rotations[4]}) {
      core::Vec3 dir, up, right, qup, qdir;
      engine::element_axes(r, parent, dir, up);
      core::quat_axes(engine::element_rotation(r, parent), right, qup, qdir);
      const float tol = 3e-3f;
      EXPECT_NEAR(dir.x, qdir.x, tol) << r[0] << " " << r[1] << " " << r[2];
      EXPECT_NEAR(dir.y, qdir.y, tol);
      EXPECT_NEAR(dir.z, qdir.z, tol);
      EXPECT_NEAR(up.x, qup.x, tol);
      EXPECT_NEAR(up.y, qup.y, tol);
      EXPECT_NEAR(up.z, qup.z, tol);
    }
  // A quarter turn about y faces the element along -x.
  core::Vec3 dir, up;
  const int32_t quarter[3] = {0, 46080, 0};
  engine::element_axes(quarter, nullptr, dir, up);
  EXPECT_NEAR(dir.x, -1, 1e-3);
  EXPECT_NEAR(up.y, 1, 1e-3);
}

// --- runs of the binary

class SceneRun : public testing_support::HeadlessRun {
 protected:
  int width = 0, height = 0;
  std::vector<uint8_t> px;

  // Runs the project headless for a few ticks and reads its screenshot.
  void shoot(const std::vector<ElementSpec>& elements, const std::string& extra = "") {
    write_project(elements);
    ASSERT_EQ(quill("--headless --ticks 8 --messages m.jsonl --dump d.json --screenshot s.png " + extra), 0);
    std::string png;
    ASSERT_TRUE(core::read_file(dir + "s.png", png));
    ASSERT_TRUE(testing_support::read_png(png, width, height, px));
    ASSERT_EQ(width, 640);
  }

  uint32_t rgb(int x, int y) const {
    const uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * 4];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }

  int count(int x1, int y1, int x2, int y2, const std::function<bool(int, int, int)>& test) const {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) {
        const uint32_t c = rgb(x, y);
        n += test(c >> 16 & 255, c >> 8 & 255, c & 255);
      }
    return n;
  }
};

// A camera 6 units in front of the origin over the whole screen, an
// ambient white light and a box shape file of one colour.
ElementSpec camera(const std::string& brain = "") { return {{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, brain}; }
ElementSpec ambient() { return {{{36, "10"}, {2, "-"}, {37, "0/255-255-255/0"}}, ""}; }
ElementSpec shape(const std::string& aspect, const std::string& z = "0") {
  return {{{36, "1"}, {2, aspect}, {7, z}}, ""};
}

void write_box(const std::string& path, uint32_t colour) {
  ASSERT_TRUE(media::save_shape(path, media::box_shape(1000, 1000, 1000, colour, false)));
}

bool near(uint32_t c, int r, int g, int b, int tol = 4) {
  return std::abs(int(c >> 16 & 255) - r) <= tol && std::abs(int(c >> 8 & 255) - g) <= tol &&
         std::abs(int(c & 255) - b) <= tol;
}

TEST_F(SceneRun, AShapeFileIsSeenAtTheCentreOfTheView) {
  write_box(dir + "projects/t/box.a3d", 0xC8A020);
  shoot({camera(), ambient(), shape("./projects/t/box.a3d")});
  EXPECT_TRUE(near(rgb(320, 240), 0xC8, 0xA0, 0x20)) << std::hex << rgb(320, 240);
  EXPECT_FALSE(near(rgb(5, 5), 0xC8, 0xA0, 0x20));
  // The box is 2 units wide at 5 units from the camera: well inside the view.
  EXPECT_GT(count(0, 0, 639, 479, [](int r, int g, int b) { return r > 150 && g > 120 && b < 60; }), 5000);
  // A missing file gives the installed default shape (its front face red).
  shoot({camera(), ambient(), shape("./projects/t/missing.a3d")});
  EXPECT_TRUE(near(rgb(320, 240), 0xE0, 0x3C, 0x3C)) << std::hex << rgb(320, 240);
}

TEST_F(SceneRun, TexturedFacesShowTheirTileOfTheStrip) {
  // A strip of two 64 x 64 tiles: red over blue.
  std::vector<uint8_t> pixels(64 * 128, 0);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 64; ++x) pixels[static_cast<size_t>(y) * 64 + x] = y < 64 ? 1 : 2;
  media::Palette palette{};
  palette[1] = {200, 40, 40};
  palette[2] = {40, 40, 200};
  ASSERT_TRUE(media::write_pcx(dir + "projects/t/strip.pcx", 64, 128, pixels, palette));
  auto centre_with_tile = [&](uint16_t tile) {
    media::Shape box = media::box_shape(1000, 1000, 1000, 0xFFFFFF, true);
    box.tiles = 2;
    box.texture = "./projects/t/strip.pcx";
    for (media::ShapeFace& f : box.faces) f.tile = tile;
    EXPECT_TRUE(media::save_shape(dir + "projects/t/box.a3d", box));
    shoot({camera(), ambient(), shape("./projects/t/box.a3d")});
    return rgb(320, 240);
  };
  // The strip's colours lose their low three bits as textures do.
  EXPECT_TRUE(near(centre_with_tile(0), 200, 40, 40, 8)) << std::hex << rgb(320, 240);
  EXPECT_TRUE(near(centre_with_tile(1), 40, 40, 200, 8)) << std::hex << rgb(320, 240);
  // The whole front face stays inside its tile.
  EXPECT_EQ(count(190, 110, 450, 370, [](int r, int /*g*/, int b) { return r > 150 && b < 80; }), 0);
}

TEST_F(SceneRun, FogColourGrowsWithDistance) {
  write_box(dir + "projects/t/box.a3d", 0xFFFFFF);
  const std::string fog = "fogeffect_set(1)\nfog_color_set(0, 0, 255)\nfog_set(2mt, 16mt)\n";
  auto blue_share = [&](const std::string& z) {
    shoot({camera(fog), ambient(), shape("./projects/t/box.a3d", z)});
    const uint32_t c = rgb(320, 240);
    return (c & 255) - (c >> 16 & 255);  // fog blue minus the box's red
  };
  const int near_box = static_cast<int>(blue_share("-2"));  // 3 units in front of its face
  const int far_box = static_cast<int>(blue_share("6"));    // 11 units
  EXPECT_GT(far_box, near_box + 60);
  EXPECT_GE(near_box, 0);
}

TEST_F(SceneRun, TheOverlayRootIsDrawnOverTheScene) {
  write_box(dir + "projects/t/box.a3d", 0xFFFFFF);
  // A flat shape (black keyed out, field 33 bit 2) a unit in front of the box.
  ElementSpec flat{{{36, "2"}, {2, "./images/jeep001_.pcx"}, {33, "5"}, {7, "-2"}, {42, "0.5"}, {43, "0.5"}}, ""};
  shoot({camera(), ambient(), shape("./projects/t/box.a3d"), flat});
  auto checker = [](int r, int g, int b) { return r > 2 * g && r > 60 && b < 60; };
  EXPECT_GT(count(300, 220, 340, 260, checker), 1500);
  // After every camera (flats_priority_set) the flat still covers the box.
  shoot({camera("flats_priority_set(1)\n"), ambient(), shape("./projects/t/box.a3d"), flat});
  EXPECT_GT(count(300, 220, 340, 260, checker), 1500);
}

TEST_F(SceneRun, APriorityLayerWinsOverCoplanarFaces) {
  write_box(dir + "projects/t/box.a3d", 0xFFFFFF);
  // The flat lies 2 mm behind the box's front face (z = -1): hidden by it,
  // unless it is drawn in a priority layer (field 38 item 1).
  ElementSpec flat{{{36, "2"}, {2, "./images/jeep002_.pcx"}, {33, "5"}, {7, "-0.998"}, {42, "0.5"}, {43, "0.5"}}, ""};
  auto green = [](int r, int g, int b) { return g > 2 * r && g > 60 && b < 60; };
  shoot({camera(), ambient(), shape("./projects/t/box.a3d"), flat});
  EXPECT_LT(count(300, 220, 340, 260, green), 50);
  flat.fields[38] = "1/1";
  shoot({camera(), ambient(), shape("./projects/t/box.a3d"), flat});
  EXPECT_GT(count(300, 220, 340, 260, green), 1600);
}

TEST_F(SceneRun, PickingFindsTheShapeUnderTheMouse) {
  write_box(dir + "projects/t/box.a3d", 0xFFFFFF);
  ElementSpec cam = camera("var p\np = visual_picked_get()\n");
  ElementSpec box = shape("./projects/t/box.a3d");
  box.fields[5] = "2";  // two units to the right
  box.brain = "var me\nme = element\n";
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "0 move 560 240\n"));
  shoot({cam, ambient(), box}, "--input-script keys.txt");
  EXPECT_NE(word(2, 255), 0);
  EXPECT_EQ(word(0, 255), word(2, 255));
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "0 move 190 240\n"));
  shoot({cam, ambient(), box}, "--input-script keys.txt");
  EXPECT_EQ(word(0, 255), 0);
}

// An element drawn in a priority layer is found by picking as itself.
TEST_F(SceneRun, PickingFindsElementsOfPriorityLayers) {
  write_box(dir + "projects/t/box.a3d", 0xFFFFFF);
  ElementSpec flat{{{36, "2"}, {2, "./images/jeep002_.pcx"}, {33, "5"}, {7, "-0.998"}, {38, "1/1"}},
                   "var me\nme = element\n"};
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "0 move 320 240\n"));
  shoot({camera("var p\np = visual_picked_get()\n"), ambient(), shape("./projects/t/box.a3d"), flat},
        "--input-script keys.txt");
  EXPECT_NE(word(3, 255), 0);
  EXPECT_EQ(word(0, 255), word(3, 255));
  flat.fields[7] = "0";  // a unit behind the face: hidden by it, and the box is found
  shoot({camera("var p\np = visual_picked_get()\n"), ambient(), shape("./projects/t/box.a3d"), flat},
        "--input-script keys.txt");
  EXPECT_NE(word(0, 255), word(3, 255));
  EXPECT_NE(word(0, 255), 0);
}

TEST_F(SceneRun, ScaledModelsTurnLikeUnscaledOnes) {
  // The default X model: a blue box with a red roof, rolled and turned. At
  // scale 1.000 it takes the vector path, at 1.001 the quaternion path; the
  // roof must land on the same pixels.
  auto roof_centre = [&](const std::string& scale, const std::string& joined) {
    ElementSpec model{{{36, "13"},
                       {2, "./xvisuals/default_.x"},
                       {11, "-30"},
                       {12, "25"},
                       {13, "50"},
                       {42, scale},
                       {43, scale},
                       {44, scale}},
                      joined};
    shoot({camera(), ambient(), model});
    long long sx = 0, sy = 0, n = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const uint32_t c = rgb(x, y);
        if (near(c, 0xE0, 0x40, 0x30, 6)) sx += x, sy += y, ++n;
      }
    EXPECT_GT(n, 500) << scale << " " << joined;
    return std::pair<double, double>(n ? double(sx) / n : 0, n ? double(sy) / n : 0);
  };
  const auto plain = roof_centre("1.000", "");
  const auto scaled = roof_centre("1.001", "");
  EXPECT_NEAR(plain.first, scaled.first, 3);
  EXPECT_NEAR(plain.second, scaled.second, 3);
  // The roll tips the roof to the left of the box's centre.
  EXPECT_LT(plain.first, 315);
  // A joined element turns by its parent rotation first, on both paths.
  const std::string child = "register_set(element, 39, 0-60dg)\nstate_set(element, 8)\n";
  const auto joined_plain = roof_centre("1.000", child);
  const auto joined_scaled = roof_centre("1.001", child);
  EXPECT_NEAR(joined_plain.first, joined_scaled.first, 3);
  EXPECT_NEAR(joined_plain.second, joined_scaled.second, 3);
  // The parent's turn about x points the roof at the camera.
  EXPECT_GT(std::hypot(joined_plain.first - plain.first, joined_plain.second - plain.second), 10);
}

TEST_F(SceneRun, InstalledModelsLoadAndHoodsFaceInward) {
  for (const char* name : {"xvisuals/default_.x", "data/bndbox.x", "data/radius.x", "data/cross.x"}) {
    core::Model m;
    platform::XInfo info;
    std::string error;
    EXPECT_TRUE(platform::load_x(dir + name, m, info, error)) << name << ": " << error;
    EXPECT_FALSE(m.empty()) << name;
  }
  for (int preview = 0; preview < 5; ++preview)
    for (char part : {'a', 'b'}) {
      const std::string name = "data/hood" + std::to_string(preview) + part + ".x";
      core::Model m;
      platform::XInfo info;
      std::string error;
      ASSERT_TRUE(platform::load_x(dir + name, m, info, error)) << name << ": " << error;
      EXPECT_EQ(m.groups.size(), part == 'a' ? 1u : 2u) << name;
      // Every front face (clockwise) looks at the centre, where the camera is.
      int outward = 0;
      for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
        const core::Vec3 a = m.positions[m.indices[i]], b = m.positions[m.indices[i + 1]],
                         c = m.positions[m.indices[i + 2]];
        const core::Vec3 n = core::cross(b - a, c - a);
        if (core::length(n) < 1e-6f) continue;  // the poles' slivers
        outward += core::dot(n, a + b + c) > 0;
      }
      EXPECT_EQ(outward, 0) << name;
      if (part == 'a')
        for (const core::Vec2& uv : m.uvs) {
          EXPECT_GE(uv.u, 0.0f);
          EXPECT_LE(uv.v, 1.0f);
        }
    }
}

TEST_F(SceneRun, BackgroundModeOneDrawsTheHoodAroundTheCamera) {
  // Looking 20 degrees up: the band's sky in the upper part of the view.
  ElementSpec cam = camera("background3d_set(1)\n");
  cam.fields[11] = "-20";
  shoot({cam, ambient()});
  auto sky = [](int r, int /*g*/, int b) { return b > 150 && b > r + 40; };
  EXPECT_GT(count(0, 0, 639, 200, sky), 50000);
  // Mode 0 draws no hood.
  cam.brain = "";
  shoot({cam, ambient()});
  EXPECT_EQ(count(0, 0, 639, 200, sky), 0);
}

TEST_F(SceneRun, BackgroundModeTwoFillsTheViewports) {
  ElementSpec cam{{{7, "-6.000"}, {37, "160/120/479/359/0/20&40/9"}},
                  "3dbg_color_set(0, 255, 0)\nbackground3d_set(2)\n"};
  shoot({cam, ambient()});
  EXPECT_TRUE(near(rgb(200, 150), 0, 255, 0)) << std::hex << rgb(200, 150);
  EXPECT_TRUE(near(rgb(470, 350), 0, 255, 0));
  EXPECT_FALSE(near(rgb(100, 100), 0, 255, 0));
  EXPECT_FALSE(near(rgb(500, 400), 0, 255, 0));
}

}  // namespace
