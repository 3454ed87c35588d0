// Elements and their stores: hostile references, flags, stores, the
// element walks, on/off with sound, the push stack, globals.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "brain/table.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "harness.h"
#include "support/builtin_call.h"

namespace {

using brain_test::clear_elements;

using testing_support::call;

int32_t ref(int i) { return static_cast<int32_t>(core::element_ref(i)); }
int32_t* w(int i) { return core::element_state(i)->w; }

int g_count = 8;
std::vector<std::string> g_sound;
std::vector<std::string> g_errors;

class GeneralElements : public ::testing::Test {
 protected:
  void SetUp() override {
    brain::bind_general_builtins();
    clear_elements();
    std::memset(core::state().pools.globals.bytes(), 0, core::state().pools.globals.size);
    brain::State& s = brain::state();
    s.general = {};
    s.push_depth = 0;
    g_count = 8;
    g_sound.clear();
    g_errors.clear();
    s.general.element_count = [] { return g_count; };
    s.general.sound_restart = [](int e, bool once) {
      g_sound.push_back("on" + std::to_string(e) + (once ? "once" : "loop"));
    };
    s.general.sound_stop = [](int e) { g_sound.push_back("off" + std::to_string(e)); };
    core::state().notify.error = [](const std::string& t) { g_errors.push_back(t); };
    for (int i = 0; i < 256; ++i) s.names[i].clear();
  }
  void TearDown() override { core::state().notify.error = nullptr; }
};

// Every per-element row answers 0 and changes nothing for a value that is not
// exactly one of the 256 records.
TEST_F(GeneralElements, HostileReferencesChangeNothing) {
  const int32_t bad[] = {INT_MIN, -1, 0, 1, ref(0) + 4, ref(0) - 1024, ref(255) + 1024, ref(3) + 1023};
  struct Row {
    const char* name;
    int32_t a2, a3, a4, a5;
  };
  const Row rows[] = {
      {"element_id", 0, 0, 0, 0},
      {"element_id_set", 5, 0, 0, 0},
      {"status", 0, 0, 0, 0},
      {"on", 0, 0, 0, 0},
      {"off", 0, 0, 0, 0},
      {"on_list", 3, 1, 0, 0},
      {"timer", 0, 0, 0, 0},
      {"timer_set", 9, 0, 0, 0},
      {"credits", 0, 0, 0, 0},
      {"score_set", 9, 0, 0, 0},
      {"credits_add", 9, 0, 0, 0},
      {"state", -1, 0, 0, 0},
      {"state_set", -1, 0, 0, 0},
      {"state_reset", 0, 0, 0, 0},
      {"signal", -1, 0, 0, 0},
      {"signal_set", -1, 0, 0, 0},
      {"signal_reset", 0, 0, 0, 0},
      {"pocket", 0, 0, 0, 0},
      {"pocket_set", 0, 7, 0, 0},
      {"pocket_add", 0, 7, 0, 0},
      {"register", 3, 0, 0, 0},
      {"register_set", 3, 7, 0, 0},
      {"local", 0, 0, 0, 0},
      {"local_set", 0, 7, 0, 0},
      {"random_position_xz", 1, 9, 1, 9},
      {"push", 0, 0, 0, 0},
      {"pop", 0, 0, 0, 0},
      {"element_find", -1, 1, 1, 0},
      {"random_element", -1, 0, 0, 0},
      {"execute", 0, 0, 0, 0},
      {"counter_picked", 0, 0, 0, 0},
      {"distance", 0, 0, 0, 0},
      {"enable", 0, 0, 0, 0},
  };
  for (int i = 0; i < 8; ++i) w(i)[core::kFlags] = 0;
  const std::vector<int32_t> before(w(0), w(0) + 256 * 256);
  for (int32_t b : bad)
    for (const Row& r : rows) EXPECT_EQ(call(r.name, b, r.a2, r.a3, r.a4, r.a5), 0) << r.name << " " << b;
  EXPECT_EQ(call("type", INT_MIN), -1);
  EXPECT_EQ(std::vector<int32_t>(w(0), w(0) + 256 * 256), before);
  EXPECT_TRUE(g_sound.empty());
}

TEST_F(GeneralElements, WordStores) {
  const int32_t e = ref(2);
  call("element_id_set", e, 0x30);
  EXPECT_EQ(call("element_id", e), 0x30);
  call("score_set", e, INT_MAX);
  call("credits_add", e, 1);
  EXPECT_EQ(call("credits", e), INT_MIN);  // wraps
  EXPECT_EQ(w(2)[core::kCredits], INT_MIN);
  call("timer_set", e, 77);
  EXPECT_EQ(call("timer", e), 77);
  call("register_set", e, 255, 5);
  EXPECT_EQ(call("register", e, 255), 5);
  EXPECT_EQ(call("register", e, 256), 0);
  call("register_set", e, -1, 5);
  EXPECT_EQ(w(3)[0], 0);
}

TEST_F(GeneralElements, StatesAndSignals) {
  const int32_t e = ref(1);
  w(1)[core::kFlags] = static_cast<int32_t>(0xF0000003u);
  EXPECT_EQ(call("state", e, 2), 2);
  call("state_reset", e, 1);  // clears bit 0 and bits 28 to 31
  EXPECT_EQ(w(1)[core::kFlags], 2);
  call("state_set", e, static_cast<int32_t>(0x80000000u));
  call("state_reset", e, static_cast<int32_t>(0x80000002u));  // bit 31 given: kept
  EXPECT_EQ(static_cast<uint32_t>(w(1)[core::kFlags]), 0x80000000u);
  call("signal_set", e, 0x11);
  call("signal_reset", e, 0x01);
  EXPECT_EQ(call("signal", e, -1), 0x10);
}

TEST_F(GeneralElements, PocketsAndLocals) {
  const int32_t e = ref(4);
  call("pocket_set", e, 0, 0x1FF);
  EXPECT_EQ(call("pocket", e, 0), 0xFF);
  call("pocket_add", e, 0, 2);
  EXPECT_EQ(call("pocket", e, 0), 1);
  call("pocket_set", e, 843, 9);  // the last byte of the record
  EXPECT_EQ(reinterpret_cast<uint8_t*>(w(4))[1023], 9);
  call("pocket_set", e, 844, 9);  // past the record: nothing
  EXPECT_EQ(w(5)[0], 0);
  EXPECT_EQ(call("pocket", e, -1), 0);
  call("local_set", e, 0, 11);
  EXPECT_EQ(w(4)[255], 11);
  EXPECT_EQ(call("local", e, 0), 11);
  call("local_set", e, 127, 12);
  EXPECT_EQ(w(4)[128], 12);
  call("local_set", e, 128, 13);
  EXPECT_EQ(w(4)[127], 0);
  EXPECT_EQ(call("local", e, 128), 0);
  EXPECT_EQ(call("local", e, -1), 0);
}

TEST_F(GeneralElements, OnOffAndSound) {
  w(3)[core::kFirstObject] = 40;
  w(3)[core::kCurrentObject] = 42;
  call("on", ref(3));
  EXPECT_EQ(w(3)[core::kFlags] & 1, 1);
  EXPECT_EQ(w(3)[core::kCurrentObject], 40);
  EXPECT_EQ(call("status", ref(3)), 1);
  call("off", ref(3));
  EXPECT_EQ(call("status", ref(3)), 0);
  w(3)[core::kFlags] |= core::kFlagSoundOnDemand;
  call("on", ref(3));
  call("off", ref(3));  // sound on demand: not stopped
  EXPECT_EQ(g_sound, (std::vector<std::string>{"on3loop", "off3", "on3once"}));
  call("disable", ref(3));
  EXPECT_EQ(w(3)[core::kFlags] & core::kFlagDisabled, core::kFlagDisabled);
  call("enable", ref(3));
  EXPECT_EQ(w(3)[core::kFlags] & core::kFlagDisabled, 0);
}

TEST_F(GeneralElements, OnListAndOnRange) {
  for (int i = 0; i < 8; ++i) w(i)[core::kFlags] = 1;
  w(5)[core::kFlags] = 0;
  w(6)[core::kFlags] = 0;
  EXPECT_EQ(call("on_range", ref(0), ref(0)), 0);    // nothing switched on
  EXPECT_EQ(call("on_range", ref(0), ref(5)), 0);    // the end itself is excluded
  EXPECT_EQ(call("on_list", ref(0), 3, 2), 0);       // 0, 2, 4: all on
  EXPECT_EQ(call("on_list", ref(1), 3, 2), ref(5));  // 1, 3, 5
  EXPECT_EQ(w(5)[core::kFlags] & 1, 1);
  EXPECT_EQ(call("on_list", ref(0), 10, 3), ref(6));  // 0, 3, 6
  EXPECT_EQ(call("on_list", ref(0), 100, 1), 0);      // all on, stops at the last element
  EXPECT_EQ(call("on_list", ref(0), -1, -1), 0);
  EXPECT_EQ(call("on_list", ref(0), INT_MAX, INT_MAX), 0);
  w(7)[core::kFlags] = 0;
  EXPECT_EQ(call("on_list", ref(0), INT_MAX, 7), ref(7));
  w(7)[core::kFlags] = 0;
  EXPECT_EQ(call("on_range", ref(0), static_cast<int32_t>(core::element_ref(255)) + 2048), ref(7));
}

TEST_F(GeneralElements, FindWalksBetweenTheEnds) {
  // ids: element i has id 1 << (i % 2); odd elements are on.
  for (int i = 0; i < 8; ++i) {
    w(i)[core::kElementId] = 1 << (i % 2);
    w(i)[core::kFlags] = i % 2;
  }
  struct F {
    int from;
    int32_t mask, n, mode;
    int want;  // element index, -1 for 0
  };
  const F cases[] = {
      {0, 3, 1, 1, 1}, {0, 3, 3, 1, 3},  {0, 2, 2, 1, 3},  {0, 1, 1, 2, 2},  {0, 2, 1, 3, 1},        {0, 1, 1, 3, -1},
      {0, 3, 6, 1, 6}, {0, 3, 7, 1, -1}, {6, 3, 1, 1, -1}, {5, 3, 1, -1, 4}, {5, 3, 4, -1, 1},       {5, 3, 5, -1, -1},
      {3, 2, 0, 1, 3}, {3, 2, 1, 4, -1}, {7, 1, 1, -2, 6}, {7, 2, 2, -3, 3}, {2, 3, 1, INT_MIN, -1},
  };
  for (const F& c : cases) {
    const int32_t want = c.want < 0 ? 0 : ref(c.want);
    EXPECT_EQ(call("element_find", ref(c.from), c.mask, c.n, c.mode), want)
        << c.from << " " << c.mask << " " << c.n << " " << c.mode;
  }
}

TEST_F(GeneralElements, RandomElementSkipsSelfAndOffElements) {
  for (int i = 0; i < 8; ++i) {
    w(i)[core::kElementId] = 1;
    w(i)[core::kFlags] = i == 2 || i == 5 ? 1 : 0;
  }
  for (int k = 0; k < 50; ++k) EXPECT_EQ(call("random_element", ref(2), 1), ref(5));
  EXPECT_EQ(call("random_element", ref(2), 2), 0);
  w(5)[core::kFlags] = 0;
  EXPECT_EQ(call("random_element", ref(2), 1), 0);
}

TEST_F(GeneralElements, ElementsByNameAndPlace) {
  brain::state().names[0] = "cam";
  brain::state().names[3] = "ship";
  EXPECT_EQ(call("first_element"), ref(0));
  EXPECT_EQ(call("last_element"), ref(7));
  brain::state().general.element_count = nullptr;  // default: the last named element
  EXPECT_EQ(call("last_element"), ref(3));
  EXPECT_EQ(call("element_index", ref(1), 2), ref(3));
  EXPECT_EQ(call("element_index", INT_MIN, 2), 0);
  // Literals of the string pool (at its far end, which no compile here reaches).
  const core::Pool& pool = core::state().pools.strings;
  const uint32_t ship = pool.addr + pool.size - 64, none = pool.addr + pool.size - 32;
  std::memcpy(core::at<char>(ship), "ship", 5);
  std::memcpy(core::at<char>(none), "nothing", 8);
  EXPECT_EQ(call("element", static_cast<int32_t>(ship)), ref(3));
  EXPECT_TRUE(g_errors.empty());
  int32_t exit_code = -1;
  uint32_t deadline = 0;
  int32_t tick_length = 150;
  brain::state().general.exit_code = &exit_code;
  brain::state().general.next_deadline = &deadline;
  brain::state().general.tick_length = &tick_length;
  brain::state().general.timer = [] { return 1000u; };
  EXPECT_EQ(call("element", static_cast<int32_t>(none)), 0);
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0], "ELEMENT() instruction error! Could not find 'nothing' element");
  EXPECT_EQ(static_cast<uint32_t>(exit_code), 0x80000000u);
  EXPECT_EQ(deadline, 1150u);
  EXPECT_EQ(call("element", 12345), 0);  // an invalid handle: empty text names no element
  EXPECT_EQ(g_errors.size(), 2u);
}

TEST_F(GeneralElements, TypeComesFromTheEngine) {
  EXPECT_EQ(call("type", ref(1)), -1);
  brain::state().general.object_type = [](int e) { return e == 1 ? 7 : -1; };
  EXPECT_EQ(call("type", ref(1)), 7);
  EXPECT_EQ(call("type", ref(1) + 4), -1);
}

TEST_F(GeneralElements, PushStackHolds128Entries) {
  for (int i = 0; i < 130; ++i) {
    w(1)[core::kPosition] = i;
    w(1)[core::kSpin + 2] = -i;
    call("push", ref(1));
  }
  EXPECT_EQ(brain::state().push_depth, 128);
  for (int i = 127; i >= 0; --i) {
    call("pop", ref(2));
    EXPECT_EQ(w(2)[core::kPosition], i);
    EXPECT_EQ(w(2)[core::kSpin + 2], -i);
  }
  w(2)[core::kPosition] = 999;
  call("pop", ref(2));  // empty: nothing
  EXPECT_EQ(w(2)[core::kPosition], 999);
}

TEST_F(GeneralElements, RandomPositionKeepsTheFirstBoundWhenUnordered) {
  call("random_position_xz", ref(1), 50, 10, -3, -3);
  EXPECT_EQ(w(1)[core::kPosition], 50);
  EXPECT_EQ(w(1)[core::kPosition + 2], -3);
  call("random_position_xz", ref(1), 10, 20, 0, 5);
  EXPECT_GE(w(1)[core::kPosition], 10);
  EXPECT_LE(w(1)[core::kPosition], 20);
}

TEST_F(GeneralElements, GlobalsWrapTheirIndex) {
  call("global_set", 2048 + 5, 9);
  EXPECT_EQ(call("global", 5), 9);
  call("global_add", -1, 3);  // -1 mod 2048 = 2047
  EXPECT_EQ(call("global", 2047), 3);
  call("global_set", 10, 3);
  call("global_set", 11, 1);
  call("global_set", 12, 2);
  call("globals_sort", 10, 12);
  EXPECT_EQ(call("global", 10), 1);
  EXPECT_EQ(call("global", 12), 3);
  call("globals_sort", 12, 10);    // refused
  call("globals_sort", 10, 2048);  // refused
  EXPECT_EQ(call("global", 10), 1);
}

TEST_F(GeneralElements, BrainsReadLocalsAndSwitchRanges) {
  for (brain::Backend backend : {brain::Backend::kInterpreter, brain::kDefaultBackend}) {
    clear_elements();
    ASSERT_EQ(brain_test::compile(brain_test::lines({"var a", "var b", "var c", "a = 5",
                                                     "b = local(first_element(), 0)",
                                                     "c = on_range(first_element(), first_element())"}),
                                  backend),
              "");
    brain_test::run();
    EXPECT_EQ(brain_test::var(0, 2), 5);
    EXPECT_EQ(brain_test::var(0, 3), 0);
  }
}

}  // namespace
