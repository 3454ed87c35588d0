#include "brain/listing.h"

#include <cstdio>
#include <vector>

#include "brain/backends.h"
#include "brain/code_area.h"
#include "brain/lines.h"
#include "brain/statements.h"
#include "brain/table.h"
#include "core/files.h"
#include "core/state.h"

namespace brain {

namespace {

const char* const kOps[] = {"/", "*", "-", "+", "=", "<>", "<", ">", "<=", ">=", "or", "and", "xor"};
const char* const kRegs[] = {"A", "R1", "R2", "R3", "R4", "R5"};

std::string operand(Kind k, int32_t v) {
  const std::string sign = is_negated(k) ? "-" : "";
  switch (k) {
    case Kind::kConst: return std::to_string(v);
    case Kind::kVar:
    case Kind::kVarNeg: return sign + "var[" + std::to_string(v) + "]";
    case Kind::kTemp:
    case Kind::kTempNeg: return sign + "t" + std::to_string(v);
    case Kind::kCell:
    case Kind::kCellNeg: return sign + "cell " + std::to_string(v);
    default: return v == 0 ? "element" : "element" + std::string(v > 0 ? "+" : "") + std::to_string(v);
  }
}

std::string result_of(const Insn& i) {
  return " -> t" + std::to_string(i.slot) + (published(i) ? ", cell " + std::to_string(i.slot) : "");
}

std::string hex_bytes(const uint8_t* p, uint32_t n) {
  std::string s;
  char buf[4];
  for (uint32_t k = 0; k < n; ++k) {
    std::snprintf(buf, sizeof buf, "%02x ", p[k]);
    s += buf;
  }
  return s;
}

}  // namespace

std::string insn_text(const Insn& i) {
  if (is_load(i.op)) return std::string(kRegs[i.a % 6]) + " = " + operand(kind_of(i.op), i.v);
  if (is_bin(i.op))
    return std::string("A = A ") + kOps[static_cast<int>(binop_of(i.op))] + " " + operand(kind_of(i.op), i.v) +
           result_of(i);
  switch (i.op) {
    case kNeg: return "A = -A";
    case kStoreVar: return "var[" + std::to_string(i.v) + "] = A";
    case kCall:
    case kInline: {
      std::string s = "A = " + std::string(row(i.v).name) + "(";
      for (int k = 1; k <= argc_of(i); ++k) s += (k > 1 ? ", R" : "R") + std::to_string(k);
      return s + ")" + (i.op == kInline ? " in line" : "") + result_of(i);
    }
    case kJz: return "if A = 0 goto L" + std::to_string(i.v);
    case kJmp: return "goto L" + std::to_string(i.v);
    case kLoop: return "goto L" + std::to_string(i.v) + " (back)";
    case kGosub: return "gosub L" + std::to_string(i.v);
    case kRet: return "return";
    default: return "?";
  }
}

std::string listing(std::string_view text, Backend backend) {
  State& s = state();
  BrainOptions options;
  std::string error;
  const uint32_t strings = s.strings_end;
  const bool ok = compile_to_ir(text, options, error);
  s.strings_end = strings;  // the literals stay out of the pool
  if (!ok) return "error: " + error + "\n";
  const Workspace& ws = s.work;
  const Program p = program_of(ws);

  std::vector<MachineLine> machine;
  std::vector<uint32_t> insn_addr;
  std::vector<uint8_t> code;
  const uint32_t at = code_base() + kHeaderBytes;
  uint32_t bytes = 0;
  const bool native = backend == Backend::kNative;
  if (native) {
    code.resize(core::state().pools.code.size);
    bytes = x64::translate(p, at, code.data(), static_cast<uint32_t>(code.size()), &machine, &insn_addr);
  }

  // The source lines, by number.
  std::vector<std::string> source;
  core::LineReader reader(text);
  Line line;
  int number = 0;
  for (std::string_view physical = reader.next(); !reader.at_end(); physical = reader.next()) {
    prepare_line(physical, ++number, line);
    source.push_back(line.raw);
  }

  std::string out = native ? "; native code, " + std::to_string(bytes) + " bytes\n"
                           : "; interpreter, " + std::to_string(p.size * sizeof(Insn)) + " bytes\n";
  size_t m = 0, mark = 0;
  auto machine_until = [&](uint32_t end) {
    for (; m < machine.size() && machine[m].addr < end; ++m) {
      const MachineLine& ml = machine[m];
      if (ml.size == 0) continue;
      char head[32];
      std::snprintf(head, sizeof head, "        %06x  ", ml.addr - at);
      std::string b = hex_bytes(code.data() + (ml.addr - at), ml.size);
      if (b.size() < 30) b.resize(30, ' ');
      out += head + b + " " + ml.text + "\n";
    }
  };
  for (size_t q = 0; q < p.size; ++q) {
    for (; mark < p.line_count && ws.lines[mark].insn <= q; ++mark) {
      const int n = ws.lines[mark].line;
      out += std::to_string(n) + ": " + (n >= 1 && size_t(n) <= source.size() ? source[size_t(n) - 1] : "") + "\n";
    }
    out += "    L" + std::to_string(q) + "  " + insn_text(p.ir[q]) + "\n";
    if (native) machine_until(insn_addr[q + 1]);
  }
  if (native && m < machine.size()) {
    out += "    out of line\n";
    machine_until(UINT32_MAX);
  }
  return out;
}

}  // namespace brain
