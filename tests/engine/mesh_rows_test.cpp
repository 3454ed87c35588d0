// The mesh, material, part, shadow and render-state built-ins on a small
// scene drawn headless, and one end-to-end run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "brain/bind.h"
#include "brain/table.h"
#include "core/angles.h"
#include "core/arena.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/strings.h"
#include "engine/builtins.h"
#include "engine/objects.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "engine/view_lists.h"
#include "media/device.h"
#include "platform/gl_device.h"
#include "platform/scene.h"
#include "platform/platform.h"
#include "platform/video.h"
#include "support/headless_run.h"
#include "engine_tables.h"
#include "support/builtin_call.h"

namespace {

using core::Vec3;
using testing_support::call;

constexpr int32_t kUnit = 512000;  // one world unit in position words

// A square of half-side h in the plane z, facing the camera (towards -z).
void add_square(core::Model& m, float h, float z, uint32_t rgb) {
  const uint32_t base = static_cast<uint32_t>(m.positions.size());
  const uint32_t first = static_cast<uint32_t>(m.indices.size());
  m.positions.insert(m.positions.end(), {{-h, -h, z}, {-h, h, z}, {h, h, z}, {h, -h, z}});
  for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) m.indices.push_back(base + i);
  core::Material mat;
  mat.r = (rgb >> 16 & 255) / 255.0f;
  mat.g = (rgb >> 8 & 255) / 255.0f;
  mat.b = (rgb & 255) / 255.0f;
  m.materials.push_back(mat);
  m.groups.push_back({first, 6, static_cast<int>(m.materials.size() - 1)});
}

// Two parts: a large red square (part 0) and a small green one in front of
// it (part 1).
core::Model two_parts() {
  core::Model m;
  add_square(m, 1.0f, 0.0f, 0xFF0000);
  add_square(m, 0.25f, -0.1f, 0x00FF00);
  return m;
}

// Element 0: camera at z = -5. Element 1: a visual of two animation frames
// (objects 2 and 3) at the origin. Element 2: a directional light.
class MeshRows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::set_headless(true);
    ASSERT_TRUE(platform::video_init(true));
    media::EngineSettings s;
    ASSERT_TRUE(media::start_device(s, testing_support::temp_folder("quill-mesh-rows") + "config.ini", false));
    engine::bind_mesh_builtins();
  }
  static void TearDownTestSuite() {
    platform::scene_reset();
    media::stop_device();
    platform::video_quit();
  }

  void SetUp() override {
    testing_support::fresh_engine_tables();
    core::handle_reset();
    platform::scene_reset();
    engine::State& s = engine::state();
    s.scene.element_count = 3;
    s.scene.object_count = 5;
    for (int o = 0; o < 4096; ++o) s.views.object_frame[o] = s.views.object_viewport[o] = s.views.object_light[o] = -1;
    for (int e = 0; e < core::kElementCount; ++e) s.views.layer_copy[e] = -1;
    s.views.background3d_mode = 0;
    for (int r = 0; r < 4; ++r) s.views.roots[r] = platform::frame_create(-1);
    const int main = s.views.roots[engine::kMainRoot];
    s.views.flats_after_cameras = false;

    // Camera: object 0.
    set_object(0, engine::kTagCamera);
    s.views.object_frame[0] = platform::frame_create(main);
    s.views.object_viewport[0] = platform::viewport_create(s.views.object_frame[0], 0, 0, 640, 480);
    platform::viewport_set_field(s.views.object_viewport[0], 0.5f);
    platform::viewport_set_clip(s.views.object_viewport[0], 1, 100);
    element(0, 0, 1);
    w(0)[core::kPosition + 2] = -5 * kUnit;

    // A white ambient light keeps colours as they are.
    ambient = platform::light_create(platform::frame_create(main), platform::kLightAmbient, 1, 1, 1);

    // The visual: objects 2 and 3.
    for (int o : {2, 3}) {
      set_object(o, engine::kTagVisual);
      s.views.object_frame[o] = platform::frame_create(main);
      platform::frame_set_mesh(s.views.object_frame[o], platform::mesh_create(two_parts()));
    }
    element(1, 2, 2);

    // A directional light: object 4.
    set_object(4, engine::kTagLight);
    engine::objects()[4].w[1] = platform::kLightDirectional;
    s.views.object_frame[4] = platform::frame_create(main);
    element(2, 4, 1);
  }

  static void set_object(int o, uint32_t tag) { engine::objects()[o].w[0] = static_cast<int32_t>(tag); }
  static void element(int e, int first_object, int frames) {
    int32_t* x = w(e);
    x[core::kCurrentObject] = x[core::kFirstObject] = first_object;
    x[core::kFrameCount] = frames;
    x[core::kFlags] = core::kFlagOn | core::kFlagShown;
    x[core::kScaleX] = x[core::kScaleY] = x[core::kScaleZ] = 1000;
  }

  static int32_t* w(int e) { return core::element_state(e)->w; }
  static int32_t ref(int e) { return static_cast<int32_t>(core::element_ref(e)); }
  static int frame_of(int object) { return engine::state().views.object_frame[object]; }
  static int mesh_of(int object) { return platform::frame_mesh(frame_of(object)); }
  static core::Material material(int object, int part) { return platform::mesh_group_material(mesh_of(object), part); }

  // Draws the cameras' views and reads back a pixel as 0xRRGGBB.
  uint32_t draw_and_read(int x, int y) {
    platform::frame_clear();
    engine::draw_views();
    std::vector<uint8_t> px(640 * 480 * 4);
    EXPECT_TRUE(platform::frame_read(px.data(), 640, 480));
    const uint8_t* p = &px[(static_cast<size_t>(y) * 640 + x) * 4];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }

  int ambient = -1;
};

TEST_F(MeshRows, EveryRowIsBound) {
  for (const char* name : {"visual_color_set",
                           "visual_rgba_set",
                           "vertex_pos",
                           "vertex_pos_set",
                           "vertex_pos_add",
                           "vertex_posw_set",
                           "vertex_u",
                           "vertex_v",
                           "vertex_uv_set",
                           "vertex_uv_add",
                           "vertices",
                           "vertices_get",
                           "vertices_set",
                           "normals",
                           "normals_get",
                           "normals_set",
                           "material_set",
                           "material_apply",
                           "h_part_show",
                           "h_part_set",
                           "h_cpart1_set",
                           "h_cpart2_set",
                           "h_sort_mode_set",
                           "shadow_add",
                           "shadow_location_set",
                           "shadow_orientation_set",
                           "v_shadow_create",
                           "v_shadow_factor",
                           "v_shadow_delete",
                           "v_shadow_set",
                           "v_shadow_volume_add",
                           "v_shadow_volume_reset",
                           "v_shadow_update",
                           "zbuffer_mode_set",
                           "rendering_optimize",
                           "normals_optimize",
                           "env_map_update",
                           "make_flat"})
    EXPECT_FALSE(brain::is_placeholder(brain::find_row(name))) << name;
}

TEST_F(MeshRows, ColourRowsReachEveryFrameOrTheSelectedPart) {
  EXPECT_EQ(draw_and_read(320, 240), 0x00FF00u);
  EXPECT_EQ(draw_and_read(400, 240), 0xFF0000u);

  EXPECT_EQ(call("visual_color_set", ref(1), 0, 0, 255), -1);
  for (int o : {2, 3})
    for (int part : {0, 1}) EXPECT_FLOAT_EQ(material(o, part).b, 1.0f) << o << part;
  EXPECT_EQ(draw_and_read(320, 240), 0x0000FFu);

  // Part 1 of frame 2 only; the other frame and part keep their colour.
  ASSERT_EQ(call("h_part_set", ref(1), 2, 1, 0, 0), -1);
  EXPECT_EQ(call("visual_rgba_set", ref(1), 255, 255, 0, 128), -1);
  EXPECT_FLOAT_EQ(material(3, 1).g, 1.0f);
  EXPECT_NEAR(material(3, 1).a, 128 / 255.0f, 1e-6);
  EXPECT_FLOAT_EQ(material(3, 0).g, 0.0f);
  EXPECT_FLOAT_EQ(material(2, 1).g, 0.0f);
  // Channels are clamped to 0..255.
  EXPECT_EQ(call("visual_color_set", ref(1), -5, 999, 0), -1);
  EXPECT_FLOAT_EQ(material(3, 1).r, 0.0f);
  EXPECT_FLOAT_EQ(material(3, 1).g, 1.0f);
}

TEST_F(MeshRows, ElementsSharingAMeshAreEditedApart) {
  // Element 3 draws the mesh of element 1's first frame, as equal aspects do.
  engine::State& s = engine::state();
  set_object(5, engine::kTagVisual);
  s.views.object_frame[5] = platform::frame_create(s.views.roots[engine::kMainRoot]);
  platform::frame_set_mesh(s.views.object_frame[5], mesh_of(2));
  s.scene.object_count = 6;
  s.scene.element_count = 4;
  element(3, 5, 1);
  const int shared = mesh_of(2);
  EXPECT_EQ(call("visual_color_set", ref(3), 0, 0, 255), -1);
  EXPECT_NE(mesh_of(5), shared);
  EXPECT_EQ(mesh_of(2), shared);
  EXPECT_FLOAT_EQ(material(5, 0).b, 1.0f);
  EXPECT_FLOAT_EQ(material(2, 0).b, 0.0f);
  // From then on the copy is the element's own: no further copies.
  const int own = mesh_of(5);
  EXPECT_EQ(call("vertex_pos_set", ref(3), 0, kUnit, 0, 0), -1);
  EXPECT_EQ(mesh_of(5), own);
  EXPECT_FLOAT_EQ(platform::mesh_vertex(own, 0).x, 1.0f);
  EXPECT_FLOAT_EQ(platform::mesh_vertex(shared, 0).x, -1.0f);
  // Reading copies nothing.
  const int reads = mesh_of(2);
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 0), -kUnit);
  EXPECT_EQ(mesh_of(2), reads);
}

TEST_F(MeshRows, HostileTargetsChangeNothing) {
  const int32_t x_handle = static_cast<int32_t>(0x80000005u);
  const int32_t inside = ref(1) + 4;  // inside an ElementState, not at its start
  struct Case {
    const char* name;
    int32_t a2, a3, a4, a5;
  };
  const Case cases[] = {
      {"visual_color_set", 1, 2, 3, 0}, {"visual_rgba_set", 1, 2, 3, 4},  {"vertex_pos", 0, 0, 0, 0},
      {"vertex_pos_set", 0, 1, 1, 1},   {"vertex_pos_add", 0, 1, 1, 1},   {"vertex_posw_set", 0, 1, 1, 1},
      {"vertex_u", 0, 0, 0, 0},         {"vertex_v", 0, 0, 0, 0},         {"vertex_uv_set", 0, 1, 1, 0},
      {"vertex_uv_add", 0, 3, 1, 1},    {"vertices", 0, 0, 0, 0},         {"h_part_set", 0, 0, 0, 0},
      {"h_cpart1_set", 0, -1, 0, 0},    {"h_part_show", 0, 0, 0, 0},      {"material_apply", 0, 0, 0, 0},
      {"h_sort_mode_set", 2, 0, 0, 0},  {"zbuffer_mode_set", 3, 0, 0, 0}, {"rendering_optimize", 0, 0, 0, 0},
      {"normals_optimize", 0, 0, 0, 0}, {"env_map_update", 0, 0, 0, 0},   {"make_flat", 0, 0, 0, 0},
      {"shadow_add", 0, 0, 0, 0},       {"v_shadow_create", 0, 0, 0, 0},  {"v_shadow_factor", 7, 0, 0, 0},
      {"v_shadow_update", 0, 0, 0, 0}};
  for (const Case& c : cases)
    for (int32_t target : {0, 12345, -1, x_handle, inside})
      EXPECT_EQ(call(c.name, target, c.a2, c.a3, c.a4, c.a5), 0) << c.name << " " << target;
  // The camera has no mesh: no mesh row acts on it.
  EXPECT_EQ(call("visual_color_set", ref(0), 1, 2, 3), 0);
  EXPECT_EQ(call("vertices", ref(0)), 0);
  EXPECT_EQ(call("h_part_set", ref(0), 0, -1, 0, 0), 0);
  EXPECT_EQ(engine::state().lists.env_count, 0);
  EXPECT_EQ(engine::state().lists.billboard_count, 0);
  EXPECT_EQ(draw_and_read(320, 240), 0x00FF00u);

  // Object words a brain overwrote (register_set) name no frame.
  w(1)[core::kCurrentObject] = -5;
  w(1)[core::kFirstObject] = INT32_MAX;
  w(1)[core::kFrameCount] = INT32_MAX;
  EXPECT_EQ(call("visual_color_set", ref(1), 1, 2, 3), 0);
  EXPECT_EQ(call("h_part_set", ref(1), INT32_MAX, 0, 0, 0), 0);
  EXPECT_EQ(call("vertices", ref(1)), 0);
  w(1)[core::kCurrentObject] = 4096;
  w(1)[core::kFirstObject] = -3;
  EXPECT_EQ(call("material_apply", ref(1)), 0);
  EXPECT_EQ(call("make_flat", ref(1)), 0);
}

TEST_F(MeshRows, BadPartsAndVertexIndicesAreRefused) {
  for (int32_t part : {2, 99, -2, INT32_MIN}) EXPECT_EQ(call("h_part_set", ref(1), 0, part, 0, 0), 0) << part;
  for (int32_t frame : {3, -1, 1000}) EXPECT_EQ(call("h_part_set", ref(1), frame, 0, 0, 0), 0) << frame;
  EXPECT_EQ(call("h_part_set", ref(1), 0, 0, -1, 0), 0);
  EXPECT_EQ(call("vertices", ref(1)), 8);  // still the whole mesh
  for (int32_t v : {-1, 8, 1 << 30, INT32_MIN}) {
    EXPECT_EQ(call("vertex_pos", ref(1), v, 0), 0) << v;
    EXPECT_EQ(call("vertex_pos_set", ref(1), v, 1, 1, 1), 0) << v;
    EXPECT_EQ(call("vertex_uv_set", ref(1), v, 1, 1), 0) << v;
  }
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 3), 0);                    // axis
  EXPECT_EQ(call("vertex_uv_add", ref(1), 5, 2, 100, 100), 0);       // empty range
  EXPECT_EQ(call("vertex_uv_add", ref(1), -100, 100, 100, 100), 8);  // clamped to the mesh
  // A window past the end of its part is empty.
  ASSERT_EQ(call("h_part_set", ref(1), 0, 1, 10, 0), -1);
  EXPECT_EQ(call("vertices", ref(1)), 0);
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 0), 0);
}

TEST_F(MeshRows, VertexRowsWorkInPositionUnitsInsideTheWindow) {
  // Part 1 holds vertices 4..7; the window skips its first vertex.
  ASSERT_EQ(call("h_part_set", ref(1), 0, 1, 1, 2), -1);
  EXPECT_EQ(call("vertices", ref(1)), 2);
  // Window vertex 0 is mesh vertex 5: (-0.25, 0.25, -0.1).
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 0), -kUnit / 4);
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 1), kUnit / 4);
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 2), -51200);
  EXPECT_EQ(call("vertex_pos", ref(1), 2, 0), 0);  // outside the window

  EXPECT_EQ(call("vertex_pos_set", ref(1), 1, kUnit, 2 * kUnit, 0), -1);
  const Vec3 p = platform::mesh_vertex(mesh_of(2), 6);
  EXPECT_FLOAT_EQ(p.x, 1.0f);
  EXPECT_FLOAT_EQ(p.y, 2.0f);
  EXPECT_EQ(call("vertex_pos_add", ref(1), 1, kUnit / 2, 0, -kUnit), -1);
  EXPECT_EQ(call("vertex_pos", ref(1), 1, 0), kUnit * 3 / 2);
  EXPECT_EQ(call("vertex_pos", ref(1), 1, 2), -kUnit);
  EXPECT_FLOAT_EQ(platform::mesh_vertex(mesh_of(3), 6).x, 0.25f);  // the other frame is untouched

  // A world point lands in the mesh's own coordinates: the element sits at
  // x = 2 with scale 2.
  w(1)[core::kPosition] = 2 * kUnit;
  w(1)[core::kScaleX] = w(1)[core::kScaleY] = w(1)[core::kScaleZ] = 2000;
  EXPECT_EQ(call("vertex_posw_set", ref(1), 0, 3 * kUnit, kUnit, 0), -1);
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 0), kUnit / 2);
  EXPECT_EQ(call("vertex_pos", ref(1), 0, 1), kUnit / 2);

  // Texture coordinates in 1/1000.
  EXPECT_EQ(call("vertex_uv_set", ref(1), 0, 250, 1500), -1);
  EXPECT_EQ(call("vertex_u", ref(1), 0), 250);
  EXPECT_EQ(call("vertex_v", ref(1), 0), 1500);
  EXPECT_EQ(call("vertex_uv_add", ref(1), 0, 1, 100, -500), 2);
  EXPECT_EQ(call("vertex_u", ref(1), 0), 350);
  EXPECT_EQ(call("vertex_v", ref(1), 0), 1000);
  EXPECT_EQ(call("vertex_v", ref(1), 1), -500);
}

TEST_F(MeshRows, ArraysCopyOnlyInsideTheirMemory) {
  // Seven cells: two whole triples and one cell that must stay untouched.
  const int32_t h = core::handle_new(7 * 4);
  ASSERT_GE(h, 0);
  int32_t* cells = core::at<int32_t>(core::handle_entry(h)->addr);
  cells[6] = 4242;
  EXPECT_EQ(call("vertices_get", ref(1), h, 0), 2);
  EXPECT_EQ(cells[0], -kUnit);
  EXPECT_EQ(cells[4], kUnit);  // vertex 1 y
  EXPECT_EQ(cells[6], 4242);
  EXPECT_EQ(call("vertices_get", ref(1), h, 7), 1);  // only the last vertex remains
  EXPECT_EQ(call("vertices_get", ref(1), h, 8), 0);
  EXPECT_EQ(call("vertices_get", ref(1), h, -1), 0);

  cells[0] = 3 * kUnit;
  EXPECT_EQ(call("vertices_set", ref(1), h, 2), 2);
  EXPECT_FLOAT_EQ(platform::mesh_vertex(mesh_of(2), 2).x, 3.0f);

  // Normals in 1/65536, stored at unit length; a zero vector is ignored.
  EXPECT_EQ(call("normals_get", ref(1), h, 0), 2);
  EXPECT_EQ(cells[2], -65536);
  cells[0] = 3;
  cells[1] = 0;
  cells[2] = 0;
  cells[3] = cells[4] = cells[5] = 0;
  EXPECT_EQ(call("normals_set", ref(1), h, 0), 2);
  EXPECT_FLOAT_EQ(platform::mesh_normal(mesh_of(2), 0).x, 1.0f);
  EXPECT_FLOAT_EQ(platform::mesh_normal(mesh_of(2), 1).z, -1.0f);

  // Bad handles: nothing read or written.
  for (int32_t bad : {-1, 8191, 8192, 1 << 20}) {
    EXPECT_EQ(call("vertices_get", ref(1), bad, 0), 0) << bad;
    EXPECT_EQ(call("normals_set", ref(1), bad, 0), 0) << bad;
  }
  const int32_t tiny = core::handle_new(8);  // less than one triple
  EXPECT_EQ(call("vertices_get", ref(1), tiny, 0), 0);
  core::handle_release(h);
  EXPECT_EQ(call("vertices_set", ref(1), h, 0), 0);  // released

  // `normals` counts the part of the last h_part_set.
  EXPECT_EQ(call("normals"), 0);
  ASSERT_EQ(call("h_part_set", ref(1), 0, 0, 0, 3), -1);
  EXPECT_EQ(call("normals"), 3);
}

TEST_F(MeshRows, MaterialsPartsAndCollisionParts) {
  EXPECT_EQ(call("material_set", 2, 255, 0, 0, 0), -1);      // emissive red
  EXPECT_EQ(call("material_set", 0, 255, 255, 0, 255), -1);  // yellow diffuse
  EXPECT_EQ(call("material_set", 1, 255, 255, 255, 20), -1);
  EXPECT_EQ(call("material_set", 7, 1, 1, 1, 1), 0);
  ASSERT_EQ(call("h_part_set", ref(1), 0, 1, 0, 0), -1);
  EXPECT_EQ(call("material_apply", ref(1)), -1);
  const core::Material m = material(2, 1);
  EXPECT_FLOAT_EQ(m.emissive[0], 1.0f);
  EXPECT_FLOAT_EQ(m.b, 0.0f);
  EXPECT_FLOAT_EQ(m.power, 20.0f);
  EXPECT_FLOAT_EQ(material(2, 0).emissive[0], 0.0f);
  // In the dark only the glowing part shows, in its glow times its colour.
  platform::light_set_colour(ambient, 0, 0, 0);
  EXPECT_EQ(draw_and_read(320, 240), 0xFF0000u);
  EXPECT_EQ(draw_and_read(400, 240), 0x000000u);
  platform::light_set_colour(ambient, 1, 1, 1);

  // Hiding part 1 shows part 0 behind it, and picking passes through.
  EXPECT_EQ(call("h_part_show", ref(1), 0), -1);
  EXPECT_FALSE(platform::mesh_group_visible(mesh_of(2), 1));
  EXPECT_TRUE(platform::mesh_group_visible(mesh_of(2), 0));
  EXPECT_EQ(draw_and_read(320, 240), 0xFF0000u);
  const platform::Pick pick = platform::ray_pick(engine::state().views.roots[engine::kMainRoot], {0, 0, -5}, {0, 0, 1});
  EXPECT_NEAR(pick.point.z, 0.0f, 1e-4);
  EXPECT_EQ(call("h_part_show", ref(1), 1), -1);
  EXPECT_TRUE(platform::mesh_group_visible(mesh_of(2), 1));

  // Collision parts are kept apart from the element's own selection.
  EXPECT_EQ(call("h_cpart1_set", ref(1), 1, 0, 0, 0), -1);
  EXPECT_EQ(call("h_cpart2_set", ref(1), 2, 1, 2, 0), -1);
  EXPECT_EQ(engine::state().lists.collision_parts[1].part, 1);
  EXPECT_EQ(engine::state().lists.collision_parts[1].first, 2);
  EXPECT_EQ(engine::state().lists.parts[1].part, 1);
  EXPECT_EQ(call("h_cpart2_set", ref(1), 0, 5, 0, 0), 0);
  EXPECT_EQ(engine::state().lists.collision_parts[1].part, 1);
}

TEST_F(MeshRows, EnvironmentMapFollowsTheCamera) {
  // Vertices 0..2 face the camera, right and up; vertex 3 faces away.
  const int mesh = mesh_of(2);
  platform::mesh_set_normal(mesh, 0, {0, 0, -1});
  platform::mesh_set_normal(mesh, 1, {1, 0, 0});
  platform::mesh_set_normal(mesh, 2, {0, 1, 0});
  ASSERT_EQ(call("h_part_set", ref(1), 0, 0, 0, 0), -1);
  EXPECT_EQ(call("env_map_update", ref(1)), -1);
  draw_and_read(0, 0);
  EXPECT_EQ(call("vertex_u", ref(1), 0), 500);
  EXPECT_EQ(call("vertex_v", ref(1), 0), 500);
  EXPECT_EQ(call("vertex_u", ref(1), 1), 1000);
  EXPECT_EQ(call("vertex_v", ref(1), 1), 500);
  EXPECT_EQ(call("vertex_u", ref(1), 2), 500);
  EXPECT_EQ(call("vertex_v", ref(1), 2), 0);
  EXPECT_EQ(engine::state().lists.env_count, 0);  // the list holds for one frame

  // The camera turned a quarter about y: the normal (1, 0, 0) now lies along
  // its line of sight.
  w(0)[core::kRotation + 1] = -46080;
  call("vertex_uv_set", ref(1), 1, 0, 0);
  call("env_map_update", ref(1));
  w(0)[core::kPosition] = 5 * kUnit;
  w(0)[core::kPosition + 2] = 0;
  draw_and_read(0, 0);
  EXPECT_EQ(call("vertex_u", ref(1), 1), 500);
  EXPECT_EQ(call("vertex_v", ref(1), 1), 500);

  // At most 256 registrations per frame.
  for (int i = 0; i < 300; ++i) call("env_map_update", ref(1));
  EXPECT_EQ(engine::state().lists.env_count, engine::kEnvMapEntries);
  engine::clear_view_lists();
}

TEST_F(MeshRows, BillboardsFaceTheCamera) {
  w(1)[core::kPosition] = 3 * kUnit;
  w(1)[core::kRotation + 1] = 30000;  // its own turn is overridden
  EXPECT_EQ(call("make_flat", ref(1)), -1);
  draw_and_read(0, 0);
  Vec3 dir, up;
  platform::frame_orientation(frame_of(2), dir, up);
  const Vec3 sight = core::normalize(Vec3{3, 0, 5});  // from the camera to the element
  EXPECT_NEAR(dir.x, sight.x, 1e-4);
  EXPECT_NEAR(dir.y, 0.0f, 1e-4);
  EXPECT_NEAR(dir.z, sight.z, 1e-4);
  EXPECT_NEAR(up.y, 1.0f, 1e-4);
  EXPECT_EQ(engine::state().lists.billboard_count, 0);
  for (int i = 0; i < 5000; ++i) call("make_flat", ref(1));
  EXPECT_EQ(engine::state().lists.billboard_count, engine::kBillboardEntries);
  engine::clear_view_lists();
}

TEST_F(MeshRows, ShadowsFollowTheirRows) {
  const engine::ViewListState& v = engine::state().lists;
  EXPECT_EQ(call("shadow_add", ref(1), ref(2)), -1);
  EXPECT_EQ(call("shadow_orientation_set", 0, 0, 0), 0);
  EXPECT_EQ(call("shadow_orientation_set", 0, 1, 0), -1);
  EXPECT_EQ(call("shadow_location_set", 0, -kUnit, 0), -1);
  engine::sync_shadows();
  const int planar = v.shadows[1].planar_id;
  ASSERT_TRUE(platform::shadow_valid(planar));
  EXPECT_EQ(platform::shadow_caster(planar), frame_of(2));
  EXPECT_FLOAT_EQ(platform::shadow_opacity(planar), 0.5f);
  // The caster follows the element's current frame.
  w(1)[core::kCurrentObject] = 3;
  engine::sync_shadows();
  EXPECT_EQ(platform::shadow_caster(planar), frame_of(3));

  // Volume shadows: one per receiving plane, the shadow plane without any.
  EXPECT_EQ(call("v_shadow_create", ref(1)), -1);
  engine::sync_shadows();
  EXPECT_TRUE(platform::shadow_valid(v.shadows[1].volume_ids[0]));
  EXPECT_EQ(v.shadows[1].volume_ids[1], -1);
  EXPECT_EQ(call("v_shadow_volume_add", 0, -kUnit, 0), 1);
  EXPECT_EQ(call("v_shadow_volume_add", 0, -2 * kUnit, 0), 2);
  engine::sync_shadows();
  EXPECT_TRUE(platform::shadow_valid(v.shadows[1].volume_ids[1]));
  for (int i = 0; i < 10; ++i) call("v_shadow_volume_add", 0, 0, 0);
  EXPECT_EQ(v.receiver_count, engine::kShadowPlanes);
  EXPECT_EQ(call("v_shadow_volume_reset"), 0);
  EXPECT_EQ(call("v_shadow_factor", ref(1), 2000), 500);
  EXPECT_EQ(call("v_shadow_factor", ref(1), 250), 1000);
  EXPECT_EQ(call("v_shadow_set", 0, 0, 0, 0, 0), 0);  // no direction
  EXPECT_EQ(call("v_shadow_set", 5, 0, 1, 0, 0), 0);  // no such kind
  EXPECT_EQ(call("v_shadow_set", 1, 0, 4 * kUnit, 0, 0), -1);
  EXPECT_EQ(call("v_shadow_update", ref(2)), -1);  // a directional light element: its direction
  EXPECT_EQ(v.volume_kind, 0);
  EXPECT_EQ(v.volume_light[2], 65536);
  engine::sync_shadows();
  EXPECT_FLOAT_EQ(platform::shadow_opacity(v.shadows[1].volume_ids[0]), 0.25f);
  EXPECT_EQ(v.shadows[1].volume_ids[1], -1);
  // The volume's reach: the caster (at the origin) is one unit above the
  // shadow plane.
  EXPECT_EQ(call("v_shadow_set", 0, 0, -65536, 0, kUnit / 2), -1);
  engine::sync_shadows();
  EXPECT_FLOAT_EQ(platform::shadow_opacity(v.shadows[1].volume_ids[0]), 0.0f);
  EXPECT_EQ(call("v_shadow_set", 0, 0, -65536, 0, 2 * kUnit), -1);
  engine::sync_shadows();
  EXPECT_FLOAT_EQ(platform::shadow_opacity(v.shadows[1].volume_ids[0]), 0.25f);
  EXPECT_EQ(call("v_shadow_delete"), 1);
  engine::sync_shadows();
  EXPECT_EQ(v.shadows[1].volume_ids[0], -1);
  EXPECT_TRUE(platform::shadow_valid(planar));
}

TEST_F(MeshRows, RenderStatesAndOptimisation) {
  EXPECT_EQ(call("zbuffer_mode_set", ref(1), 1), -1);
  EXPECT_EQ(platform::frame_depth_mode(frame_of(2)), platform::kDepthTestOnly);
  EXPECT_EQ(platform::frame_depth_mode(frame_of(3)), platform::kDepthTestOnly);
  EXPECT_EQ(call("zbuffer_mode_set", ref(1), 4), 0);
  EXPECT_EQ(call("h_sort_mode_set", ref(1), 2), -1);
  EXPECT_EQ(platform::frame_part_order(frame_of(2)), 2);
  EXPECT_EQ(call("h_sort_mode_set", ref(1), 3), -1);
  EXPECT_EQ(platform::frame_part_order(frame_of(2)), 0);
  EXPECT_EQ(call("h_sort_mode_set", ref(1), 0), 0);

  // Two vertices of part 0 made equal to their neighbours merge; the other
  // part and frame keep theirs.
  ASSERT_EQ(call("h_part_set", ref(1), 1, 0, 0, 0), -1);
  const int mesh = mesh_of(2);
  platform::mesh_set_vertex(mesh, 1, platform::mesh_vertex(mesh, 0));
  platform::mesh_set_normal(mesh, 1, platform::mesh_normal(mesh, 0));
  EXPECT_EQ(call("rendering_optimize", ref(1)), 1);
  EXPECT_EQ(platform::mesh_vertex_count(mesh), 7);
  EXPECT_EQ(platform::mesh_vertex_count(mesh_of(3)), 8);
  EXPECT_EQ(call("rendering_optimize", ref(1)), 0);
  EXPECT_EQ(call("normals_optimize", ref(1)), 3);
  EXPECT_EQ(draw_and_read(320, 240), 0x00FF00u);  // still drawn
}

// --- one end-to-end run

class MeshRun : public testing_support::HeadlessRun {
 protected:
  uint32_t centre(const std::vector<testing_support::ElementSpec>& elements, int x = 320, int y = 240) {
    write_project(elements);
    EXPECT_EQ(quill("--headless --ticks 8 --screenshot s.png"), 0);
    std::string png;
    core::read_file(dir + "s.png", png);
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    EXPECT_TRUE(testing_support::read_png(png, w, h, px));
    if (w != 640 || h != 480) return 0xDEAD;
    const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
};

TEST_F(MeshRun, VisualColourReachesTheScreenshot) {
  using testing_support::ElementSpec;
  ElementSpec camera{{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, ""};
  ElementSpec light{{{1, "Light"}, {36, "10"}, {37, "0/255-255-255/0"}}, ""};
  ElementSpec cube{{{1, "Cube"}, {2, "./visuals/default_.v3d"}, {36, "11"}}, ""};
  const uint32_t before = centre({camera, light, cube});
  cube.brain = "visual_color_set(element, 0, 255, 0)\n";
  const uint32_t after = centre({camera, light, cube});
  EXPECT_NE(before, after);
  EXPECT_GT(after >> 8 & 255, 0xC0u);  // green, as the light leaves it
  EXPECT_LT(after >> 16, 0x20u);
  EXPECT_LT(after & 255, 0x20u);
}

TEST_F(MeshRun, VolumeShadowFallsOnTheWallBehind) {
  using testing_support::ElementSpec;
  ElementSpec camera{{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, ""};
  ElementSpec light{{{1, "Light"}, {36, "10"}, {37, "0/255-255-255/0"}}, ""};
  ElementSpec cube{{{1, "Cube"}, {2, "./visuals/default_.v3d"}, {36, "11"}}, ""};
  // A wall: the same cube, 40 x 40 units, its front at z = 9.
  ElementSpec wall{{{1, "Wall"}, {2, "./visuals/default_.v3d"}, {36, "11"}, {7, "10"}, {42, "20"}, {43, "20"}}, ""};
  const uint32_t lit = centre({camera, light, cube, wall}, 470, 240);
  // Light travelling along (0.3, 0, 1) puts the shadow 2.7 units right of
  // the cube on the wall (screen x 397 to 488).
  cube.brain =
      "v_shadow_create(element)\nv_shadow_set(0, 19661, 0, 65536, 0)\n"
      "shadow_location_set(0, 0, 4608000)\nshadow_orientation_set(0, 0, 0-65536)\n";
  const uint32_t shaded = centre({camera, light, cube, wall}, 470, 240);
  ASSERT_GT(lit >> 16, 0x40u);
  EXPECT_NEAR(static_cast<int>(shaded >> 16), static_cast<int>(lit >> 16) / 2, 3);
  EXPECT_NEAR(static_cast<int>(shaded >> 8 & 255), static_cast<int>(lit >> 8 & 255) / 2, 3);
  // Outside the shadow the wall is as it was.
  EXPECT_EQ(centre({camera, light, cube, wall}, 600, 240), lit);
}

}  // namespace
