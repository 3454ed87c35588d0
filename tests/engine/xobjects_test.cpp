// Run-time X frames, X-file animation, and the ray and polygon queries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "brain/bind.h"
#include "brain/table.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/angles.h"
#include "core/arena.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/strings.h"
#include "engine/builtins.h"
#include "engine/hooks.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/pose.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "engine/xobjects.h"
#include "platform/scene.h"
#include "platform/xfile.h"
#include "support/headless_run.h"
#include "project/records.h"
#include "project/state.h"
#include "engine_tables.h"
#include "support/builtin_call.h"

namespace {

using core::Vec3;
using testing_support::call;

// A text X file of a box with half-size `h` centred on `c`, one material
// whose diffuse and emissive colour is (r, g, b). Faces wind clockwise as
// seen from outside, as the format has them.
std::string box_x(float h, Vec3 c, float r, float g, float b) {
  std::string out = "xof 0302txt 0032\nMesh Box {\n24;\n";
  std::string faces = "6;\n";
  static const int kAxes[6][3] = {{0, 1, 2}, {0, 1, 2}, {1, 2, 0}, {1, 2, 0}, {2, 0, 1}, {2, 0, 1}};
  for (int f = 0; f < 6; ++f) {
    const float s = f % 2 ? 1.0f : -1.0f;
    const int n = kAxes[f][2], u = kAxes[f][0], v = kAxes[f][1];
    Vec3 corner[4];
    const float uv[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (int k = 0; k < 4; ++k) {
      float p[3] = {0, 0, 0};
      p[n] = s * h;
      p[u] = uv[k][0] * h;
      p[v] = uv[k][1] * h;
      corner[k] = {p[0] + c.x, p[1] + c.y, p[2] + c.z};
    }
    // Clockwise from outside: cross(b - a, c - a) points outward.
    float out_dir[3] = {0, 0, 0};
    out_dir[n] = s;
    const Vec3 nrm = core::cross(corner[1] - corner[0], corner[2] - corner[0]);
    const bool flip = nrm.x * out_dir[0] + nrm.y * out_dir[1] + nrm.z * out_dir[2] < 0;
    for (int k = 0; k < 4; ++k) {
      const Vec3& p = corner[flip ? 3 - k : k];
      out += std::to_string(p.x) + ";" + std::to_string(p.y) + ";" + std::to_string(p.z) + ";" +
             (f == 5 && k == 3 ? ";\n" : ",\n");
    }
    const int i = f * 4;
    faces += "4;" + std::to_string(i) + "," + std::to_string(i + 1) + "," + std::to_string(i + 2) + "," +
             std::to_string(i + 3) + ";" + (f == 5 ? ";\n" : ",\n");
  }
  const std::string colour = std::to_string(r) + ";" + std::to_string(g) + ";" + std::to_string(b) + ";";
  out += faces + "MeshMaterialList {\n1;\n6;\n0,0,0,0,0,0;;\nMaterial {\n" + colour + "1.0;;\n0.0;\n0.0;0.0;0.0;;\n" +
         colour + ";\n}\n}\n}\n";
  return out;
}

std::string testdata(const std::string& name) { return std::string(QUILL_TESTDATA) + "/x/" + name; }

bool exists(const std::string& path) {
  std::string bytes;
  return core::read_file(path, bytes, 16);
}

// --- the rig of animated files

TEST(XRig, AnimatedFilesPoseTheirVertices) {
  for (const char* name : {"assimp_anim_test.x", "assimp_BCN_Epileptic.X"}) {
    const std::string path = testdata(name);
    if (!exists(path)) GTEST_SKIP() << "no test data";
    core::Model model, plain;
    platform::XInfo info, plain_info;
    core::XRig rig;
    std::string error;
    ASSERT_TRUE(platform::load_x_rig(path, model, info, rig, error)) << name << ": " << error;
    ASSERT_TRUE(platform::load_x(path, plain, plain_info, error)) << error;
    // The model is the same whether or not the rig comes along.
    ASSERT_EQ(model.positions.size(), plain.positions.size());
    EXPECT_EQ(std::memcmp(model.positions.data(), plain.positions.data(), model.positions.size() * sizeof(Vec3)), 0);
    ASSERT_TRUE(rig.animated()) << name;
    EXPECT_TRUE(core::x_rig_valid(rig, model.positions.size()));
    EXPECT_EQ(rig.influences.size(), model.positions.size());

    core::XPose pose;
    engine::x_pose_prepare(rig, pose);
    double end = rig.duration;
    for (const core::XKey& k : rig.keys) end = std::max(end, k.time);
    ASSERT_GT(end, 0);
    // Box of the rest pose; posed vertices stay finite and near it, and
    // some of them move during the set.
    Vec3 lo = model.positions[0], hi = lo;
    for (const Vec3& p : model.positions) {
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const float size = core::length(hi - lo);
    float moved = 0;
    for (double t : {0.0, end * 0.3, end * 0.6, end}) {
      engine::x_pose(rig, t, pose);
      for (size_t v = 0; v < model.positions.size(); v += 7) {
        const core::XInfluence& in = rig.influences[v];
        Vec3 p{};
        for (int k = 0; k < 4; ++k)
          p = p + core::transform_point(pose.bones[in.bone[k]], model.positions[v]) * in.weight[k];
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        EXPECT_LT(core::length(p - model.positions[v]), size * 3) << name << " t " << t;
        moved = std::max(moved, core::length(p - model.positions[v]));
      }
    }
    EXPECT_GT(moved, size * 0.01f) << name;
  }
}

TEST(XRig, StaticAndHostileFilesGiveNoRigOrFailCleanly) {
  const std::string cube = testdata("assimp_test_cube_text.x");
  if (!exists(cube)) GTEST_SKIP() << "no test data";
  core::Model model;
  platform::XInfo info;
  core::XRig rig;
  std::string error;
  ASSERT_TRUE(platform::load_x_rig(cube, model, info, rig, error)) << error;
  EXPECT_FALSE(rig.animated());
  EXPECT_TRUE(rig.nodes.empty() && rig.influences.empty());
  for (const char* name : {"assimp_malformed_skinweights_oob.x", "assimp_invalid_empty.x"}) {
    if (platform::load_x_rig(testdata(name), model, info, rig, error))
      EXPECT_TRUE(core::x_rig_valid(rig, model.positions.size())) << name;
    else
      EXPECT_TRUE(model.positions.empty() && rig.nodes.empty()) << name;
  }
}

TEST(XRig, ValidationRejectsEveryBadIndex) {
  core::XRig good;
  good.nodes.resize(2);
  good.nodes[1].parent = 0;
  good.bones.resize(1);
  good.bones[0].node = 1;
  good.influences.resize(3);
  for (auto& in : good.influences) in.weight[0] = 1;
  good.channels.resize(1);
  good.channels[0].node = 1;
  good.channels[0].count[1] = 2;
  good.keys.resize(2);
  good.keys[1].time = 5;
  ASSERT_TRUE(core::x_rig_valid(good, 3));
  EXPECT_FALSE(core::x_rig_valid(good, 4));  // vertex count differs
  auto broken = [&](auto change) {
    core::XRig r = good;
    change(r);
    return !core::x_rig_valid(r, 3);
  };
  EXPECT_TRUE(broken([](core::XRig& r) { r.nodes[1].parent = 1; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.nodes[0].parent = -2; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.nodes[0].rest[3] = NAN; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.bones[0].node = 2; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.influences[2].bone[3] = 1; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.influences[0].weight[1] = NAN; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.channels[0].node = -1; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.channels[0].first[2] = 0xFFFFFFFFu, r.channels[0].count[2] = 2; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.channels[0].count[0] = 3; }));
  EXPECT_TRUE(broken([](core::XRig& r) { r.keys[0].time = INFINITY; }));
  // Posing an unprepared or empty rig does nothing.
  core::XPose pose;
  engine::x_pose(good, 1, pose);
  EXPECT_TRUE(pose.bones.empty());
  engine::x_pose_prepare(good, pose);
  engine::x_pose(good, 2.5, pose);
  EXPECT_EQ(pose.bones.size(), 1u);
}

// --- the built-ins on a scene without a device

class XObjects : public ::testing::Test {
 protected:
  testing_support::TempFolder folder{"quill-x"};
  const std::string dir = folder.path();
  int32_t cube = 0;  // string handle of the box file's path

  void SetUp() override {
    ASSERT_TRUE(core::write_file_atomic(dir + "box.x", box_x(0.5f, {0, 0, 0}, 1, 0, 0)));
    testing_support::fresh_engine_tables();
    engine::release_xobjects();
    platform::scene_reset();
    engine::State& s = engine::state();
    for (int r = 0; r < 4; ++r) s.views.roots[r] = platform::frame_create(-1);
    s.scene.element_count = 2;
    s.scene.object_count = 0;
    s.loop.tick_count = 100;
    s.loop.max_framerate = 30;
    engine::hooks().draw_views = nullptr;
    core::handle_reset();
    cube = text(dir + "box.x");
    engine::bind_xobject_builtins();
    engine::bind_motion_builtins();
    engine::bind_2d_builtins();
    engine::bind_mesh_builtins();
    engine::state().lists = engine::ViewListState{};
  }
  void TearDown() override {
    engine::release_xobjects();
    platform::scene_reset();
    project::state().last = -1;
  }
  static int32_t text(const std::string& t) {
    const int32_t h = core::handle_new(t.size() + 1);
    std::memcpy(core::at<char>(core::handle_entry(h)->addr), t.c_str(), t.size() + 1);
    return h;
  }
  static int32_t e(int i) { return static_cast<int32_t>(core::element_ref(i)); }
  static int32_t* w(int i) { return core::element_state(i)->w; }
  static constexpr int32_t kHandle = static_cast<int32_t>(0x80000000u);
};

TEST_F(XObjects, LoadPlaceParentKillAndReuseSlots) {
  const int32_t h = call("x_load", cube, 0);
  ASSERT_EQ(h, kHandle);  // slot 0
  const int f = engine::xobject_frame(h);
  ASSERT_GE(f, 0);
  EXPECT_EQ(platform::frame_parent(f), engine::state().views.roots[engine::kMainRoot]);
  EXPECT_TRUE(platform::frame_visible(f));
  EXPECT_GE(platform::frame_mesh(f), 0);

  call("position_set", h, 512000, -256000, 1024000);
  const Vec3 p = platform::frame_position(f);
  EXPECT_FLOAT_EQ(p.x, 1.0f);
  EXPECT_FLOAT_EQ(p.y, -0.5f);
  EXPECT_FLOAT_EQ(p.z, 2.0f);
  EXPECT_EQ(call("position", h, 0, 0), 512000);
  EXPECT_EQ(call("position", h, 2, 0), 1024000);
  EXPECT_EQ(call("position_y", h), -256000);
  EXPECT_EQ(call("position", h, 3, 0), 0);     // no such axis
  EXPECT_EQ(call("position", h, 0, e(0)), 0);  // an element is no reference frame

  const int32_t child = call("x_load", cube, h);
  ASSERT_EQ(child, kHandle | 1);
  EXPECT_EQ(platform::frame_parent(engine::xobject_frame(child)), f);
  call("position_set", child, 0, 512000, 0);
  EXPECT_EQ(call("position", child, 1, h), 512000);  // in the parent's frame
  EXPECT_EQ(call("position", child, 1, 0), 256000);  // in the scene
  EXPECT_EQ(engine::state().xobjects.slots_used, 2);

  // Killing the parent takes the child along; slots are reused lowest first.
  EXPECT_EQ(call("x_kill", h), 0);
  EXPECT_EQ(engine::xobject_frame(h), -1);
  EXPECT_EQ(engine::xobject_frame(child), -1);
  EXPECT_EQ(engine::state().xobjects.slots_used, 0);
  EXPECT_EQ(call("x_load", cube, 0), kHandle);
  EXPECT_EQ(call("x_load", cube, 0), kHandle | 1);
  EXPECT_EQ(call("x_load", cube, 0), kHandle | 2);
  EXPECT_EQ(call("x_kill", kHandle | 1), 0);
  EXPECT_EQ(engine::state().xobjects.slots_used, 3);  // the highest is still in use
  EXPECT_EQ(call("x_kill", kHandle | 2), 0);
  EXPECT_EQ(engine::state().xobjects.slots_used, 1);
  EXPECT_EQ(call("x_load", cube, 0), kHandle | 1);

  // Failures use no slot.
  EXPECT_EQ(call("x_load", text(dir + "missing.x"), 0), -1);
  EXPECT_EQ(call("x_load", cube, kHandle | 7), -1);  // free slot as parent
  EXPECT_EQ(call("x_load", cube, e(0)), -1);         // an element as parent
  EXPECT_EQ(call("x_clone", 0, e(0)), -1);           // not an X model
  EXPECT_EQ(call("x_clone", 0, 12345), -1);
  EXPECT_EQ(engine::state().xobjects.slots_used, 2);
  EXPECT_EQ(call("x_kill", 77), 77);  // no bit 31: returned unchanged

  // A new renderer scene leaves no handle alive, even where frame numbers
  // come round again.
  platform::scene_reset();
  engine::state().views.roots[engine::kMainRoot] = platform::frame_create(-1);
  EXPECT_EQ(engine::xobject_frame(kHandle), -1);
  EXPECT_EQ(engine::xobject_frame(kHandle | 1), -1);
  EXPECT_EQ(call("x_load", cube, 0), kHandle);
  EXPECT_EQ(engine::state().xobjects.slots_used, 1);
}

TEST_F(XObjects, HostileHandlesDoNothing) {
  const int32_t h = call("x_load", cube, 0);
  call("position_set", h, 1000, 2000, 3000);
  const int f = engine::xobject_frame(h);
  const int32_t bad[] = {kHandle | 5,
                         kHandle | 1023,
                         kHandle | 1024,
                         kHandle | 0x7FFFFFFF,
                         -1,
                         0,
                         12345,
                         static_cast<int32_t>(0x80000000u | 0x1234567u)};
  const char* one_handle[] = {"x_kill",
                              "x_picked",
                              "h_animation_speed",
                              "h_animation_tick",
                              "h_animation_range_start",
                              "h_animation_range_end",
                              "h_animation_speed_set",
                              "h_animation_tick_set",
                              "h_animation_range_set",
                              "show",
                              "hide",
                              "orientation_set",
                              "rotation_angle",
                              "bottom",
                              "visual_ray",
                              "h_poly_collision",
                              "h_cpoint_x",
                              "h_cnormal_z",
                              "x_element_get",
                              "position_x",
                              "position",
                              "position_set"};
  std::srand(7);
  for (int32_t b : bad)
    for (const char* name : one_handle) {
      const int32_t r = call(name, b, std::rand(), std::rand(), std::rand(), std::rand());
      if (std::string(name) == "x_kill" && !(static_cast<uint32_t>(b) & 0x80000000u))
        EXPECT_EQ(r, b);
      else
        EXPECT_EQ(r, 0) << name << " " << b;
    }
  EXPECT_EQ(engine::state().xobjects.slots_used, 1);
  EXPECT_TRUE(platform::frame_visible(f));
  EXPECT_FLOAT_EQ(platform::frame_position(f).z, 3000 / 512000.0f);
  EXPECT_EQ(call("x_pick_pt", 0), 0);
  EXPECT_EQ(call("x_pick_pt", 9), 9);  // other axes come back unchanged
  EXPECT_EQ(call("x_pick_pt", -4), -4);
}

TEST_F(XObjects, OrientationShowAndHide) {
  const int32_t h = call("x_load", cube, 0);
  const int f = engine::xobject_frame(h);
  // The work rotation reads back as the same axis and angle.
  struct Case {
    int32_t x, y, z, angle;
  } cases[] = {{0, 512000, 0, 30000}, {512000, 0, 0, 46080}, {0, 0, 512000, 70000}, {1, 1, 0, 12000}};
  for (const Case& c : cases) {
    call("rotation_axis_set", c.x, c.y, c.z, c.angle);
    call("orientation_set", h);
    EXPECT_NEAR(call("rotation_angle", h, 0), c.angle, 2);
    const double n = std::sqrt(double(c.x) * c.x + double(c.y) * c.y + double(c.z) * c.z);
    EXPECT_NEAR(call("rotation_axis", 0), c.x / n * 512000, 600);
    EXPECT_NEAR(call("rotation_axis", 1), c.y / n * 512000, 600);
    EXPECT_NEAR(call("rotation_axis", 2), c.z / n * 512000, 600);
    // The frame turns the way an element with the matching words is drawn.
    call("orientation_set", e(1));
    const engine::Vec3i d = engine::to_world({0, 0, 65536}, w(1) + core::kRotation);
    Vec3 forward, up;
    platform::frame_orientation(f, forward, up);
    EXPECT_NEAR(forward.x, d.x / 65536.0, 0.01);
    EXPECT_NEAR(forward.y, d.y / 65536.0, 0.01);
    EXPECT_NEAR(forward.z, d.z / 65536.0, 0.01);
  }
  // Relative to itself, a frame is not turned.
  EXPECT_EQ(call("rotation_angle", h, h), 0);
  call("hide", h);
  EXPECT_FALSE(platform::frame_visible(f));
  call("show", h);
  EXPECT_TRUE(platform::frame_visible(f));
  // Elements keep their flag behaviour.
  w(1)[core::kFlags] = core::kFlagShown;
  call("hide", e(1));
  EXPECT_EQ(w(1)[core::kFlags], 0);
}

TEST_F(XObjects, RaysSweepsAndTheirHits) {
  const int32_t h = call("x_load", cube, 0);
  call("position_set", h, 0, 0, 5 * 512000);
  // Element 0 at the origin looks along +z.
  const int32_t d = call("visual_ray", e(0), 10 * 512000);
  EXPECT_NEAR(d, 4.5 * 512000, 50);
  EXPECT_NEAR(call("h_cpoint_z", e(0)), 4.5 * 512000, 50);
  EXPECT_NEAR(call("h_cpoint_x", e(0)), 0, 50);
  EXPECT_NEAR(call("h_cnormal_z", e(0)), -512000, 5);  // the face towards the ray
  EXPECT_EQ(call("visual_ray", e(0), 4 * 512000), 0);  // out of reach
  w(0)[core::kRotation + 1] = 92160;                   // turned around
  EXPECT_EQ(call("visual_ray", e(0), 10 * 512000), 0);
  EXPECT_NEAR(call("h_cpoint_z", e(0)), 4.5 * 512000, 50);  // the last hit stays
  w(0)[core::kRotation + 1] = 0;

  // A sweep along the velocity, against the box alone or the whole scene.
  EXPECT_EQ(call("h_poly_collision", e(0), h, 0), 0);  // not moving
  w(0)[core::kVelocity + 2] = 4 * 512000;
  EXPECT_EQ(call("h_poly_collision", e(0), h, 0), 0);
  EXPECT_EQ(call("h_poly_collision", e(0), h, 512000), -1);
  EXPECT_EQ(call("h_poly_collision", e(0), 0, 512000), -1);
  EXPECT_EQ(call("h_poly_collision", e(0), e(1), 512000), 0);  // e1 has no frame
  w(0)[core::kPosition] = 2 * 512000;                          // beside the box
  EXPECT_EQ(call("h_poly_collision", e(0), 0, 512000), 0);

  // An X frame casts along its own z axis and leaves itself out.
  const int32_t probe = call("x_load", cube, 0);
  call("position_set", probe, 0, 0, 0);
  EXPECT_NEAR(call("visual_ray", probe, 10 * 512000), 4.5 * 512000, 50);
  EXPECT_NEAR(call("h_cnormal_z", probe), -512000, 5);
  EXPECT_TRUE(platform::frame_visible(engine::xobject_frame(probe)));

  EXPECT_EQ(call("bottom", h), -256000);
  EXPECT_EQ(call("bottom", e(1)), 0);                     // no model
  EXPECT_EQ(call("x_element_get", h, e(1), 0, 0, 0), 0);  // loaded, not cloned
  EXPECT_EQ(w(1)[core::kPosition + 2], 5 * 512000);
}

// disable / enable of an X handle take its frame out of picking and rays and
// put it back; it stays drawn, as a disabled element does.
TEST_F(XObjects, DisabledXFramesAreNotPicked) {
  brain::bind_general_builtins();
  brain::state().general.xmodel_enable = engine::xobject_enable;
  const int32_t h = call("x_load", cube, 0);
  call("position_set", h, 0, 0, 5 * 512000);
  EXPECT_NEAR(call("visual_ray", e(0), 10 * 512000), 4.5 * 512000, 50);
  call("disable", h);
  EXPECT_EQ(call("visual_ray", e(0), 10 * 512000), 0);
  EXPECT_TRUE(platform::frame_visible(engine::xobject_frame(h)));
  call("hide", h);
  call("show", h);  // showing again keeps it out of picking
  EXPECT_EQ(call("visual_ray", e(0), 10 * 512000), 0);
  call("enable", h);
  EXPECT_NEAR(call("visual_ray", e(0), 10 * 512000), 4.5 * 512000, 50);
  call("disable", static_cast<int32_t>(0x80000000u | 999));  // no such slot: nothing happens
  brain::state().general.xmodel_enable = nullptr;
}

// The second collision part narrows a sweep to that part of its target.
TEST_F(XObjects, SweepsKeepToTheChosenCollisionPart) {
  const std::string two = dir + "two.x";
  const std::string far = box_x(0.5f, {0, 0, 5}, 0, 0, 1);
  ASSERT_TRUE(core::write_file_atomic(two, box_x(0.5f, {0, 0, 3}, 1, 0, 0) + far.substr(far.find("Mesh"))));
  const int32_t h = call("x_load", text(two), 0);
  ASSERT_LT(h, 0);
  ASSERT_EQ(platform::mesh_group_count(platform::frame_mesh(engine::xobject_frame(h))), 2);
  w(0)[core::kVelocity + 2] = 512000;
  ASSERT_EQ(call("h_poly_collision", e(0), h, 8 * 512000), -1);
  EXPECT_NEAR(call("h_cpoint_z", e(0)), 2.5 * 512000, 50);  // the near box
  ASSERT_EQ(call("h_cpart2_set", h, 0, 1, 0, 0), -1);
  ASSERT_EQ(call("h_poly_collision", e(0), h, 8 * 512000), -1);
  EXPECT_NEAR(call("h_cpoint_z", e(0)), 4.5 * 512000, 50);                                       // the far one alone
  EXPECT_TRUE(platform::mesh_group_visible(platform::frame_mesh(engine::xobject_frame(h)), 0));  // shown again
  EXPECT_EQ(call("h_poly_collision", e(0), 0, 8 * 512000), -1);  // the whole scene: not narrowed
  EXPECT_NEAR(call("h_cpoint_z", e(0)), 2.5 * 512000, 50);
}

// The first collision part chosen for the moving handle starts its sweep
// from the middle of that part instead of its origin.
TEST_F(XObjects, SweepsStartAtTheFirstCollisionPartOfTheMover) {
  const std::string two = dir + "two.x";
  const std::string far = box_x(0.5f, {0, 0, 5}, 0, 0, 1);
  ASSERT_TRUE(core::write_file_atomic(two, box_x(0.5f, {0, 0, 3}, 1, 0, 0) + far.substr(far.find("Mesh"))));
  const int32_t mover = call("x_load", text(two), 0);
  const int32_t target = call("x_load", cube, 0);
  call("position_set", target, 0, 0, 10 * 512000);
  EXPECT_EQ(call("h_poly_collision", mover, target, 6 * 512000), 0);  // from its origin: out of reach
  ASSERT_EQ(call("h_cpart1_set", mover, 0, 1, 0, 0), -1);
  EXPECT_EQ(call("h_poly_collision", mover, target, 6 * 512000), -1);  // from z = 5
  EXPECT_NEAR(call("h_cpoint_z", mover), 9.5 * 512000, 50);
  ASSERT_EQ(call("h_cpart1_set", target, 0, -1, 0, 0), -1);  // chosen for another handle
  EXPECT_EQ(call("h_poly_collision", mover, target, 6 * 512000), 0);
}

TEST_F(XObjects, AnimationClockRangeAndPosing) {
  const std::string path = testdata("assimp_anim_test.x");
  if (!exists(path)) GTEST_SKIP() << "no test data";
  const int32_t still = call("x_load", cube, 0);
  EXPECT_EQ(call("h_animation_range_end", still), 0);  // no animation set
  call("h_animation_speed_set", still, 1000);
  EXPECT_EQ(call("h_animation_speed", still), 0);

  const int32_t h = call("x_load", text(path), 0);
  ASSERT_LT(h, 0);
  const int32_t end = call("h_animation_range_end", h);
  ASSERT_GT(end, 10);
  EXPECT_EQ(call("h_animation_range_start", h), 0);
  EXPECT_EQ(call("h_animation_speed", h), 0);
  const int mesh = platform::frame_mesh(engine::xobject_frame(h));
  const int n = platform::mesh_vertex_count(mesh);
  std::vector<Vec3> rest(static_cast<size_t>(n));
  for (int v = 0; v < n; ++v) rest[static_cast<size_t>(v)] = platform::mesh_vertex(mesh, v);

  // Nothing moves until a brain sets the clock.
  engine::state().loop.tick_count += 5;
  engine::animate_xobjects();
  for (int v = 0; v < n; v += 13) EXPECT_EQ(platform::mesh_vertex(mesh, v).y, rest[static_cast<size_t>(v)].y);

  call("h_animation_range_set", h, end, 0);  // either order
  EXPECT_EQ(call("h_animation_range_start", h), 0);
  EXPECT_EQ(call("h_animation_range_end", h), end);
  call("h_animation_tick_set", h, end / 2);
  EXPECT_EQ(call("h_animation_tick", h), end / 2);
  engine::animate_xobjects();
  float moved = 0;
  for (int v = 0; v < n; ++v)
    moved = std::max(moved, core::length(platform::mesh_vertex(mesh, v) - rest[static_cast<size_t>(v)]));
  EXPECT_GT(moved, 0.01f);

  // Speed 1000 plays the file's key ticks per second at the run's tick rate.
  call("h_animation_tick_set", h, 0);
  call("h_animation_speed_set", h, 1000);
  EXPECT_EQ(call("h_animation_speed", h), 1000);
  engine::state().loop.tick_count += 3;
  const int32_t t = call("h_animation_tick", h);
  EXPECT_GT(t, 0);
  EXPECT_LE(t, end);
  // Negative speeds run back and wrap inside the range.
  call("h_animation_range_set", h, 2, 6);
  call("h_animation_tick_set", h, 100);
  EXPECT_GE(call("h_animation_tick", h), 2);
  EXPECT_LE(call("h_animation_tick", h), 6);
  call("h_animation_speed_set", h, -777);
  for (int i = 0; i < 20; ++i) {
    ++engine::state().loop.tick_count;
    const int32_t k = call("h_animation_tick", h);
    EXPECT_GE(k, 2);
    EXPECT_LE(k, 6);
  }
  // Merging the mesh's vertices leaves the rig without its mesh: the
  // animation ends instead of writing wrong vertices.
  ASSERT_GT(platform::mesh_merge_vertices(mesh, -1), 0);
  call("h_animation_tick_set", h, 3);
  engine::animate_xobjects();
  EXPECT_EQ(call("h_animation_speed", h), 0);
  EXPECT_EQ(call("h_animation_range_end", h), 0);
  EXPECT_EQ(call("x_kill", h), 0);
  engine::release_xobjects();
}

// An element whose current object is an X model, built as the scene does.
TEST_F(XObjects, ElementXModelsCloneAnimateAndAnswerRendererQueries) {
  const std::string path = testdata("assimp_anim_test.x");
  if (!exists(path)) GTEST_SKIP() << "no test data";
  project::state().last = 1;
  project::set_record(1, testing_support::record({{{2, path}, {36, "13"}}, ""}));
  w(0)[core::kCurrentObject] = 5;
  engine::Object& obj = engine::objects()[0];
  obj.w[0] = static_cast<int32_t>(engine::kTagXModel);
  obj.w[1] = 1;  // first frame
  obj.w[2] = 1;  // of element 1
  engine::state().scene.object_count = 1;
  w(1)[core::kCurrentObject] = 0;
  core::Model model;
  platform::XInfo info;
  std::string error;
  ASSERT_TRUE(platform::load_x(path, model, info, error));
  const int f = platform::frame_create(engine::state().views.roots[engine::kMainRoot]);
  const int mesh = platform::mesh_create(model);
  platform::frame_set_mesh(f, mesh);
  platform::frame_set_position(f, {1, 2, 3});
  engine::state().views.object_frame[0] = f;

  EXPECT_EQ(call("position", e(1), 1, 0), 1024000);
  EXPECT_EQ(call("position", e(0), 1, 0), 0);  // not an X model
  platform::frame_set_rotation(f, core::quat_axis({0, 1, 0}, 0.5f));
  EXPECT_NEAR(call("rotation_angle", e(1), 0), 0.5 * 184320 / (2 * M_PI), 2);
  EXPECT_NEAR(call("rotation_axis", 1), -512000, 10);  // the frame turns by the conjugate

  const int32_t clone = call("x_clone", 0, e(1));
  ASSERT_EQ(clone, kHandle);
  EXPECT_EQ(platform::mesh_vertex_count(platform::frame_mesh(engine::xobject_frame(clone))),
            static_cast<int>(model.positions.size()));
  EXPECT_EQ(call("x_element_get", clone, 0, 0, 0, 0), e(1));
  EXPECT_GT(call("h_animation_range_end", clone), 0);

  // The element's own mesh gets its rig the first time a brain asks.
  const int32_t end = call("h_animation_range_end", e(1));
  ASSERT_GT(end, 0);
  call("h_animation_tick_set", e(1), end);
  engine::animate_xobjects();
  float moved = 0;
  for (size_t v = 0; v < model.positions.size(); ++v)
    moved = std::max(moved, core::length(platform::mesh_vertex(mesh, static_cast<int>(v)) - model.positions[v]));
  EXPECT_GT(moved, 0.1f);
  EXPECT_EQ(call("h_animation_tick", e(1)), end);
}

// --- end to end: a brain loads, moves, picks and kills X frames

class XRun : public testing_support::HeadlessRun {};

TEST_F(XRun, ABrainLoadsMovesPicksAndKillsXFrames) {
  ASSERT_TRUE(core::write_file_atomic(dir + "box.x", box_x(0.5f, {0, 0, 0}, 1, 0, 0)));
  // Variables from word 255 down: h, k, again, hit, z.
  const std::string brain =
      "var h\nvar k\nvar again\nvar hit\nvar z\n"
      "if timer(element) = 0\n"
      "h = x_load(\"box.x\", 0)\n"
      "k = x_load(\"box.x\", 0)\n"
      "x_kill(k)\n"
      "again = x_load(\"box.x\", 0)\n"
      "hide(again)\n"
      "position_set(h, 768000, 0, 0)\n"
      "endif\n"
      "hit = x_picked(h)\n"
      "z = x_pick_pt(2)\n";
  testing_support::ElementSpec camera{{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, brain};
  ASSERT_TRUE(core::write_file_atomic(dir + "projects/t/t.prj", testing_support::project_file({camera})));
  ASSERT_TRUE(core::write_file_atomic(dir + "runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n0\r\n0\r\n"));
  // The pointer over the box: x = 1.5 units right of the centre at 6 units.
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "0 move 490 240\n"));
  ASSERT_EQ(quill("--headless --ticks 8 --dump d.json --messages m.jsonl --input-script keys.txt --screenshot s.png"),
            0);
  EXPECT_EQ(read("m.jsonl").find("ERROR"), std::string::npos) << read("m.jsonl");
  EXPECT_EQ(word(0, 255), -2147483648LL);                         // slot 0
  EXPECT_EQ(word(0, 254), -2147483647LL);                         // slot 1, killed
  EXPECT_EQ(word(0, 253), -2147483647LL);                         // slot 1 again
  EXPECT_EQ(word(0, 252), -1);                                    // the pointer is on the box
  EXPECT_NEAR(static_cast<double>(word(0, 251)), -256000, 2000);  // its front face

  int w = 0, hgt = 0;
  std::vector<uint8_t> px;
  ASSERT_TRUE(testing_support::read_png(read("s.png"), w, hgt, px));
  ASSERT_EQ(w, 640);
  int left = 0, right = 0;
  for (int y = 0; y < hgt; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      if (p[0] > 120 && p[1] < 60 && p[2] < 60) (x < 320 ? left : right) += 1;
    }
  // The moved box is right of the centre; the hidden one at the origin
  // does not show.
  EXPECT_GT(right, 1500);
  EXPECT_EQ(left, 0);
  const uint8_t* under = &px[(static_cast<size_t>(240) * w + 490) * 4];
  EXPECT_GT(under[0], 120);
  EXPECT_LT(under[1], 60);
  const uint8_t* beyond = &px[(static_cast<size_t>(240) * w + 620) * 4];
  EXPECT_LT(beyond[0], 60);
}

}  // namespace
