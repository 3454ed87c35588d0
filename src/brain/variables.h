// Brain variables and element parameters: declarations, their slots in the
// element's state, the parameter list an element record keeps for them, the
// value conversions by kind, and the header signature that tells when a
// brain's declarations changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brain {

constexpr int kMaxVariables = 127;
constexpr int kMaxParameterTriples = 129;

// Byte offset of variable k (1-based) in ElementState: word 256 - k.
constexpr int32_t slot_offset(int k) { return 1020 - 4 * (k - 1); }

struct Variable {
  std::string name;
  int kind = 0;        // 0 var, 1 to 6 user parameter kinds
  int32_t offset = 0;  // byte offset of its slot
};

// The declarations of a brain text as the compiler numbers them, in file
// order; `out` receives all of them, even beyond the limit of 127.
void collect_declarations(std::string_view brain_text, std::vector<Variable>& out);
// The same for a brain text already cut into its lines.
void collect_declarations(const std::vector<std::string_view>& lines, std::vector<Variable>& out);
// The declared name and default text of a prepared declaration line.
std::string_view declaration_name(std::string_view text);

// Field 35 of an element record: "n/kind/default/offset/...".
std::string parameter_list(std::string_view brain_text);

// The value the scene loader stores for a parameter of the given list kind
// (0 to 7) written as `text`. Kind 1 gives the ElementState address of that
// element number (-1, no element, when it is outside 0..255).
int32_t parameter_value(int kind, std::string_view text);

// The header: lines that start with "var " or "user" once lower-cased, tabs
// made blanks, cut at ";" and trimmed.
uint32_t header_line_hash(std::string_view line);
uint32_t header_signature(std::string_view brain_text);
int user_parameter_count(std::string_view brain_text);

// The header change rule, applied to an element record (fields 1 name, 35
// parameter list, 40 signature, 45 and 46 the parameter editor's position).
// When the signature of `brain_text` differs from field 40 the parameter
// list is rebuilt from the header, field 40 takes the new signature and
// fields 45 and 46 become "0"; after a save in the brain editor
// (`saved_in_editor`) of a brain with user parameters the reset is
// announced in a message box. True when the record changed.
bool apply_header_rule(std::string& record, std::string_view brain_text, bool saved_in_editor);
std::string header_reset_message(std::string_view element_name);

}  // namespace brain
