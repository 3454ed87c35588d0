#include <gtest/gtest.h>

#include <map>

#include "brain/bind.h"
#include "brain/table.h"
#include "core/angles.h"
#include "harness.h"

namespace {

using brain::Family;

TEST(BuiltinTable, RowsPerFamilyAndSampleCounts) {
  std::map<Family, int> per;
  for (int i = 0; i < brain::kRowCount; ++i) ++per[brain::row(i).family];
  EXPECT_EQ(per[Family::kStartup], 3);
  EXPECT_EQ(per[Family::kAngles], 6);
  EXPECT_EQ(per[Family::kGeneral], 121);
  EXPECT_EQ(per[Family::kRunLoop], 4);
  EXPECT_EQ(per[Family::kMotion], 101);
  EXPECT_EQ(per[Family::kCollisions], 45);
  EXPECT_EQ(per[Family::kRendering], 99);
  EXPECT_EQ(per[Family::kTracks], 28);
  EXPECT_EQ(per[Family::kDisplay], 7);
  EXPECT_EQ(per[Family::kInput], 39);
  EXPECT_EQ(per[Family::kSound], 22);
  EXPECT_EQ(per[Family::kImages], 3);
  EXPECT_EQ(per[Family::kNetwork], 10);

  const std::pair<const char*, int> samples[] = {{"exemode", 1},       {"par_count", 0},     {"factor_512", 2},
                                                 {"a2_set", 5},        {"first_element", 0}, {"visual_picked", 1},
                                                 {"print_num", 5},     {"str_send", 2},      {"3dbg_color_set", 3},
                                                 {"attract_point", 5}, {"element", 1},       {"clip_distance", 0}};
  for (auto [name, argc] : samples) {
    int r = brain::find_row(name);
    ASSERT_GE(r, 0) << name;
    EXPECT_EQ(brain::row(r).argc, argc) << name;
  }
  EXPECT_EQ(brain::find_row("Abs"), -1);  // names are compared exactly
  EXPECT_EQ(brain::find_row("absolute"), -1);
  EXPECT_EQ(brain::find_row(""), -1);
}

TEST(BuiltinTable, AliasesShareOneHandler) {
  brain_test::Handlers h;  // restores the start-up bindings afterwards
  auto fn = [](uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) -> int32_t { return 1; };
  ASSERT_TRUE(brain::bind("agl", fn));
  for (const char* n : {"above_ground_level", "agl", "aglevel"})
    EXPECT_EQ(brain::handler_of(brain::find_row(n)), fn) << n;
  brain::unbind("aglevel");
  EXPECT_TRUE(brain::is_placeholder(brain::find_row("above_ground_level")));
  const std::pair<const char*, const char*> pairs[] = {{"absolute_value", "abs"},
                                                       {"boing_x", "rebound_x"},
                                                       {"boing_y", "rebound_y"},
                                                       {"boing_z", "rebound_z"},
                                                       {"credits_add", "score_add"},
                                                       {"credits_set", "score_set"},
                                                       {"credits", "score"},
                                                       {"flat_scale_x", "scale_x"},
                                                       {"flat_scale_y", "scale_y"},
                                                       {"joy_b", "joy1_b"},
                                                       {"samplerate_set", "sound_rate_set"},
                                                       {"speed_set", "velocity_set"},
                                                       {"speed_xz_set", "velocity_set_xz"},
                                                       {"boundary_rebound", "ground_color_rebound"},
                                                       {"hearer", "listener"},
                                                       {"a_kill", "str_kill"}};
  for (auto [a, b] : pairs) {
    EXPECT_EQ(brain::alias_leader(brain::find_row(a)), brain::alias_leader(brain::find_row(b))) << a;
    EXPECT_EQ(brain::row(brain::find_row(a)).argc, brain::row(brain::find_row(b)).argc) << a;
  }
  // A row without aliases leads itself; binding it touches nothing else.
  int sum = brain::find_row("sum");
  EXPECT_EQ(brain::alias_leader(sum), sum);
  EXPECT_FALSE(brain::bind("no_such_builtin", fn));
  EXPECT_FALSE(brain::bind("sum", nullptr));
}

TEST(BuiltinTable, PlaceholderRegistryListsTheUnboundRows) {
  brain::unbind_all();
  brain::bind_core_builtins();
  auto rows = brain::placeholder_rows();
  EXPECT_EQ(rows.size(), size_t(brain::kRowCount - 8));
  for (const char* bound :
       {"sin_512", "cos_512", "tan_512", "atan_512", "sqrt_512", "factor_512", "par_count", "par_get"})
    EXPECT_EQ(std::find(rows.begin(), rows.end(), bound), rows.end()) << bound;
  // exemode belongs to the shell, which binds it itself.
  EXPECT_NE(std::find(rows.begin(), rows.end(), "exemode"), rows.end());
  EXPECT_EQ(brain::unbound_builtin(0, 1, 2, 3, 4, 5), 0);
}

TEST(BuiltinTable, CoreBuiltinsRunFromBrains) {
  using namespace brain_test;
  brain::unbind_all();
  brain::bind_core_builtins();
  core::State& cs = core::state();
  const int32_t saved[3] = {cs.args[0], cs.args[1], cs.arg_count};
  cs.args[0] = 11;
  cs.args[1] = -4;
  cs.arg_count = 2;
  clear_elements();
  ASSERT_EQ(compile(lines({"var n", "var a", "var b", "var c", "var s", "var q", "n = par_count()", "a = par_get(1)",
                           "b = par_get(2)", "c = par_get(-1)", "s = sin_512(90dg)", "q = sqrt_512(4 * 512)"})),
            "");
  run();
  EXPECT_EQ(var(0, 1), 2);
  EXPECT_EQ(var(0, 2), -4);
  EXPECT_EQ(var(0, 3), 0);
  EXPECT_EQ(var(0, 4), 0);
  EXPECT_EQ(var(0, 5), core::sin_512(90 * 512));
  EXPECT_EQ(var(0, 6), core::sqrt_512(2048));
  cs.args[0] = saved[0];
  cs.args[1] = saved[1];
  cs.arg_count = saved[2];
}

}  // namespace
