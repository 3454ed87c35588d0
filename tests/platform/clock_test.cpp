#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

TEST(Clock, VirtualTimeMovesOnlyWhenWaiting) {
  platform::Clock c;
  platform::clock_init(c, true);
  EXPECT_EQ(platform::clock_now(c), 0u);
  platform::clock_wait_until(c, 150);
  EXPECT_EQ(platform::clock_now(c), 150u);
  platform::clock_wait_until(c, 100);  // in the past: no change
  EXPECT_EQ(platform::clock_now(c), 150u);
  platform::clock_sleep_ms(c, 500);
  EXPECT_EQ(platform::clock_now(c), 150u + 2250u);
  c.virtual_now = 0xFFFFFFF0u;  // deadlines compare across the wrap
  platform::clock_wait_until(c, 0x10);
  EXPECT_EQ(platform::clock_now(c), 0x10u);
}

TEST(Clock, RealTimeCountsTicksOfA4500thSecond) {
  platform::Clock c;
  platform::clock_init(c, false);
  uint32_t a = platform::clock_now(c);
  platform::clock_sleep_ms(c, 20);
  uint32_t b = platform::clock_now(c);
  EXPECT_GE(b - a, 85u);    // 20 ms = 90 ticks
  EXPECT_LT(b - a, 4500u);  // and far less than a second
}

// Idling is real time on the desktop and nothing at all in virtual time.
TEST(Clock, IdlingNeverMovesTheVirtualClock) {
  platform::Clock v;
  platform::clock_init(v, true);
  platform::clock_idle_ms(v, 1000000);
  EXPECT_EQ(platform::clock_now(v), 0u);
  platform::Clock c;
  platform::clock_init(c, false);
  const uint32_t a = platform::clock_now(c);
  platform::clock_idle_ms(c, 20);
  EXPECT_GE(platform::clock_now(c) - a, 85u);
}

}  // namespace
