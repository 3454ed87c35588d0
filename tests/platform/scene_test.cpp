// The retained-mode scene drawn headless.
#include <gtest/gtest.h>

#include <vector>

#include "media/device.h"
#include "platform/gl_device.h"
#include "platform/scene.h"
#include "platform/state.h"
#include "platform/video.h"

namespace platform {
namespace {

// A square of side 2 in the z = 0 plane, facing the viewer (towards -z).
Model square(uint32_t rgba = 0xFF0000FFu) {
  Model m;
  m.positions = {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}};
  m.indices = {0, 1, 2, 0, 2, 3};
  Material mat;
  mat.r = (rgba & 0xFF) / 255.0f;
  mat.g = (rgba >> 8 & 0xFF) / 255.0f;
  mat.b = (rgba >> 16 & 0xFF) / 255.0f;
  m.materials = {mat};
  m.groups = {{0, 6, 0}};
  return m;
}

class Scene : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    state().headless = true;
    ASSERT_TRUE(video_init(true));
    media::EngineSettings s;
    ASSERT_TRUE(media::start_device(s, "/tmp/quill-scene-test.ini", false));
  }
  static void TearDownTestSuite() {
    media::stop_device();
    video_quit();
  }
  void SetUp() override {
    scene_reset();
    frame_clear();
    root = frame_create(-1);
    camera = frame_create(root);
    frame_set_position(camera, {0, 0, -5});
    viewport = viewport_create(camera, 0, 0, 640, 480);
    viewport_set_clip(viewport, 1, 100);
    light_create(frame_create(root), kLightAmbient, 1, 1, 1);
  }

  int add_square(Vec3 at, uint32_t rgba = 0xFF0000FFu) {
    int f = frame_create(root);
    frame_set_position(f, at);
    frame_set_mesh(f, mesh_create(square(rgba)));
    return f;
  }

  uint32_t pixel(int x, int y) {
    std::vector<uint8_t> px(640 * 480 * 4);
    EXPECT_TRUE(frame_read(px.data(), 640, 480));
    const uint8_t* p = &px[(static_cast<size_t>(y) * 640 + x) * 4];
    return p[0] | p[1] << 8 | p[2] << 16;
  }
  void render() {
    frame_clear();
    viewport_clear_depth(viewport);
    viewport_render(viewport, root);
  }

  int root = -1, camera = -1, viewport = -1;
};

TEST_F(Scene, ACameraSeesAColouredShapeAtTheCentre) {
  add_square({0, 0, 0});
  render();
  EXPECT_EQ(scene_drawn_count(), 1);
  EXPECT_EQ(pixel(320, 240), 0x0000FFu);  // red (0xBBGGRR)
  EXPECT_EQ(pixel(5, 5), 0u);
  // Field 0.5 at distance 5: the square (half-width 1) spans 1/2.5 of the half-width.
  EXPECT_EQ(pixel(320 + 120, 240), 0x0000FFu);
  EXPECT_EQ(pixel(320 + 136, 240), 0u);
}

TEST_F(Scene, BackFacesAndHiddenFramesAreNotDrawn) {
  int f = add_square({0, 0, 0});
  frame_set_orientation(f, {0, 0, -1}, {0, 1, 0});  // turned away
  render();
  EXPECT_EQ(pixel(320, 240), 0u);
  frame_set_orientation(f, {0, 0, 1}, {0, 1, 0});
  frame_set_traversal(root, false, false);
  render();
  EXPECT_EQ(pixel(320, 240), 0u);
  EXPECT_EQ(scene_drawn_count(), 0);
}

TEST_F(Scene, NearerShapesCoverFartherOnes) {
  add_square({0, 0, 3}, 0xFF00FF00u);
  add_square({0, 0, 0}, 0xFFFF0000u);
  render();
  EXPECT_EQ(pixel(320, 240), 0xFF0000u);  // blue, the nearer one
}

TEST_F(Scene, FogGrowsWithDistance) {
  frame_set_fog(root, true, 2, 30, 0x00FF00);
  add_square({0, 0, 0});
  render();
  const uint32_t near = pixel(320, 240);
  frame_set_position(camera, {0, 0, -25});
  render();
  const uint32_t far = pixel(320, 240);
  EXPECT_GT((far >> 8) & 0xFF, (near >> 8) & 0xFF);  // more fog green
  EXPECT_LT(far & 0xFF, near & 0xFF);                // less red
}

TEST_F(Scene, DirectionalLightShadesByAngle) {
  scene_reset();
  root = frame_create(-1);
  camera = frame_create(root);
  frame_set_position(camera, {0, 0, -5});
  viewport = viewport_create(camera, 0, 0, 640, 480);
  int light_frame = frame_create(root);
  frame_set_orientation(light_frame, {0, 0, 1}, {0, 1, 0});  // shining along +z onto the front
  int light = light_create(light_frame, kLightDirectional, 1, 1, 1);
  add_square({0, 0, 0}, 0xFFFFFFFFu);
  render();
  EXPECT_GT(pixel(320, 240) & 0xFF, 240u);
  light_set_colour(light, 0.5f, 0.5f, 0.5f);
  render();
  EXPECT_NEAR(static_cast<int>(pixel(320, 240) & 0xFF), 128, 3);
}

TEST_F(Scene, TransformAndInverseTransformAgree) {
  Vec4 t = viewport_transform(viewport, {1, 0, 0});
  EXPECT_NEAR(t.w, 5, 1e-4);
  EXPECT_NEAR(t.x / t.w, 320 + 128, 0.01);
  EXPECT_NEAR(t.y / t.w, 240, 0.01);
  Vec3 back = viewport_inverse_transform(viewport, t.x / t.w, t.y / t.w, t.w);
  EXPECT_NEAR(back.x, 1, 1e-4);
  EXPECT_NEAR(back.y, 0, 1e-4);
  EXPECT_NEAR(back.z, 0, 1e-4);
}

TEST_F(Scene, PickingFindsTheFrameUnderAPixel) {
  int near = add_square({0, 0, 0});
  add_square({0, 0, 4});
  Pick p = viewport_pick(viewport, root, 320, 240);
  EXPECT_EQ(p.frame, near);
  EXPECT_NEAR(p.point.z, 0, 1e-3);
  EXPECT_EQ(viewport_pick(viewport, root, 5, 5).frame, -1);
  frame_set_traversal(near, true, false);  // visible but not pickable
  EXPECT_NE(viewport_pick(viewport, root, 320, 240).frame, near);
}

TEST_F(Scene, HierarchyComposesTransforms) {
  int parent = frame_create(root);
  frame_set_position(parent, {2, 0, 0});
  frame_set_orientation(parent, {1, 0, 0}, {0, 1, 0});  // z axis turned to +x
  int child = frame_create(parent);
  frame_set_position(child, {0, 0, 3});
  Vec3 w = frame_world_position(child);
  EXPECT_NEAR(w.x, 5, 1e-5);
  EXPECT_NEAR(w.z, 0, 1e-5);
  frame_delete(parent);
  EXPECT_FALSE(frame_valid(child));
}

TEST_F(Scene, InvalidModelsAndFullTablesAreRefused) {
  Model bad = square();
  bad.indices.push_back(99);
  bad.indices.push_back(0);
  bad.indices.push_back(1);
  EXPECT_EQ(mesh_create(bad), -1);
  EXPECT_EQ(mesh_create(Model{}), -1);
  EXPECT_EQ(frame_create(kMaxFrames + 5), -1);
  EXPECT_EQ(texture_create(nullptr, 4, 4), -1);
}

}  // namespace
}  // namespace platform
