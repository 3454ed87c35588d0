// The 32-bit arithmetic of compiled brains, written once for the
// interpreter and as the reference the x86-64 code must agree with.
#pragma once

#include <cstdint>

#include "brain/ir.h"
#include "brain/table.h"
#include "core/angles.h"
#include "core/int32.h"
#include "core/text.h"

namespace brain {

using core::neg32;

// Truncating division that never traps: a zero divisor gives 2147483647 (as
// the `divide` built-in) and -2147483648 / -1 gives -2147483648.
constexpr int32_t div32(int32_t a, int32_t b) {
  if (b == 0) return 2147483647;
  if (b == -1) return neg32(a);
  return a / b;
}

// a op b. With `negated` the right operand was written with a unary minus:
// arithmetic then uses -b, while the comparisons compare -a with b under the
// mirrored test (which is what differs at -2147483648).
constexpr int32_t apply(BinOp op, int32_t a, int32_t b, bool negated) {
  if (negated) {
    switch (op) {
      case BinOp::kEq: return neg32(a) == b;
      case BinOp::kNe: return neg32(a) != b;
      case BinOp::kLt: return neg32(a) > b;
      case BinOp::kGt: return neg32(a) < b;
      case BinOp::kLe: return neg32(a) >= b;
      case BinOp::kGe: return neg32(a) <= b;
      default: b = neg32(b);
    }
  }
  switch (op) {
    case BinOp::kDiv: return div32(a, b);
    case BinOp::kMul: return core::mul32(a, b);
    case BinOp::kSub: return core::sub32(a, b);
    case BinOp::kAdd: return core::add32(a, b);
    case BinOp::kEq: return a == b;
    case BinOp::kNe: return a != b;
    case BinOp::kLt: return a < b;
    case BinOp::kGt: return a > b;
    case BinOp::kLe: return a <= b;
    case BinOp::kGe: return a >= b;
    case BinOp::kOr: return a | b;
    case BinOp::kAnd: return a & b;
    case BinOp::kXor: return a ^ b;
  }
  return 0;
}

// What a pure in-line row (table.h) answers: the routines bound to those
// rows compute exactly this, and the native back end folds constant
// arguments with it.
inline int32_t pure_value(InlineKind k, const int32_t* a) {
  switch (k) {
    case InlineKind::kAbs: return a[0] < 0 ? neg32(a[0]) : a[0];
    case InlineKind::kSum: return core::add32(a[0], a[1]);
    case InlineKind::kSubtract: return core::sub32(a[0], a[1]);
    case InlineKind::kMultiply: return core::mul32(a[0], a[1]);
    case InlineKind::kDivide: return div32(a[0], a[1]);
    case InlineKind::kLimit: return a[0] < a[1] ? a[1] : (a[0] >= a[2] ? a[2] : a[0]);
    case InlineKind::kBetween: return a[1] <= a[0] && a[0] <= a[2] ? -1 : 0;
    case InlineKind::kWrap: return core::wrap_into_range(a[0], a[1], a[2]);
    case InlineKind::kFactor512: return core::factor_512(a[0], a[1]);
    case InlineKind::kSqrt512: return core::sqrt_512(a[0]);
    default: return 0;
  }
}

}  // namespace brain
