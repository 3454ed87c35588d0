// Numbers as brains write them: decimal, "0x" hexadecimal, and decimals with
// a unit suffix ("mt" metres, "dg" degrees, "ms" metres per second, "rm"
// revolutions per minute).
#pragma once

#include <cstdint>
#include <string_view>

namespace brain {

enum class Unit : uint8_t { kMetres, kDegrees, kMetresPerSecond, kRevsPerMinute };

// Thousandths in a unit, with a 64-bit intermediate and truncation toward
// zero: metres x 512, degrees x 512 / 1000, m/s x 17067 / 1000, rpm x 1024 / 10000.
int32_t unit_value(int32_t thousandths, Unit unit);

// The whole text as one number (lower case, no sign, no blanks). False when
// the text is not a number; 1.5 without a suffix is not one.
bool parse_number(std::string_view text, int32_t& value);

// A `var` default as the scene loader reads it: a number as above (blanks
// before a decimal or unit number skipped), otherwise the leading decimal
// integer of the text, or 0.
int32_t var_default_value(std::string_view text);

}  // namespace brain
