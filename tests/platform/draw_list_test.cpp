// The draw list of a render, collected and sorted without a rendering
// device: what is drawn, and in which order.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/draw_list_local.h"
#include "platform/scene.h"
#include "platform/scene_local.h"

namespace platform {
namespace {

// One square of side 2 per entry of `z`, each its own group, at that local z.
Model squares(std::vector<float> z) {
  Model m;
  for (size_t k = 0; k < z.size(); ++k) {
    const auto base = static_cast<uint32_t>(m.positions.size());
    m.positions.insert(m.positions.end(), {{-1, -1, z[k]}, {-1, 1, z[k]}, {1, 1, z[k]}, {1, -1, z[k]}});
    m.groups.push_back({static_cast<uint32_t>(m.indices.size()), 6, 0});
    m.indices.insert(m.indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
  }
  m.materials = {Material{}};
  return m;
}

class DrawList : public ::testing::Test {
 protected:
  void SetUp() override {
    scene_reset();
    root = frame_create(-1);
  }
  void TearDown() override { scene_reset(); }

  // A frame at `at` with a square; alpha < 1 makes it blended.
  int add(Vec3 at, float alpha = 1) { return add_under(root, at, alpha); }
  int add_under(int parent, Vec3 at, float alpha = 1) {
    const int f = frame_create(parent);
    frame_set_position(f, at);
    const int m = mesh_create(squares({0}));
    mesh_set_diffuse(m, -1, 1, 1, 1, alpha);
    frame_set_mesh(f, m);
    return f;
  }

  // The items of root's draw list in drawing order as (frame, group), seen
  // by a camera at the origin looking along +z (view depth = world z).
  std::vector<std::pair<int, int>> drawn(int32_t mode) {
    SceneObjects& sc = scene();
    const int count = draw_collect(sc, root, Mat4{});
    draw_sort(sc, count, mode);
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < count; ++i) out.emplace_back(sc.items[sc.order[i]].frame, sc.items[sc.order[i]].group);
    return out;
  }
  std::vector<int> frames(int32_t mode) {
    std::vector<int> out;
    for (const auto& [frame, group] : drawn(mode)) out.push_back(frame);
    return out;
  }

  int root = -1;
};

TEST_F(DrawList, OpaqueFramesFollowTheSortModeAndTranslucentOnesComeLastBackToFront) {
  const int o5 = add({0, 0, 5}), o1 = add({0, 0, 1}), o3 = add({0, 0, 3});
  const int t2 = add({0, 0, 2}, 0.5f), t8 = add({0, 0, 8}, 0.5f);
  // Sorted by its world depth (4), not by its position under the parent.
  const int parent = frame_create(root);
  frame_set_position(parent, {0, 0, 10});
  const int t4 = add_under(parent, {0, 0, -6}, 0.5f);

  EXPECT_EQ(frames(kSortFrontToBack), (std::vector<int>{o1, o3, o5, t8, t4, t2}));
  EXPECT_EQ(frames(kSortBackToFront), (std::vector<int>{o5, o3, o1, t8, t4, t2}));
  // No sort: opaque frames in the order they were made (and collected).
  EXPECT_EQ(frames(kSortNone), (std::vector<int>{o5, o1, o3, t8, t4, t2}));
}

TEST_F(DrawList, EqualDepthsKeepTheOrderOfCollection) {
  const int a = add({-2, 0, 3}), b = add({2, 0, 3}), c = add({0, 2, 3});
  const int ta = add({-2, 0, 4}, 0.5f), tb = add({2, 0, 4}, 0.5f);
  EXPECT_EQ(frames(kSortFrontToBack), (std::vector<int>{a, b, c, ta, tb}));
  EXPECT_EQ(frames(kSortBackToFront), (std::vector<int>{a, b, c, ta, tb}));
}

TEST_F(DrawList, HiddenFramesChildrenAndPartsAndOtherRootsAreLeftOut) {
  const int shown = add({0, 0, 1});
  const int hidden = add({0, 0, 2});
  frame_set_traversal(hidden, false, true);
  add_under(hidden, {0, 0, 1});  // shown itself, but under a hidden frame
  const int unpickable = add({0, 0, 3});
  frame_set_traversal(unpickable, true, false);  // still drawn

  const int parts = frame_create(root);
  frame_set_position(parts, {0, 0, 5});
  frame_set_mesh(parts, mesh_create(squares({0, 1, 2})));
  mesh_set_group_visible(frame_mesh(parts), 1, false);

  const int elsewhere = frame_create(-1);
  frame_set_mesh(frame_create(elsewhere), mesh_create(squares({1})));

  EXPECT_EQ(drawn(kSortFrontToBack),
            (std::vector<std::pair<int, int>>{{shown, 0}, {unpickable, 0}, {parts, 0}, {parts, 2}}));
}

TEST_F(DrawList, APartOrderSortsAFramesGroupsByTheirCentres) {
  const int f = frame_create(root);
  frame_set_position(f, {0, 0, 10});
  frame_set_mesh(f, mesh_create(squares({2, -3, 1})));
  using Items = std::vector<std::pair<int, int>>;
  EXPECT_EQ(drawn(kSortFrontToBack), (Items{{f, 0}, {f, 1}, {f, 2}}));  // no part order: group order
  frame_set_part_order(f, 1);
  EXPECT_EQ(drawn(kSortFrontToBack), (Items{{f, 1}, {f, 2}, {f, 0}}));
  frame_set_part_order(f, 2);
  EXPECT_EQ(drawn(kSortFrontToBack), (Items{{f, 0}, {f, 2}, {f, 1}}));
  // Moved vertices move the centres.
  mesh_set_vertex(frame_mesh(f), 0, {-1, -1, -30});
  EXPECT_EQ(drawn(kSortBackToFront), (Items{{f, 2}, {f, 1}, {f, 0}}));
}

TEST_F(DrawList, ShadowsFollowTheirDrawnCastersAsBlendedItems) {
  const int caster = add({0, 3, 6});
  const int shadow = shadow_create(caster);
  shadow_set_plane(shadow, {0, 0, 0}, {0, 1, 0});
  shadow_set_opacity(shadow, 0.25f);
  const int glass = add({0, 0, 9}, 0.5f);

  SceneObjects& sc = scene();
  int count = draw_collect(sc, root, Mat4{});
  draw_sort(sc, count, kSortFrontToBack);
  ASSERT_EQ(count, 3);
  const DrawItem& first = sc.items[sc.order[0]];
  const DrawItem& second = sc.items[sc.order[1]];
  const DrawItem& third = sc.items[sc.order[2]];
  EXPECT_EQ(first.frame, caster);
  EXPECT_EQ(first.shadow, 0.0f);
  EXPECT_EQ(second.frame, glass);  // blended items back to front: the glass is further
  EXPECT_EQ(third.frame, caster);
  EXPECT_TRUE(third.translucent);
  EXPECT_EQ(third.shadow, 0.25f);
  // Flattened onto the plane y = 0.
  EXPECT_NEAR(core::transform_point(third.world, {1, 1, 0}).y, 0.0f, 1e-5f);

  frame_set_traversal(caster, false, true);
  EXPECT_EQ(frames(kSortFrontToBack), (std::vector<int>{glass}));
  frame_set_traversal(caster, true, true);
  shadow_set_opacity(shadow, 0);
  EXPECT_EQ(frames(kSortFrontToBack), (std::vector<int>{caster, glass}));
}

}  // namespace
}  // namespace platform
