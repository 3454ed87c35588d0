// Running brains: nothing runs that is not a compiled brain, and no brain
// can freeze the process or overflow the stack.
#include <gtest/gtest.h>

#include <chrono>

#include "brain/builtins/general.h"
#include "brain/code_area.h"
#include "brain/ir.h"
#include "core/element_state.h"
#include "harness.h"

namespace {

using namespace brain_test;

struct TimeLimit {
  explicit TimeLimit(uint32_t ms) : saved(brain::state().time_limit_ms) { brain::state().time_limit_ms = ms; }
  ~TimeLimit() { brain::state().time_limit_ms = saved; }
  uint32_t saved;
};

constexpr brain::Backend kBoth[] = {brain::Backend::kNative, brain::Backend::kInterpreter};

TEST(Run, EndlessLoopsEndWithTheRuntimeErrorBox) {
  TimeLimit limit(50);
  for (auto backend : kBoth) {
    BoxCapture boxes;
    clear_elements();
    ASSERT_EQ(compile(lines({"var n", "top:", "n = n + 1", "goto top"}), backend), "");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run(), brain::kRunTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_GT(var(0, 1), brain::kJumpBudget);
    ASSERT_EQ(boxes.runtime.size(), 1u);
    EXPECT_EQ(boxes.runtime[0], "'test' brain ERROR!|The brain ran for more than 50 ms and was stopped.");
    // Endless recursion through gosubs that always return.
    clear_elements();
    ASSERT_EQ(
        compile(lines({"var d", "a:", "d = d + 1", "if d < 40", "gosub a", "gosub a", "endif", "d = d - 1", "return"}),
                backend),
        "");
    EXPECT_EQ(run(), brain::kRunTimeout);
  }
}

TEST(Run, GosubNestingIsBounded) {
  for (auto backend : kBoth) {
    BoxCapture boxes;
    clear_elements();
    ASSERT_EQ(compile(lines({"var d", "a:", "d = d + 1", "gosub a"}), backend), "");
    EXPECT_EQ(run(), brain::kRunGosubOverflow);
    EXPECT_EQ(var(0, 1), brain::kMaxGosubDepth + 1);
    ASSERT_EQ(boxes.runtime.size(), 1u);
    EXPECT_EQ(boxes.runtime[0], "'test' brain ERROR!|Gosub nesting deeper than 4096 levels.");
    // Deep but bounded recursion is fine.
    clear_elements();
    ASSERT_EQ(compile(lines({"var d", "var m", "a:", "d = d + 1", "if d > m", "m = d", "endif", "if d < 4000",
                             "gosub a", "endif", "d = d - 1", "return"}),
                      backend),
              "");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(var(0, 2), 4000);
    EXPECT_EQ(var(0, 1), 0);
  }
}

TEST(Run, LongLegitimateLoopsAreUntouched) {
  for (auto backend : kBoth) {
    BoxCapture boxes;
    clear_elements();
    ASSERT_EQ(compile(lines({"var i", "l:", "i = i + 1", "if i < 3000000", "goto l", "endif"}), backend), "");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(var(0, 1), 3000000);
    EXPECT_TRUE(boxes.runtime.empty());
  }
}

TEST(Run, ExecuteNestingIsBounded) {
  Handlers h;
  for (auto backend : kBoth) {
    BoxCapture boxes;
    clear_elements();
    ASSERT_EQ(compile(lines({"var n", "n = n + 1", "execute(element)"}), backend), "");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(var(0, 1), 32);
    ASSERT_EQ(boxes.runtime.size(), 1u);
    EXPECT_EQ(boxes.runtime[0], "'test' brain ERROR!|Execute nesting deeper than 32 levels.");
  }
}

TEST(Run, OnlyCompiledBrainsRun) {
  BoxCapture boxes;
  clear_elements();
  ASSERT_EQ(compile(lines({"var x", "x = 9"})), "");
  int32_t& word = core::element_state(0)->w[core::kBrainEntry];
  const int32_t good = word;
  word = good + 3;  // inside the code, but no entry
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(var(0, 1), 0);
  word = 0x12345678;
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(brain::run(core::element_ref(0) + 4), 0);  // not an ElementState
  EXPECT_EQ(brain::run(0xFFFFFFFFu), 0);
  word = good;
  brain::begin_compile(brain::kDefaultBackend, 0);  // nothing runs while a compile is open
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(var(0, 1), 0);
  brain::end_compile();
}

// A built-in called from deep inside gosubs sees an aligned stack.
int32_t aligned_calls = 0;
int32_t check_alignment(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
  alignas(16) volatile char probe[16];
  if (reinterpret_cast<uintptr_t>(&probe[0]) % 16 == 0) ++aligned_calls;
  return 0;
}

TEST(Run, BuiltinsSeeAnAlignedStackInsideGosubs) {
  Handlers h;
  brain::bind("debug", &check_alignment);
  aligned_calls = 0;
  clear_elements();
  ASSERT_EQ(compile(lines({"var d", "debug(0)", "gosub a", "return", "a:", "debug(1)", "d = d + 1", "if d < 3",
                           "gosub a", "endif", "debug(2)", "return"}),
                    brain::Backend::kNative),
            "");
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(aligned_calls, 7);
}

}  // namespace

namespace {

// The loop shapes the native code writes most tightly still end when they
// run away: a conditional jump back (one Jcc), two jumps back to one head
// with in-line rows in the body, a gosub inside a loop. Memory stays
// current while values sit in registers: the counter the run leaves behind
// is past the jump budget.
TEST(Run, RunawayLoopsOfEveryShapeEnd) {
  TimeLimit limit(50);
  Handlers h;
  brain::general::bind_integers();
  const std::string loops[] = {
      lines({"var n", "top:", "n = n + 1", "if n <> 0", "goto top", "endif"}),
      lines({"var n", "var m", "top:", "n = n + 1", "m = wrap(m + abs(n), -100, 100)", "if m < 0", "goto top", "else",
             "goto top", "endif"}),
      lines({"var n", "top:", "n = n + 1", "if n > 5", "gosub s", "endif", "goto top", "s:", "n = n + 1", "return"}),
  };
  for (auto backend : kBoth)
    for (const std::string& text : loops) {
      SCOPED_TRACE(text);
      BoxCapture boxes;
      clear_elements();
      ASSERT_EQ(compile(text, backend), "");
      EXPECT_EQ(run(), brain::kRunTimeout);
      EXPECT_GT(var(0, 1), brain::kJumpBudget);
      EXPECT_EQ(boxes.runtime.size(), 1u);
    }
}

// Endless recursion with values in registers and in-line rows on the way
// down ends at the gosub limit, with the variables as the last level left
// them.
TEST(Run, GosubLimitHoldsWithRegisterCopies) {
  Handlers h;
  brain::general::bind_integers();
  for (auto backend : kBoth) {
    BoxCapture boxes;
    clear_elements();
    ASSERT_EQ(compile(lines({"var d", "var e", "a:", "d = d + 1", "e = abs(d) + e", "if d > 0", "gosub a", "endif"}),
                      backend),
              "");
    EXPECT_EQ(run(), brain::kRunGosubOverflow);
    EXPECT_EQ(var(0, 1), brain::kMaxGosubDepth + 1);
    const int64_t n = brain::kMaxGosubDepth + 1;
    EXPECT_EQ(var(0, 2), static_cast<int32_t>(n * (n + 1) / 2));
    ASSERT_EQ(boxes.runtime.size(), 1u);
  }
}

}  // namespace
