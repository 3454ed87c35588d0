#include <gtest/gtest.h>

#include <cstring>

#include "core/element_state.h"
#include "core/state.h"

namespace {

TEST(Arena, PoolsLieBelowTwoGigabytesAndDoNotOverlap) {
  const core::State& s = core::state();
  ASSERT_TRUE(s.arena.reserved());
  EXPECT_LE(uint64_t(s.arena.base()) + s.arena.size(), core::kArenaLimit);
  const core::Pool* pools[] = {&s.pools.code,        &s.pools.tool_screen, &s.pools.element_state,
                               &s.pools.channel_map, &s.pools.globals,     &s.pools.sinus,
                               &s.pools.strings,     &s.pools.handles,     &s.pools.project_text};
  for (const core::Pool* a : pools) {
    EXPECT_NE(a->addr, 0u);
    EXPECT_TRUE(s.arena.contains(a->addr, a->size));
    for (const core::Pool* b : pools)
      if (a != b) {
        EXPECT_TRUE(a->addr + a->size <= b->addr || b->addr + b->size <= a->addr);
      }
  }
  EXPECT_EQ(s.pools.code.addr % 4096, 0u);
}

TEST(Arena, IdentityAndRowTables) {
  const core::Pools& p = core::state().pools;
  EXPECT_EQ(p.identity4096.as<uint32_t>()[4095], 4095u);
  EXPECT_EQ(p.identity256.as<uint32_t>()[17], 17u);
  EXPECT_EQ(p.tool_rows.as<uint32_t>()[2], p.tool_screen.addr + 1280);
}

TEST(Arena, PoolContainsRejectsWrapAndOverrun) {
  core::Pool p{0x1000, 0x100};
  EXPECT_TRUE(p.contains(0x1000, 0x100));
  EXPECT_FALSE(p.contains(0x1001, 0x100));
  EXPECT_FALSE(p.contains(0xFFFFFFF0u, 0x20));
  EXPECT_FALSE(p.contains(0xFFF, 1));
}

TEST(Arena, ElementReferencesRoundTrip) {
  uint32_t ref = core::element_ref(5);
  EXPECT_EQ(core::element_index(ref), 5);
  EXPECT_EQ(core::element_index(ref + 4), -1);
  EXPECT_EQ(core::element_index(0x80000000u | ref), -1);
  EXPECT_EQ(core::at<core::ElementState>(ref), core::element_state(5));
}

TEST(Arena, CodeAreaSwitchesBetweenWritableAndExecutable) {
  core::State& s = core::state();
  ASSERT_TRUE(s.arena.make_writable(s.pools.code));
  s.pools.code.bytes()[0] = 0xC3;  // ret
  ASSERT_TRUE(s.arena.make_executable(s.pools.code));
  auto fn = reinterpret_cast<void (*)()>(s.pools.code.bytes());
  fn();
  ASSERT_TRUE(s.arena.make_writable(s.pools.code));
  EXPECT_EQ(s.pools.code.bytes()[0], 0xC3);
}

TEST(Arena, CarveRefusesWhatDoesNotFit) {
  core::Arena a;
  ASSERT_TRUE(a.reserve(8192));
  EXPECT_NE(a.carve(4096).addr, 0u);
  EXPECT_EQ(a.carve(8192).addr, 0u);
  EXPECT_EQ(a.carve(16, 3).addr, 0u);  // alignment must be a power of two
}

}  // namespace
