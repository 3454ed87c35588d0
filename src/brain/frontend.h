// Shared by the statement and expression parts of the compiler.
#pragma once

#include <new>
#include <string>
#include <type_traits>
#include <string_view>
#include <vector>

#include "brain/statements.h"
#include "brain/ir.h"
#include "brain/lines.h"
#include "brain/workspace.h"

namespace brain::front {

// A short list kept in place (no allocation) up to N entries: the lists
// of one statement's parse are short, and there are many of them. The
// places are raw storage, so a new list writes nothing but its count.
template <class T, size_t N>
class SmallVec {
  // Entries are plain values: nothing to destroy, and moving one is
  // copying its bytes.
  static_assert(std::is_trivially_destructible_v<T>);

 public:
  void push_back(const T& v) {
    if (n_ < N) {
      ::new (static_cast<void*>(raw_ + n_ * sizeof(T))) T(v);
    } else {
      if (n_ == N) heap_.assign(fixed(), fixed() + N);
      heap_.push_back(v);
    }
    ++n_;
  }
  // Appends the value `make()` returns, made in its place when it fits.
  template <class F>
  void push_back_made(F&& make) {
    if (n_ < N) {
      ::new (static_cast<void*>(raw_ + n_ * sizeof(T))) T(make());
      ++n_;
    } else {
      push_back(make());
    }
  }
  size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  T* begin() { return n_ <= N ? fixed() : heap_.data(); }
  T* end() { return begin() + n_; }
  const T* begin() const { return n_ <= N ? fixed() : heap_.data(); }
  const T* end() const { return begin() + n_; }
  T& operator[](size_t i) { return begin()[i]; }
  const T& operator[](size_t i) const { return begin()[i]; }
  // Shrinks to k entries.
  void resize(size_t k) {
    if (n_ > N && k <= N) {
      for (size_t i = 0; i < k; ++i) ::new (static_cast<void*>(raw_ + i * sizeof(T))) T(heap_[i]);
      heap_.clear();
    } else if (n_ > N) {
      heap_.resize(k);
    }
    n_ = k;
  }

 private:
  T* fixed() { return std::launder(reinterpret_cast<T*>(raw_)); }
  const T* fixed() const { return std::launder(reinterpret_cast<const T*>(raw_)); }

  alignas(T) unsigned char raw_[N * sizeof(T)];  // only the first n_ places hold entries
  std::vector<T> heap_;
  size_t n_ = 0;
};

// A compile error; `resource` marks the exhaustion of a fixed table, which
// an editor line does not swallow.
struct Failure {
  std::string text;
  bool resource = false;
};

// A value an instruction can take.
struct Operand {
  enum Type : uint8_t { kEmpty, kInvalid, kConst, kVar, kTemp, kElem, kStr };
  Type type = kEmpty;
  bool neg = false;       // variables and temporaries: read negated
  int32_t v = 0;          // value, offset, slot or element distance
  std::string_view text;  // as written, for messages

  // Copied member by member: an operand is often copied just after its
  // members were written one by one, and reading them back in wider pieces
  // would wait for the writes.
  Operand() = default;
  Operand(const Operand& o) : type(o.type), neg(o.neg), v(o.v), text(o.text.data(), o.text.size()) {}
  Operand& operator=(const Operand& o) {
    type = o.type;
    neg = o.neg;
    v = o.v;
    text = std::string_view(o.text.data(), o.text.size());
    return *this;
  }
};

// Node and Expr have constructors of their own so that a new one in a list
// is not zeroed first: only the members below are set.
struct Node {
  Node() {}  // NOLINT(modernize-use-equals-default): `= default` would zero it in emplace_back
  enum Type : uint8_t { kAtom, kCall, kGroup };
  Type type = kAtom;
  bool neg = false;           // written with a unary minus
  std::string_view text;      // operand text, or the name of a call
  std::string_view source;    // the whole item as written
  SmallVec<int, 5> children;  // expressions: the call's arguments, or the group's content
  Operand value;              // a call's or group's value once evaluated
};

struct Expr {
  Expr() {}                // NOLINT(modernize-use-equals-default): as Node
  SmallVec<int, 8> items;  // nodes
  SmallVec<BinOp, 8> ops;  // between the items
  std::string_view text;
  bool evaluated = false;
  Operand result;
};

struct Context {
  const BrainOptions* options = nullptr;
  Workspace* ws = nullptr;
  const Line* line = nullptr;
  std::string_view physical{};  // the line as the brain text has it
  int32_t number = 0;           // its physical line number
  size_t literal_pos = 0;       // where the next literal is looked for in the raw line
  int temps = 0;                // temporary slots handed out in this statement
  int a_slot = -1;              // the slot whose value A holds, or -1
  uint64_t code_bytes = 0;
  const uint32_t* op_bytes = nullptr;  // the back end's bytes for each opcode
  std::string_view s{};                // statement being parsed
  size_t open_items = 0;               // items of the parse begun and not yet finished
  // The parse of one statement; the storage outlives the compile, so that
  // brain after brain reuses it.
  std::vector<Node>& nodes;
  std::vector<Expr>& exprs;
};

[[noreturn]] void fail(const Context& c, std::string_view message, bool resource = false);
[[noreturn]] void code_area_full(const Context& c);
// Appends an instruction, counting the bytes the back end will need for it.
inline void emit(Context& c, Insn insn) {
  c.code_bytes += c.op_bytes[insn.op];
  if (c.code_bytes > c.options->code_room) code_area_full(c);
  c.ws->ir.push_back(insn);
}

// Parses and evaluates an expression (calls, groups, operators); the result
// is not yet in A.
Operand evaluate(Context& c, std::string_view statement);
// Puts a value into A.
void finish(Context& c, const Operand& value);
// Classifies an operand text (`source` by reference: past the argument
// registers a view is read back whole just after it was written).
Operand classify(const Context& c, std::string_view text, bool neg, const std::string_view& source);
// An editor line: makes the call if the statement is a single call.
bool evaluate_single_call(Context& c, std::string_view statement);

}  // namespace brain::front
