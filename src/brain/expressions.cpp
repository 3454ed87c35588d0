// Expressions. A statement's expression is parsed into a tree of items
// (operands, calls, square-bracket groups) joined by operators, then
// evaluated in the language's fixed order:
//   1. every call, in the order of their closing brackets; just before a
//      call, those of its arguments that hold an operator or a group are
//      evaluated, leftmost first;
//   2. then the groups, in the order of their closing brackets;
//   3. then the operators, one precedence level at a time (/ * - + = <> < >
//      <= >= or and xor), each level from left to right.
// Every call and every operator leaves its result in a fresh temporary slot.
#include <array>
#include <cstring>

#include "brain/arith.h"
#include "brain/bind.h"
#include "brain/errors.h"
#include "brain/frontend.h"
#include "brain/numbers.h"
#include "brain/state.h"
#include "brain/table.h"
#include "core/state.h"

namespace brain::front {

namespace {

constexpr int kMaxNesting = 200;
// Items of one statement; far more than the 1024 temporaries allow to use.
constexpr size_t kMaxNodes = 65536;

// What a character of the statement form is to the parser: an operator
// (its BinOp), a bracket or comma, or part of an operand.
constexpr int8_t kBracket = -2, kOperand = -1;
constexpr std::array<int8_t, 256> kCharClass = [] {
  std::array<int8_t, 256> t{};
  t.fill(kOperand);
  const auto set = [&t](char c, int v) { t[static_cast<unsigned char>(c)] = static_cast<int8_t>(v); };
  set('/', int(BinOp::kDiv));
  set('*', int(BinOp::kMul));
  set('-', int(BinOp::kSub));
  set('+', int(BinOp::kAdd));
  set('=', int(BinOp::kEq));
  set(kNotEqual, int(BinOp::kNe));
  set('<', int(BinOp::kLt));
  set('>', int(BinOp::kGt));
  set(kLessEqual, int(BinOp::kLe));
  set(kGreaterEqual, int(BinOp::kGe));
  set(kOr, int(BinOp::kOr));
  set(kAnd, int(BinOp::kAnd));
  set(kXor, int(BinOp::kXor));
  for (char c : {'(', ')', '[', ']', ','}) set(c, kBracket);
  return t;
}();
int char_class(char c) { return kCharClass[static_cast<unsigned char>(c)]; }
int op_of(char c) {
  const int k = char_class(c);
  return k >= 0 ? k : -1;
}
bool is_op(char c) { return char_class(c) >= 0; }

// ---- parsing ---------------------------------------------------------------

// The text of a malformed item: from its start to the next operator or
// closing bracket outside brackets.
[[noreturn]] void junk(const Context& c, size_t start, bool in_args) {
  size_t pos = start;
  int depth = 0;
  for (; pos < c.s.size(); ++pos) {
    char ch = c.s[pos];
    if (ch == '(' || ch == '[')
      ++depth;
    else if (ch == ')' || ch == ']') {
      if (depth == 0) break;
      --depth;
    } else if (depth == 0 && (is_op(ch) || (in_args && ch == ',')))
      break;
  }
  fail(c, msg::unknown_symbol(readable(c.s.substr(start, pos - start))));
}

int parse_expr(Context& c, size_t& pos, int depth, bool in_args);

// Nodes and expressions take their place in the lists before their parts
// (which may move the lists: they are reached again by index).
int parse_item(Context& c, size_t& pos, int depth, bool in_args) {
  // The limit counts the finished items, not the ones this is part of.
  if (depth > kMaxNesting || c.nodes.size() - c.open_items >= kMaxNodes) fail(c, msg::kTooComplex);
  const std::string_view s = c.s;
  const size_t start = pos;
  const int index = static_cast<int>(c.nodes.size());
  c.nodes.emplace_back();
  ++c.open_items;
  if (pos < s.size() && s[pos] == kUnaryMinus) {
    c.nodes[index].neg = true;
    ++pos;
  }
  if (pos < s.size() && s[pos] == '[') {
    ++pos;
    int inner = parse_expr(c, pos, depth + 1, false);
    if (pos >= s.size() || s[pos] != ']') junk(c, start, in_args);
    ++pos;
    Node& n = c.nodes[index];
    n.type = Node::kGroup;
    n.children.push_back(inner);
  } else {
    const size_t a = pos;
    while (pos < s.size() && char_class(s[pos]) == kOperand) ++pos;
    c.nodes[index].text = s.substr(a, pos - a);
    if (pos < s.size() && s[pos] == '(') {
      if (a == pos) fail(c, msg::kSquareBrackets);
      c.nodes[index].type = Node::kCall;
      ++pos;
      if (pos < s.size() && s[pos] == ')') {
        ++pos;
      } else {
        for (;;) {
          const int arg = parse_expr(c, pos, depth + 1, true);
          c.nodes[index].children.push_back(arg);
          if (pos < s.size() && s[pos] == ',') {
            ++pos;
            continue;
          }
          if (pos < s.size() && s[pos] == ')') {
            ++pos;
            break;
          }
          junk(c, start, in_args);
        }
      }
    }
  }
  c.nodes[index].source = s.substr(start, pos - start);
  if (pos < s.size() && !is_op(s[pos]) && s[pos] != ')' && s[pos] != ']' && s[pos] != ',') {
    if (s[pos] == '(') fail(c, msg::kSquareBrackets);
    junk(c, start, in_args);
  }
  --c.open_items;
  return index;
}

int parse_expr(Context& c, size_t& pos, int depth, bool in_args) {
  const size_t start = pos;
  const int index = static_cast<int>(c.exprs.size());
  c.exprs.emplace_back();
  for (;;) {
    const int item = parse_item(c, pos, depth, in_args);
    c.exprs[index].items.push_back(item);
    if (pos < c.s.size() && is_op(c.s[pos])) {
      c.exprs[index].ops.push_back(static_cast<BinOp>(op_of(c.s[pos])));
      ++pos;
      continue;
    }
    break;
  }
  c.exprs[index].text = c.s.substr(start, pos - start);
  return index;
}

int parse(Context& c, std::string_view statement) {
  c.s = statement;
  c.open_items = 0;
  c.nodes.clear();
  c.exprs.clear();
  size_t pos = 0;
  int top = parse_expr(c, pos, 0, false);
  if (pos != statement.size()) junk(c, 0, false);
  return top;
}

// ---- emitting --------------------------------------------------------------

int new_temp(Context& c) {
  if (c.temps >= kTempSlots) fail(c, msg::kTooComplex);
  return c.temps++;
}

uint32_t take_literal(Context& c) {
  std::string_view raw = c.line->raw;
  std::string_view content;
  size_t open = raw.find('"', c.literal_pos);
  size_t close = open == std::string_view::npos ? open : raw.find('"', open + 1);
  if (close != std::string_view::npos) {
    content = raw.substr(open + 1, close - open - 1);
    c.literal_pos = close + 1;
  } else {
    c.literal_pos = raw.size();
  }
  std::string text;
  if (content.size() >= 2 && content[0] == '.' && content[1] == '\\') {
    for (char ch : core::state().folders.program) text += ch == '/' ? '\\' : ch;
    content.remove_prefix(2);
  }
  for (size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\\' && i + 1 < content.size() && (content[i + 1] == 'n' || content[i + 1] == '0')) {
      text += content[i + 1] == 'n' ? '\n' : '\0';
      ++i;
    } else {
      text += content[i];
    }
  }
  const core::Pool& pool = core::state().pools.strings;
  uint32_t& used = state().strings_end;
  if (used > pool.size || pool.size - used < text.size() + 1) fail(c, msg::kStringPoolFull, true);
  const uint32_t address = pool.addr + used;
  std::memcpy(pool.bytes() + used, text.data(), text.size());
  pool.bytes()[used + text.size()] = 0;
  used += static_cast<uint32_t>(text.size() + 1);
  return address;
}

bool editor(const Context& c) { return c.options->editor_mode; }

// Loads a valid operand into A (reg 0) or an argument register.
void load(Context& c, int reg, const Operand& o) {
  Insn insn{0, static_cast<uint8_t>(reg), 0, o.v};
  switch (o.type) {
    case Operand::kConst: insn.op = load_op(Kind::kConst); break;
    case Operand::kVar:
      if (editor(c))
        insn = {load_op(Kind::kConst), insn.a, 0, 0};
      else
        insn.op = load_op(o.neg ? Kind::kVarNeg : Kind::kVar);
      break;
    case Operand::kTemp:
      if (editor(c)) {
        insn = {load_op(Kind::kConst), insn.a, 0, 0};
      } else {
        if (reg == 0 && c.a_slot == o.v && !o.neg) return;  // A holds it already
        insn.op = load_op(o.neg ? Kind::kTempNeg : Kind::kTemp);
      }
      break;
    case Operand::kElem: insn.op = load_op(Kind::kElem); break;
    case Operand::kStr:
      insn.op = load_op(Kind::kConst);
      insn.v = static_cast<int32_t>(take_literal(c));
      break;
    default: return;
  }
  emit(c, insn);
  if (reg == 0) c.a_slot = (o.type == Operand::kTemp && !o.neg && !editor(c)) ? o.v : -1;
}

Operand temp_operand(int slot, bool neg = false) {
  Operand o;
  o.type = Operand::kTemp;
  o.v = slot;
  o.neg = neg;
  return o;
}

// (Views past the argument registers go by reference: one written just
// before the call and read whole in it would stall.)
Operand combine(Context& c, const Operand& left, BinOp op, const Operand& right, const std::string_view& text) {
  if (right.type == Operand::kEmpty) fail(c, msg::operand_expected(readable(text)));
  if (left.type == Operand::kEmpty || left.type == Operand::kInvalid || left.type == Operand::kStr)
    fail(c, msg::unknown_symbol(readable(left.text)));
  Kind kind;
  int32_t v = right.v;
  switch (right.type) {
    case Operand::kConst: kind = Kind::kConst; break;
    case Operand::kVar: kind = right.neg ? Kind::kVarNeg : Kind::kVar; break;
    case Operand::kTemp: kind = right.neg ? Kind::kTempNeg : Kind::kTemp; break;
    case Operand::kElem: fail(c, msg::kElementLeft);
    default: fail(c, msg::unknown_symbol(readable(right.text)));
  }
  if (editor(c) && kind != Kind::kConst) {
    kind = Kind::kConst;
    v = 0;
  }
  load(c, 0, left);
  const int slot = new_temp(c);
  emit(c, Insn{bin_op(op, kind), 0, static_cast<uint16_t>(slot), v});
  c.a_slot = slot;
  return temp_operand(slot);
}

// The operand an item stands for once its calls and groups are evaluated.
Operand item_value(const Context& c, int node) {
  const Node& n = c.nodes[node];
  if (n.type == Node::kAtom) return classify(c, n.text, n.neg, n.source);
  return n.value;
}

Operand apply_ops(Context& c, int expr) {
  if (c.exprs[expr].ops.empty()) return item_value(c, c.exprs[expr].items[0]);
  // Copies: the lists are rewritten level by level.
  SmallVec<Operand, 8> vals;
  for (int item : c.exprs[expr].items) vals.push_back_made([&c, item] { return item_value(c, item); });
  SmallVec<BinOp, 8> ops = c.exprs[expr].ops;
  const std::string_view text = c.exprs[expr].text;
  unsigned levels = 0;  // the operators present
  for (BinOp op : ops) levels |= 1u << static_cast<int>(op);
  for (int level = 0; level < kBinOpCount && !ops.empty(); ++level) {
    if ((levels >> level & 1u) == 0) continue;
    size_t out_v = 1, out_o = 0;
    for (size_t i = 0; i < ops.size(); ++i) {
      if (static_cast<int>(ops[i]) == level) {
        vals[out_v - 1] = combine(c, vals[out_v - 1], ops[i], vals[i + 1], text);
      } else {
        ops[out_o++] = ops[i];
        vals[out_v++] = vals[i + 1];
      }
    }
    ops.resize(out_o);
    vals.resize(out_v);
  }
  return vals[0];
}

// A group's value, with the group's own unary minus applied.
Operand negated(const Operand& o, std::string_view source) {
  Operand r = o;
  switch (o.type) {
    case Operand::kConst: r.v = neg32(o.v); break;
    case Operand::kVar:
    case Operand::kTemp: r.neg = !o.neg; break;
    default: r.type = Operand::kInvalid; r.text = source;
  }
  return r;
}

bool needs_evaluation(const Context& c, int expr) {
  const Expr& e = c.exprs[expr];
  if (!e.ops.empty()) return true;
  for (int item : e.items)
    if (c.nodes[item].type == Node::kGroup) return true;
  return false;
}

void groups_of(Context& c, int node);

Operand evaluate_callfree(Context& c, int expr) {
  for (size_t i = 0; i < c.exprs[expr].items.size(); ++i) groups_of(c, c.exprs[expr].items[i]);
  return apply_ops(c, expr);
}

void groups_of(Context& c, int node) {
  if (c.nodes[node].type != Node::kGroup) return;
  Operand inner = evaluate_callfree(c, c.nodes[node].children[0]);
  Node& n = c.nodes[node];
  n.value = n.neg ? negated(inner, n.source) : inner;
}

// A row the native code may write in line: bound for it, and for a word
// row, on the running element.
bool in_line(const Context& c, int row_index, const Operand* args) {
  if (editor(c) || !may_inline(row_index)) return false;
  if (!is_word_form(inline_form(row_index).kind)) return true;
  return args[0].type == Operand::kElem && args[0].v == 0;
}

void make_call(Context& c, int node) {
  const std::string_view name = c.nodes[node].text;
  const int r = find_row(name);  // a name of other characters than a row's finds none
  if (r < 0) fail(c, msg::unknown_function(readable(name)));
  const Row& info = row(r);
  const SmallVec<int, 5>& args = c.nodes[node].children;
  if (args.size() != info.argc) fail(c, msg::requires_params(name, info.argc));
  Operand vals[kMaxArgs];
  for (size_t i = 0; i < args.size(); ++i) {
    const Expr& e = c.exprs[args[i]];
    vals[i] = e.evaluated ? e.result : item_value(c, e.items[0]);
    const auto t = vals[i].type;
    if (t == Operand::kEmpty || t == Operand::kInvalid) fail(c, msg::unknown_parameter(readable(e.text)));
  }
  for (size_t i = 0; i < args.size(); ++i) load(c, static_cast<int>(i) + 1, vals[i]);
  const int slot = new_temp(c);
  emit(c, Insn{in_line(c, r, vals) ? uint8_t(kInline) : uint8_t(kCall), info.argc, static_cast<uint16_t>(slot), r});
  c.a_slot = slot;
  if (name == "visual_picked") c.ws->picks = true;
  Node& n = c.nodes[node];
  n.value = temp_operand(slot, n.neg);
  n.value.text = n.source;
}

void calls_of_expr(Context& c, int expr);

void calls_of(Context& c, int node) {
  const Node::Type type = c.nodes[node].type;
  if (type == Node::kGroup) {
    calls_of_expr(c, c.nodes[node].children[0]);
  } else if (type == Node::kCall) {
    const size_t count = c.nodes[node].children.size();
    for (size_t i = 0; i < count; ++i) calls_of_expr(c, c.nodes[node].children[i]);
    for (size_t i = 0; i < count; ++i) {
      const int arg = c.nodes[node].children[i];
      if (!needs_evaluation(c, arg)) continue;
      Operand v = evaluate_callfree(c, arg);
      c.exprs[arg].result = v;
      c.exprs[arg].evaluated = true;
    }
    make_call(c, node);
  }
}

void calls_of_expr(Context& c, int expr) {
  for (size_t i = 0; i < c.exprs[expr].items.size(); ++i) calls_of(c, c.exprs[expr].items[i]);
}

}  // namespace

Operand classify(const Context& c, std::string_view text, bool neg, const std::string_view& source) {
  Operand o;
  o.text = source;
  o.neg = neg;
  if (text.empty()) return o;
  int32_t v;
  // A number begins with a digit or a point; a name is no number.
  const bool may_be_number = (text[0] >= '0' && text[0] <= '9') || text[0] == '.';
  if (may_be_number && parse_number(text, v)) {
    o.type = Operand::kConst;
    o.v = neg ? neg32(v) : v;
    o.neg = false;
    return o;
  }
  o.type = Operand::kInvalid;
  if (starts_with(text, "element")) {
    std::string_view rest = text.substr(7);
    uint32_t n = 0;
    if (!rest.empty()) {
      if ((rest[0] != '#' && rest[0] != kBackRef) || rest.size() < 2) return o;
      for (char ch : rest.substr(1)) {
        if (ch < '0' || ch > '9') return o;
        n = n * 10u + uint32_t(ch - '0');
      }
      if (rest[0] == kBackRef) n = 0u - n;
    }
    if (neg) return o;
    o.type = Operand::kElem;
    o.v = static_cast<int32_t>(n * 1024u);
    return o;
  }
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"' && text.find('"', 1) == text.size() - 1) {
    if (!neg) o.type = Operand::kStr;
    return o;
  }
  for (const Variable& var : c.ws->vars)
    if (same_text(var.name, text)) {
      o.type = Operand::kVar;
      o.v = var.offset;
      return o;
    }
  return o;
}

Operand evaluate(Context& c, std::string_view statement) {
  int top = parse(c, statement);
  calls_of_expr(c, top);
  return evaluate_callfree(c, top);
}

void finish(Context& c, const Operand& value) {
  if (value.type == Operand::kTemp && value.v == c.a_slot && !editor(c)) {
    if (value.neg) {
      emit(c, Insn{kNeg, 0, 0, 0});
      c.a_slot = -1;
    }
    return;
  }
  if (value.type == Operand::kEmpty || value.type == Operand::kInvalid)
    fail(c, msg::unknown_symbol(readable(value.text)));
  load(c, 0, value);
}

bool evaluate_single_call(Context& c, std::string_view statement) {
  int top = parse(c, statement);
  const Expr& e = c.exprs[top];
  if (e.items.size() != 1) return false;
  const Node& n = c.nodes[e.items[0]];
  if (n.type != Node::kCall || n.neg) return false;
  calls_of_expr(c, top);
  return true;
}

}  // namespace brain::front
