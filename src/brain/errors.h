// The compile error texts, in one place. Line errors follow the line prefix;
// the standalone ones are shown alone.
#pragma once

#include <string>
#include <string_view>

namespace brain::msg {

// Standalone.
inline std::string brain_not_found(std::string_view file) { return "Brain not found (" + std::string(file) + ")!"; }
constexpr std::string_view kTooManyVariables = "Too many variables defined!";
constexpr std::string_view kIfNesting = "If...endif nesting error!";
constexpr std::string_view kFileTooLarge = "Brain file too large!";
constexpr std::string_view kCodeAreaFull = "Code area full!";

// After the line prefix.
constexpr std::string_view kLabelTooLong = "Labels can't be longer than 16 characters";
constexpr std::string_view kLabelDefined = "Label already defined";
constexpr std::string_view kBrackets = "Brackets nesting error!";
constexpr std::string_view kSquareBrackets = "Square brackets '[' exected but round brackets '(' found instead!";
constexpr std::string_view kElementLeft = "Variable 'element' must be left operand";
inline std::string unknown_symbol(std::string_view s) { return "Unknown symbol '" + std::string(s) + "'!"; }
inline std::string unknown_function(std::string_view s) {
  return "Unknown function/instruction '" + std::string(s) + "'!";
}
inline std::string requires_params(std::string_view name, int count) {
  return "'" + std::string(name) + "' requires " + std::to_string(count) + " parameter(s)!";
}
inline std::string unknown_parameter(std::string_view s) { return "Unknown parameter '" + std::string(s) + "'!"; }
inline std::string operand_expected(std::string_view s) {
  return "Variable (or value, or function) expected: " + std::string(s);
}
// Limits of the compiler's tables.
inline std::string label_not_found(std::string_view s) { return "Label '" + std::string(s) + "' not found!"; }
inline std::string not_a_variable(std::string_view s) { return "Unknown variable '" + std::string(s) + "'!"; }
constexpr std::string_view kTooManyLabels = "Too many labels!";
constexpr std::string_view kIfTooDeep = "If...endif nesting too deep!";
constexpr std::string_view kTooComplex = "Expression too complex!";
constexpr std::string_view kStringPoolFull = "String pool full!";

}  // namespace brain::msg
