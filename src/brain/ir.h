// The compiled form of a brain: a list of instructions for a small register
// machine. A holds expression values, R1..R5 the arguments of the next call.
// Both back ends take this list: the x86-64 generator translates it, the
// interpreter runs it as it stands.
//
// What is observable stays in the list, so that the two back ends agree word
// for word: every assignment stores its variable at once; a result of this
// statement (a "temporary", numbered from 0 in each statement) is written to
// its shared cell only where the instruction says so (kPublish), and read
// back from the cell only where the operand says so (Kind::kCell). The rule
// the compiler follows (statements.cpp, settle_temporaries): the result of
// a real call is always published; any other result is published when it
// is read after a real call, which may have run a brain (execute) that
// wrote the cells; that read then takes the cell. Everything else is the
// back end's own business: the native code keeps values in registers,
// the interpreter in its own array.
#pragma once

#include <cstdint>

namespace brain {

// Operand kinds an instruction can carry.
enum class Kind : uint8_t {
  kConst,    // v = value
  kVar,      // v = byte offset of the variable in the running element's state
  kVarNeg,   // the same, negated
  kTemp,     // v = temporary number: a result of this statement
  kTempNeg,  // the same, negated
  kElem,     // v = byte distance from the running element's state (loads only)
  kCell,     // v = temporary number, read from its shared cell
  kCellNeg,  // the same, negated
};
constexpr int kKindCount = 8;

// Binary operators, in the order in which an expression applies them.
enum class BinOp : uint8_t { kDiv, kMul, kSub, kAdd, kEq, kNe, kLt, kGt, kLe, kGe, kOr, kAnd, kXor };
constexpr int kBinOpCount = 13;
constexpr bool is_comparison(BinOp op) { return op >= BinOp::kEq && op <= BinOp::kGe; }

// Opcodes. Loads and binary operations carry their operand kind in the
// opcode, so that each back end handles one case per opcode.
enum Op : uint8_t {
  kLoad = 0,                      // + kind; reg = a (0 = A, 1..5 = R1..R5)
  kBin = 8,                       // + op * 8 + kind (not kElem); A = result = temporary `slot`
  kNeg = kBin + kBinOpCount * 8,  // A = -A
  kStoreVar,                      // variable at offset v = A
  kCall,                          // A = row v (argc in a); result = temporary `slot`
  kInline,                        // the same for a row the native code writes in line (table.h)
  kJz,                            // to v when A is 0
  kJmp,                           // to v (forward)
  kLoop,                          // to v (backward: counted against the run budget)
  kGosub,                         // call v; a later kRet comes back
  kRet,                           // back from a gosub, or the end of the run
  kOpCount
};

// Flags in `a` of binary operations and calls.
constexpr uint8_t kPublish = 0x80;  // also write the result to its shared cell
constexpr uint8_t kArgcMask = 0x07;

struct Insn {
  uint8_t op;
  uint8_t a;      // register of a load; argument count of a call; kPublish
  uint16_t slot;  // temporary that receives a result
  int32_t v;      // operand, offset, row or jump target
};
static_assert(sizeof(Insn) == 8);

constexpr uint8_t load_op(Kind k) { return static_cast<uint8_t>(kLoad + static_cast<int>(k)); }
constexpr uint8_t bin_op(BinOp b, Kind k) {
  return static_cast<uint8_t>(kBin + static_cast<int>(b) * 8 + static_cast<int>(k));
}
constexpr bool is_load(uint8_t op) { return op < kLoad + kKindCount; }
constexpr bool is_bin(uint8_t op) { return op >= kBin && op < kNeg; }
constexpr bool is_call(uint8_t op) { return op == kCall || op == kInline; }
constexpr Kind kind_of(uint8_t op) { return static_cast<Kind>(is_load(op) ? op - kLoad : (op - kBin) % 8); }
constexpr BinOp binop_of(uint8_t op) { return static_cast<BinOp>((op - kBin) / 8); }
constexpr bool is_jump(uint8_t op) { return op == kJz || op == kJmp || op == kLoop || op == kGosub; }
constexpr bool published(const Insn& i) { return (i.a & kPublish) != 0; }
constexpr int argc_of(const Insn& i) { return i.a & kArgcMask; }
constexpr bool is_negated(Kind k) { return k == Kind::kVarNeg || k == Kind::kTempNeg || k == Kind::kCellNeg; }
constexpr bool is_temp(Kind k) { return k == Kind::kTemp || k == Kind::kTempNeg; }
constexpr bool is_cell(Kind k) { return k == Kind::kCell || k == Kind::kCellNeg; }
constexpr bool is_var(Kind k) { return k == Kind::kVar || k == Kind::kVarNeg; }
// The instruction reads an operand of this kind (loads and binary operations).
constexpr bool reads_operand(uint8_t op) { return is_load(op) || is_bin(op); }

// Run statuses shared by both back ends (0 = the brain returned).
enum RunStatus : int32_t {
  kRunOk = 0,
  kRunTimeout = 1,        // the run exceeded its time limit
  kRunGosubOverflow = 2,  // gosub nesting too deep
  kRunHalted = 4,         // a run-time error box ended the run: the brain stops quietly
};

// Limits of one run.
constexpr int kMaxGosubDepth = 4096;
constexpr int32_t kJumpBudget = 1000000;  // backward jumps and gosubs between clock checks

}  // namespace brain
