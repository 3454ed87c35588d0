// Statements: the line rules, labels, goto/gosub/return, if/else/endif with
// the control stack, assignments and expression statements.
#include "brain/statements.h"

#include <array>
#include <cstring>

#include "brain/errors.h"
#include "brain/frontend.h"
#include "brain/state.h"
#include "core/files.h"

namespace brain {

namespace front {

void fail(const Context& c, std::string_view message, bool resource) {
  std::string text = c.line ? line_prefix(c.line->text, c.number) : std::string();
  text += message;
  throw Failure{std::move(text), resource};
}

void code_area_full(const Context& c) { fail(c, msg::kCodeAreaFull, true); }

}  // namespace front

namespace {

using front::Context;
using front::fail;
using front::Failure;

[[noreturn]] void fail_alone(std::string_view message) { throw Failure{std::string(message)}; }

void pad(std::string_view label, char out[kLabelLength]) {
  std::memset(out, ' ', kLabelLength);
  if (!label.empty()) std::memcpy(out, label.data(), label.size());
}

const Label* find_label(const Workspace& ws, const char name[kLabelLength]) {
  for (int i = 0; i < ws.label_count; ++i)
    if (std::memcmp(ws.labels[i].name, name, kLabelLength) == 0) return &ws.labels[i];
  return nullptr;
}

void define_label(Context& c, std::string_view label) {
  if (label.size() > kLabelLength) fail(c, msg::kLabelTooLong);
  Workspace& ws = *c.ws;
  Label l;
  pad(label, l.name);
  if (find_label(ws, l.name)) fail(c, msg::kLabelDefined);
  if (ws.label_count == kMaxLabels) fail(c, msg::kTooManyLabels, true);
  l.insn = static_cast<uint32_t>(ws.ir.size());
  ws.labels[ws.label_count++] = l;
}

void jump(Context& c, std::string_view label, bool gosub) {
  if (c.options->editor_mode) return;
  if (label.size() > kLabelLength) fail(c, msg::kLabelTooLong);
  Workspace& ws = *c.ws;
  PendingJump p;
  pad(label, p.name);
  if (const Label* l = find_label(ws, p.name)) {
    // Defined above: a backward jump, counted against the run's budget.
    front::emit(c, Insn{gosub ? uint8_t(kGosub) : uint8_t(kLoop), 0, 0, static_cast<int32_t>(l->insn)});
    return;
  }
  p.insn = static_cast<uint32_t>(ws.ir.size());
  p.physical = c.physical;
  p.number = c.number;
  p.label_at = static_cast<uint32_t>(label.data() - c.line->text.data());
  p.label_size = static_cast<uint32_t>(label.size());
  front::emit(c, Insn{gosub ? uint8_t(kGosub) : uint8_t(kJmp), 0, 0, 0});
  ws.pending.push_back(p);
}

void push_control(Context& c, uint32_t value) {
  Workspace& ws = *c.ws;
  if (ws.control_count == kControlDepth) fail(c, msg::kIfTooDeep, true);
  ws.control[ws.control_count++] = value;
}

uint32_t pop_control(Context& c) {
  Workspace& ws = *c.ws;
  const uint32_t top = ws.control[--ws.control_count];
  if (top == kControlMarker) fail_alone(msg::kIfNesting);
  return top;
}

void editor_line(Context& c) {
  std::string_view t = c.line->text;
  t.remove_suffix(7);  // " editor"
  std::string first3;
  const std::string s = statement_form(t, &first3);
  if (first3 == "if " || s.find('=') != std::string::npos || !brackets_balanced(s)) return;
  // A failed editor line leaves nothing behind.
  Workspace& ws = *c.ws;
  const size_t ir_size = ws.ir.size();
  const uint64_t bytes = c.code_bytes;
  const uint32_t strings = state().strings_end;
  const bool picks = ws.picks;
  try {
    front::evaluate_single_call(c, s);
  } catch (Failure& f) {
    if (f.resource) throw;
    ws.ir.resize(ir_size);
    c.code_bytes = bytes;
    state().strings_end = strings;
    ws.picks = picks;
  }
}

void statement(Context& c) {
  const std::string_view t = c.line->text;
  if (c.options->editor_mode) {
    if (ends_with(t, ") editor")) editor_line(c);
    return;
  }
  std::string first3;
  // The statement form's storage serves line after line; what the parse
  // keeps of it lives only as long as the statement.
  static std::string form;
  const bool balanced = statement_form(t, form, &first3);
  const std::string& s = form;
  if (!balanced) fail(c, msg::kBrackets);
  Workspace& ws = *c.ws;
  if (same_text(first3, "if ")) {
    front::finish(c, front::evaluate(c, std::string_view(s).substr(2)));
    push_control(c, static_cast<uint32_t>(ws.ir.size()));
    front::emit(c, Insn{kJz, 0, 0, 0});
  } else if (same_text(s, "else")) {
    const uint32_t pending = pop_control(c);
    front::emit(c, Insn{kJmp, 0, 0, 0});
    ws.ir[pending].v = static_cast<int32_t>(ws.ir.size());
    push_control(c, static_cast<uint32_t>(ws.ir.size() - 1));
  } else if (same_text(s, "endif")) {
    const uint32_t pending = pop_control(c);
    ws.ir[pending].v = static_cast<int32_t>(ws.ir.size());
  } else if (size_t eq = s.find('='); eq != std::string::npos) {
    const std::string_view target = std::string_view(s).substr(0, eq);
    front::Operand var = front::classify(c, target, false, target);
    if (var.type != front::Operand::kVar) fail(c, msg::not_a_variable(readable(target)));
    std::string_view value = std::string_view(s).substr(eq + 1);
    value = value.substr(0, value.find('='));
    front::finish(c, front::evaluate(c, value));
    front::emit(c, Insn{kStoreVar, 0, 0, var.v});
  } else {
    front::finish(c, front::evaluate(c, s));
  }
}

// Where the temporaries of the statement just compiled (from instruction
// `start` on) live: the result of a real call is published to its cell; a
// result read after a real call (which may have run a brain that wrote the
// cells) is published and read back from the cell; any other result stays
// with the back end (ir.h).
void settle_temporaries(Workspace& ws, size_t start) {
  constexpr uint8_t kToCell = static_cast<uint8_t>(Kind::kCell) - static_cast<uint8_t>(Kind::kTemp);
  static_assert(static_cast<int>(Kind::kCellNeg) - static_cast<int>(Kind::kTempNeg) == kToCell);
  size_t last_call = SIZE_MAX;
  // Through locals: the byte fields written here could alias the vectors.
  Insn* const ir = ws.ir.data();
  const size_t size = ws.ir.size();
  uint32_t* const producer = ws.producer.data();
  for (size_t q = start; q < size; ++q) {
    Insn& i = ir[q];
    if (reads_operand(i.op) && is_temp(kind_of(i.op))) {
      const uint32_t p = producer[static_cast<size_t>(i.v)];
      if (last_call != SIZE_MAX && last_call > p) {
        i.op = static_cast<uint8_t>(i.op + kToCell);
        ir[p].a |= kPublish;
      }
    }
    if (is_bin(i.op) || is_call(i.op)) producer[i.slot] = static_cast<uint32_t>(q);
    if (i.op == kCall) {
      i.a |= kPublish;
      last_call = q;
    }
  }
}

void compile_statement(Context& c, std::string_view t);

void compile_line(Context& c) {
  const std::string_view t = c.line->text;
  c.temps = 0;
  c.a_slot = -1;
  c.literal_pos = 0;
  if (t.empty() || declaration_kind(t) >= 0) return;
  const size_t start = c.ws->ir.size();
  compile_statement(c, t);
  if (c.ws->ir.size() == start) return;
  settle_temporaries(*c.ws, start);
  c.ws->lines.push_back(LineMark{static_cast<uint32_t>(start), c.number});
}

void compile_statement(Context& c, std::string_view t) {
  if (starts_with(t, "goto "))
    jump(c, t.substr(5), false);
  else if (t.back() == ':')
    define_label(c, t.substr(0, t.size() - 1));
  else if (starts_with(t, "gosub "))
    jump(c, t.substr(6), true);
  else if (same_text(t, "return")) {
    if (!c.options->editor_mode) front::emit(c, Insn{kRet, 0, 0, 0});
  } else
    statement(c);
}

// Points every goto, then every gosub, at its label.
void link(Context& c) {
  Workspace& ws = *c.ws;
  for (int pass = 0; pass < 2; ++pass)
    for (const PendingJump& p : ws.pending) {
      if ((ws.ir[p.insn].op == kGosub) != (pass == 1)) continue;
      const Label* l = find_label(ws, p.name);
      if (!l) {
        Line line;
        prepare_line(p.physical, p.number, line);
        throw Failure{line.prefix + msg::label_not_found(line.text.substr(p.label_at, p.label_size))};
      }
      ws.ir[p.insn].v = static_cast<int32_t>(l->insn);
    }
}

}  // namespace

bool compile_to_ir(std::string_view text, const BrainOptions& options, std::string& error) {
  Workspace& ws = state().work;
  ws.ir.clear();
  ws.pending.clear();
  ws.label_count = 0;
  ws.control_count = 0;
  ws.picks = false;
  ws.lines.clear();
  error.clear();
  // The lines are found once, for the declarations and for the statements.
  static std::vector<std::string_view> physical_lines;
  physical_lines.clear();
  core::LineReader reader(text);
  for (std::string_view physical = reader.next(); !reader.at_end(); physical = reader.next())
    physical_lines.push_back(physical);
  collect_declarations(physical_lines, ws.vars);
  if (ws.vars.size() > static_cast<size_t>(kMaxVariables)) {
    error = msg::kTooManyVariables;
    return false;
  }
  ws.control[ws.control_count++] = kControlMarker;

  static std::vector<front::Node> nodes;
  static std::vector<front::Expr> exprs;
  Context c{.nodes = nodes, .exprs = exprs};
  c.options = &options;
  c.ws = &ws;
  // The back end's size of each opcode, asked once for each back end.
  static uint32_t (*sized_for)(const Insn&) = nullptr;
  static std::array<uint32_t, 256> op_bytes;
  if (sized_for != options.insn_bytes || sized_for == nullptr) {
    for (int op = 0; op < 256; ++op) {
      const Insn probe{static_cast<uint8_t>(op), 0, 0, 0};
      op_bytes[static_cast<size_t>(op)] = options.insn_bytes ? options.insn_bytes(probe) : sizeof(Insn);
    }
    sized_for = options.insn_bytes;
  }
  c.op_bytes = op_bytes.data();
  static Line line;  // its storage serves brain after brain
  try {
    int number = 0;
    for (std::string_view physical : physical_lines) {
      prepare_line(physical, ++number, line, false);
      c.line = &line;
      c.physical = physical;
      c.number = number;
      compile_line(c);
    }
    ws.last_prefix = number > 0 ? line_prefix(line.text, number) : std::string();
    c.line = nullptr;
    if (ws.control[--ws.control_count] != kControlMarker) fail_alone(msg::kIfNesting);
    front::emit(c, Insn{kRet, 0, 0, 0});
    link(c);
  } catch (Failure& f) {
    error = std::move(f.text);
    ws.ir.clear();
    return false;
  }
  return true;
}

}  // namespace brain
