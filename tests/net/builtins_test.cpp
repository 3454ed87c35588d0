// The network rows through the built-in table.
#include <gtest/gtest.h>

#include <cstring>

#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/pools.h"
#include "core/strings.h"
#include "engine/engine_tables.h"
#include "engine/state.h"
#include "net/builtins.h"
#include "net/session.h"
#include "net/state.h"
#include "support/builtin_call.h"

namespace {

using testing_support::call;

int32_t ref(int e) { return static_cast<int32_t>(core::element_ref(e)); }

class NetRows : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::fresh_engine_tables();
    engine::state().scene.element_count = 6;
    net::bind_builtins();
    brain::state().general.element_count = [] { return 6; };
    net::set_active_for_test(false, false);
    net::state().machine_number = 0;
  }
  void TearDown() override { brain::state().general.element_count = nullptr; }
};

TEST_F(NetRows, SessionAndMachineNumbers) {
  EXPECT_EQ(call("network_mode"), 0);
  EXPECT_EQ(call("host"), 0);
  net::set_active_for_test(true, true);
  EXPECT_EQ(call("network_mode"), -1);
  EXPECT_EQ(call("host"), -1);
  EXPECT_EQ(call("machine_number_set", 250), 100);
  EXPECT_EQ(call("machine_number"), 100);
  EXPECT_EQ(call("machine_number_set", 7), 7);

  // machine_status: 0 for machine 0; this machine 1 or 2; others their count.
  net::state().activity[0].store(5);
  net::state().activity[3].store(4);
  net::state().activity[100].store(6);
  EXPECT_EQ(call("machine_status", 0), 0);
  EXPECT_EQ(call("machine_status", 7), 1);
  net::state().activity[7].store(1);
  EXPECT_EQ(call("machine_status", 7), 2);
  EXPECT_EQ(call("machine_status", 3), 4);
  EXPECT_EQ(call("machine_status", 99), 0);
  EXPECT_EQ(call("machine_status", 100), 6);
  EXPECT_EQ(call("machine_status", 5000), 6);
  EXPECT_EQ(call("machine_status", -4), 5);  // never outside the table
  net::state().mismatch.store(true);
  EXPECT_EQ(call("network_mismatch"), -1);
  net::set_active_for_test(false, false);
}

// Walking from an element to the next one a machine owns, with the bounds
// of element_find: forward the last element is never reached, backward the
// first.
TEST_F(NetRows, MachineElementFind) {
  for (int e = 0; e < 6; ++e) {
    core::element_state(e)->w[core::kNetOwner] = 2;
    core::element_state(e)->w[core::kElementId] = 1;
  }
  core::element_state(2)->w[core::kNetOwner] = 3;
  core::element_state(3)->w[core::kFlags] = core::kFlagOn;
  EXPECT_EQ(call("machine_element", ref(2)), 3);
  EXPECT_EQ(call("machine_element", -1), 0);
  EXPECT_EQ(call("machine_element_find", ref(0), 1, 2, 1), ref(1));
  EXPECT_EQ(call("machine_element_find", ref(1), 1, 2, 1), ref(3));
  EXPECT_EQ(call("machine_element_find", ref(1), 1, 2, 2), ref(4));  // only one that is off
  EXPECT_EQ(call("machine_element_find", ref(0), 1, 2, 3), ref(3));  // only one that is on
  EXPECT_EQ(call("machine_element_find", ref(4), 1, 2, 1), 0);       // 5 is the last
  EXPECT_EQ(call("machine_element_find", ref(3), 1, 2, -1), ref(1));
  EXPECT_EQ(call("machine_element_find", ref(1), 1, 2, -1), 0);  // 0 is the first
  EXPECT_EQ(call("machine_element_find", ref(0), 2, 2, 1), 0);   // no ID bit in the mask
  EXPECT_EQ(call("machine_element_find", ref(0), 1, 2, 4), 0);
  EXPECT_EQ(call("machine_element_find", 12345, 1, 2, 1), 0);
}

// str_poll empties its variable even when nothing waits; str_send outside a
// session and with an empty text sends nothing and answers 0.
TEST_F(NetRows, TextRowsWithoutMessages) {
  core::handle_reset();
  const int32_t s = core::handle_new(16);
  ASSERT_GE(s, 0);
  std::strcpy(core::at<char>(core::handle_entry(s)->addr), "old");
  EXPECT_EQ(call("str_poll", s, -1), 0);
  EXPECT_STREQ(core::at<char>(core::handle_entry(s)->addr), "");
  EXPECT_EQ(call("str_poll", 9999, -1), 0);  // no such variable
  EXPECT_EQ(call("str_send", s, 1), 0);
  EXPECT_FALSE(net::send_text(1, ""));
  EXPECT_FALSE(net::send_text(1, "x"));  // no session
}

}  // namespace
