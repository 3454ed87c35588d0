// The retained-mode scene drawn headless.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "media/device.h"
#include "platform/gl_device.h"
#include "platform/platform.h"
#include "platform/scene.h"
#include "platform/video.h"
#include "support/temp_folder.h"

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
    set_headless(true);
    ASSERT_TRUE(video_init(true));
    media::EngineSettings s;
    ASSERT_TRUE(media::start_device(s, testing_support::temp_folder("quill-scene") + "config.ini", false));
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

// A mesh of two squares, one group each: part 0 at z = 0, part 1 at z = -0.5
// (nearer), both of half-side 1.
Model two_groups(uint32_t rgba0, uint32_t rgba1) {
  Model a = square(rgba0), b = square(rgba1);
  for (Vec3 p : b.positions) a.positions.push_back({p.x, p.y, -0.5f});
  for (uint32_t i : b.indices) a.indices.push_back(i + 4);
  a.materials.push_back(b.materials[0]);
  a.materials[0].a = (rgba0 >> 24) / 255.0f;
  a.materials[1].a = (rgba1 >> 24) / 255.0f;
  a.groups.push_back({6, 6, 1});
  return a;
}

TEST_F(Scene, HiddenGroupsAreNeitherDrawnNorPicked) {
  const int f = frame_create(root);
  frame_set_mesh(f, mesh_create(two_groups(0xFF0000FFu, 0xFF00FF00u)));
  const int m = frame_mesh(f);
  int first = -1, count = -1;
  EXPECT_TRUE(mesh_group_range(m, 1, first, count));
  EXPECT_EQ(first, 4);
  EXPECT_EQ(count, 4);
  EXPECT_FALSE(mesh_group_range(m, 2, first, count));
  render();
  EXPECT_EQ(pixel(320, 240), 0x00FF00u);
  mesh_set_group_visible(m, 1, false);
  render();
  EXPECT_EQ(pixel(320, 240), 0x0000FFu);
  EXPECT_EQ(scene_drawn_count(), 1);
  EXPECT_NEAR(viewport_pick(viewport, root, 320, 240).point.z, 0, 1e-3);
  mesh_set_group_visible(m, -1, false);
  render();
  EXPECT_EQ(pixel(320, 240), 0u);
  EXPECT_EQ(viewport_pick(viewport, root, 320, 240).frame, -1);
}

TEST_F(Scene, EditedVerticesAreDrawnWhereTheyMoved) {
  const int f = add_square({0, 0, 0});
  const int m = frame_mesh(f);
  render();
  EXPECT_EQ(pixel(320 + 120, 240), 0x0000FFu);
  for (int v = 0; v < 4; ++v) mesh_set_vertex(m, v, mesh_vertex(m, v) * 0.5f);
  render();
  EXPECT_EQ(pixel(320 + 120, 240), 0u);
  EXPECT_EQ(pixel(320, 240), 0x0000FFu);
}

TEST_F(Scene, MergingVerticesKeepsTheShape) {
  // Six vertices for two triangles: two are duplicates.
  Model m = square();
  m.positions = {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, {1, 1, 0}, {1, -1, 0}};
  m.indices = {0, 1, 2, 3, 4, 5};
  const int f = frame_create(root);
  const int mesh = mesh_create(m);
  frame_set_mesh(f, mesh);
  render();  // uploaded once before the edit
  EXPECT_EQ(mesh_merge_vertices(mesh, -1), 2);
  EXPECT_EQ(mesh_vertex_count(mesh), 4);
  EXPECT_EQ(mesh_merge_vertices(mesh, -1), 0);
  EXPECT_EQ(mesh_merge_vertices(mesh, 3), 0);  // no such group
  render();
  EXPECT_EQ(pixel(320 + 100, 240 + 100), 0x0000FFu);
  EXPECT_EQ(pixel(320 - 100, 240 - 100), 0x0000FFu);
  // Vertices that differ only in texture coordinates stay apart.
  Model n = m;
  n.uvs = {{0, 0}, {0, 1}, {1, 1}, {0.5f, 0}, {1, 1}, {1, 0}};
  const int other = mesh_create(n);
  EXPECT_EQ(mesh_merge_vertices(other, 0), 1);
}

TEST_F(Scene, SmoothNormalsAverageFacesAtOnePosition) {
  // Two faces meeting at a right angle along the y axis, with separate
  // vertices along the shared edge.
  Model m = square();
  m.positions = {{-1, -1, 1}, {-1, 1, 1}, {0, 1, 0}, {0, -1, 0},   // faces -x and -z
                 {0, -1, 0},  {0, 1, 0},  {1, 1, 1}, {1, -1, 1}};  // faces +x and -z
  m.indices = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
  m.groups = {{0, 12, 0}};
  const int mesh = mesh_create(m);
  EXPECT_EQ(mesh_smooth_normals(mesh, -1), 8);
  const Vec3 edge = mesh_normal(mesh, 2), same = mesh_normal(mesh, 5), side = mesh_normal(mesh, 0);
  EXPECT_NEAR(edge.x, 0, 1e-5);
  EXPECT_NEAR(edge.z, -1, 1e-5);
  EXPECT_NEAR(same.z, -1, 1e-5);
  EXPECT_NEAR(side.x, -std::sqrt(0.5f), 1e-5);
  EXPECT_EQ(mesh_smooth_normals(mesh, 5), 0);
  EXPECT_EQ(mesh_smooth_normals(-1, -1), 0);
}

TEST_F(Scene, DepthModesLetFartherShapesThrough) {
  const int far = add_square({0, 0, 3}, 0xFF00FF00u);
  const int near = add_square({0, 0, 0}, 0xFFFF0000u);
  frame_set_depth_mode(near, kDepthTestOnly);  // drawn first, writes no depth
  render();
  EXPECT_EQ(pixel(320, 240), 0x00FF00u);
  frame_set_depth_mode(near, kDepthTestWrite);
  frame_set_depth_mode(far, kDepthNone);
  render();
  EXPECT_EQ(pixel(320, 240), 0x00FF00u);  // ignores the depth the near one wrote
  frame_set_depth_mode(far, 99);
  EXPECT_EQ(frame_depth_mode(far), kDepthTestWrite);
  render();
  EXPECT_EQ(pixel(320, 240), 0xFF0000u);
}

TEST_F(Scene, PartOrderSortsTranslucentGroups) {
  // Half-transparent: red far (part 0) and green near (part 1).
  const int f = frame_create(root);
  frame_set_mesh(f, mesh_create(two_groups(0x800000FFu, 0x8000FF00u)));
  render();
  const uint32_t group_order = pixel(320, 240);  // green blended over red
  EXPECT_GT(group_order >> 8 & 0xFF, group_order & 0xFF);
  frame_set_part_order(f, 2);  // back to front: red first, green over it
  render();
  EXPECT_EQ(pixel(320, 240), group_order);
  frame_set_part_order(f, 1);  // front to back: red over green
  render();
  const uint32_t reversed = pixel(320, 240);
  EXPECT_GT(reversed & 0xFF, reversed >> 8 & 0xFF);
}

TEST_F(Scene, ShadowMatrixFlattensOntoThePlane) {
  Mat4 m;
  // Light falling along (1, -1, 0) onto the floor y = 0.
  ASSERT_TRUE(shadow_matrix({0, 0, 0}, {0, 2, 0}, false, {1, -1, 0}, m));
  Vec3 p = transform_point(m, {0, 2, 5});
  EXPECT_NEAR(p.x, 2, 1e-5);
  EXPECT_NEAR(p.y, 0, 1e-5);
  EXPECT_NEAR(p.z, 5, 1e-5);
  // A point light at height 4 doubles a point at height 2 away from its foot.
  ASSERT_TRUE(shadow_matrix({0, 1, 0}, {0, 1, 0}, true, {0, 5, 0}, m));
  const float x = 1, y = 3, z = 0;
  const float w = m.at(3, 0) * x + m.at(3, 1) * y + m.at(3, 2) * z + m.at(3, 3);
  EXPECT_GT(w, 0);
  p = transform_point(m, {x, y, z});
  EXPECT_NEAR(p.x / w, 2, 1e-5);
  EXPECT_NEAR(p.y / w, 1, 1e-5);
  // Light along the plane, or no plane at all.
  EXPECT_FALSE(shadow_matrix({0, 0, 0}, {0, 1, 0}, false, {1, 0, 0}, m));
  EXPECT_FALSE(shadow_matrix({0, 0, 0}, {0, 0, 0}, false, {0, -1, 0}, m));
}

TEST_F(Scene, PlanarShadowDarkensTheFloorAlongTheLight) {
  // Looking straight down from y = 10 (x to the right on screen).
  frame_set_position(camera, {0, 10, 0});
  frame_set_orientation(camera, {0, -1, 0}, {0, 0, 1});
  const int floor = add_square({0, 0, 0}, 0xFFFFFFFFu);
  frame_set_orientation(floor, {0, -1, 0}, {0, 0, 1});  // facing up
  frame_set_scale(floor, {5, 5, 1});
  const int caster = add_square({-1, 2, 0});
  frame_set_orientation(caster, {0, -1, 0}, {0, 0, 1});
  frame_set_scale(caster, {0.5f, 0.5f, 1});
  const int s = shadow_create(caster);
  ASSERT_GE(s, 0);
  shadow_set_light(s, false, {1, -1, 0});
  shadow_set_plane(s, {0, 0, 0}, {0, 1, 0});
  render();
  // The caster at x = -1 (screen x 256); its shadow two units right (384).
  EXPECT_EQ(pixel(256, 240), 0x0000FFu);
  const uint32_t shade = pixel(384, 240);
  EXPECT_NEAR(static_cast<int>(shade & 0xFF), 128, 3);
  EXPECT_EQ(shade & 0xFF, shade >> 16);
  EXPECT_EQ(pixel(160, 240), 0xFFFFFFu);
  // A hidden caster casts nothing; a deleted shadow is gone.
  frame_set_traversal(caster, false, false);
  render();
  EXPECT_EQ(pixel(384, 240), 0xFFFFFFu);
  frame_set_traversal(caster, true, true);
  shadow_set_opacity(s, 0.25f);
  render();
  EXPECT_NEAR(static_cast<int>(pixel(384, 240) & 0xFF), 191, 3);
  shadow_delete(s);
  EXPECT_FALSE(shadow_valid(s));
  render();
  EXPECT_EQ(pixel(384, 240), 0xFFFFFFu);
  EXPECT_EQ(shadow_create(-5), -1);
}

TEST_F(Scene, SpecularMaterialsShine) {
  scene_reset();
  root = frame_create(-1);
  camera = frame_create(root);
  frame_set_position(camera, {0, 0, -5});
  viewport = viewport_create(camera, 0, 0, 640, 480);
  const int light_frame = frame_create(root);
  frame_set_orientation(light_frame, {0, 0, 1}, {0, 1, 0});
  light_create(light_frame, kLightDirectional, 0.5f, 0.5f, 0.5f);
  const int f = add_square({0, 0, 0}, 0xFF808080u);
  render();
  const uint32_t dull = pixel(320, 240);
  Material m = mesh_group_material(frame_mesh(f), 0);
  m.specular[0] = m.specular[1] = m.specular[2] = 1;
  m.power = 8;
  mesh_set_material(frame_mesh(f), 0, m);
  render();
  EXPECT_GT(pixel(320, 240) & 0xFF, (dull & 0xFF) + 60);
}

// A group drawn as lines leaves the inside of its triangles at the
// background; an unlit one shows its plain colour whatever the lights.
TEST_F(Scene, LineAndUnlitGroupsDrawEdgesAndPlainColour) {
  scene_reset();
  root = frame_create(-1);
  camera = frame_create(root);
  frame_set_position(camera, {0, 0, -5});
  viewport = viewport_create(camera, 0, 0, 640, 480);
  light_create(frame_create(root), kLightAmbient, 0.25f, 0.25f, 0.25f);
  Model lines = square(0xFF40C080u);
  lines.groups[0].lines = true;
  int f = frame_create(root);
  frame_set_mesh(f, mesh_create(lines));
  render();
  // The square covers x 200..440, y 120..360 (see the first test).
  std::vector<uint8_t> px(640 * 480 * 4);
  ASSERT_TRUE(frame_read(px.data(), 640, 480));
  int inside = 0, drawn = 0;
  for (int y = 125; y < 355; ++y)
    for (int x = 205; x < 435; ++x, ++inside) {
      const uint8_t* p = &px[(static_cast<size_t>(y) * 640 + x) * 4];
      if (p[0] || p[1] || p[2]) ++drawn;
    }
  EXPECT_GT(drawn, 100) << "the diagonal is drawn";
  EXPECT_LT(drawn, inside / 20) << "most of the inside stays at the background";
  EXPECT_EQ(pixel(280, 330), 0u);

  // The same square filled: lit by the dim light, or unlit at its colour.
  Model solid = square(0xFF40C080u);
  frame_set_mesh(f, mesh_create(solid));
  render();
  const uint32_t lit = pixel(280, 330);
  EXPECT_NEAR(static_cast<int>(lit >> 8 & 0xFF), 0xC0 / 4, 3);
  solid.groups[0].lit = false;
  frame_set_mesh(f, mesh_create(solid));
  render();
  EXPECT_EQ(pixel(280, 330), 0x40C080u);
}

}  // namespace
}  // namespace platform
