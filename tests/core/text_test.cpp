#include <gtest/gtest.h>

#include "core/text.h"

namespace {

TEST(Text, TextToInteger) {
  EXPECT_EQ(core::text_to_int("  42abc"), 42);
  EXPECT_EQ(core::text_to_int("-17"), -17);
  EXPECT_EQ(core::text_to_int("+5"), 0);  // no "+" accepted
  EXPECT_EQ(core::text_to_int(""), 0);
  EXPECT_EQ(core::text_to_int("x1"), 0);
  EXPECT_EQ(core::text_to_int("\t7"), 0);  // only blanks are skipped
  EXPECT_EQ(core::text_to_int("-"), 0);
  EXPECT_EQ(core::text_to_int("2147483648"), INT32_MIN);  // wraps, never traps
  EXPECT_EQ(core::text_to_int(std::string(5000, '9')), core::text_to_int(std::string(5000, '9')));
}

TEST(Text, AtoiLike) {
  size_t used = 0;
  EXPECT_EQ(core::atoi_like(" +12 rest", &used), 12);
  EXPECT_EQ(used, 4u);
  EXPECT_EQ(core::atoi_like("\t-3"), -3);
  EXPECT_EQ(core::atoi_like("x"), 0);
}

TEST(Text, Thousandths) {
  EXPECT_EQ(core::text_to_thousandths("1.5"), 1500);
  EXPECT_EQ(core::text_to_thousandths("-2"), -2000);
  EXPECT_EQ(core::text_to_thousandths("0.1239"), 123);
  EXPECT_EQ(core::text_to_thousandths("-0.5"), -500);
  EXPECT_EQ(core::text_to_thousandths(""), 0);
  EXPECT_EQ(core::thousandths_to_text(1500), "1.500");
  EXPECT_EQ(core::thousandths_to_text(-1500), "-1.500");
  EXPECT_EQ(core::thousandths_to_text(-5), "-0.005");
  EXPECT_EQ(core::thousandths_to_text(INT32_MIN), "-2147483.648");
  for (int32_t v : {0, 1, -1, 999, 123456, -98765})
    EXPECT_EQ(core::text_to_thousandths(core::thousandths_to_text(v)), v);
}

TEST(Text, WrapIntoRange) {
  EXPECT_EQ(core::wrap_into_range(5, 3, 3), 3);  // lo >= hi gives hi
  EXPECT_EQ(core::wrap_into_range(5, 9, 3), 3);
  EXPECT_EQ(core::wrap_into_range(4, 0, 9), 4);
  EXPECT_EQ(core::wrap_into_range(10, 0, 9), 0);
  EXPECT_EQ(core::wrap_into_range(23, 0, 9), 3);
  EXPECT_EQ(core::wrap_into_range(-1, 0, 9), 9);
  EXPECT_EQ(core::wrap_into_range(-11, 0, 9), 9);
  EXPECT_EQ(core::wrap_into_range(INT32_MAX, INT32_MIN, INT32_MAX - 1), INT32_MIN);
  EXPECT_EQ(core::wrap_into_range(INT32_MIN, -5, 5), core::wrap_into_range(INT32_MIN, -5, 5));
}

// The rule with 64-bit intermediates, as written down: the routine itself
// works in 32 bits and must give the same value everywhere.
int32_t wrap_reference(int32_t v, int32_t lo, int32_t hi) {
  if (lo >= hi) return hi;
  if (v >= lo && v <= hi) return v;
  const int64_t n = int64_t{hi} - lo + 1;
  const int64_t offset = v > hi ? int64_t{v} - hi - 1 : int64_t{v} - lo;
  int64_t m = offset % n;
  if (m < 0) m += n;
  return static_cast<int32_t>(lo + m);
}

TEST(Text, WrapIntoRangeAgreesWithWideArithmetic) {
  const int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1000001, -65536,        -2,       -1, 0, 1, 2,
                           7,         65535,         1000000,  INT32_MAX - 1, INT32_MAX};
  for (int32_t v : edges)
    for (int32_t lo : edges)
      for (int32_t hi : edges)
        ASSERT_EQ(core::wrap_into_range(v, lo, hi), wrap_reference(v, lo, hi)) << v << " " << lo << " " << hi;
  uint64_t x = 88172645463325252ull;  // xorshift64
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return static_cast<int32_t>(x >> (x & 31));
  };
  for (int i = 0; i < 200000; ++i) {
    const int32_t v = next(), lo = next(), hi = next();
    ASSERT_EQ(core::wrap_into_range(v, lo, hi), wrap_reference(v, lo, hi)) << v << " " << lo << " " << hi;
  }
}

TEST(Text, FieldsAndItems) {
  EXPECT_EQ(core::field("a|b|c", 2), "b");
  EXPECT_EQ(core::field("a|b|c", 3), "c");
  EXPECT_EQ(core::field("a|b|c", 4), "");
  EXPECT_EQ(core::field("a|b|c", 0), "");
  EXPECT_EQ(core::with_field("a|b|c", 2, "X"), "a|X|c");
  EXPECT_EQ(core::with_field("a", 4, "X"), "a|||X");
  EXPECT_EQ(core::with_field("a|b|", 3, "X"), "a|b|X");
  EXPECT_EQ(core::with_field("1/2/3/4/5", 1, "9", '/'), "9/2/3/4/5");
  EXPECT_EQ(core::field_count("a|b|c"), 3);
  EXPECT_EQ(core::hex8(0xABCDEF), "00ABCDEF");
  EXPECT_EQ(core::slashes_forward("a\\b\\c"), "a/b/c");
}

}  // namespace
